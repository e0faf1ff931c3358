#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace termsim {

// Writes the whole file or nothing: a temporary file beside it, then a rename,
// so a reader never sees half a state file or half a picture.
// Returns an empty string on success, else the reason.
std::string writeFileAtomically(const std::filesystem::path& path, std::string_view content);

}  // namespace termsim
