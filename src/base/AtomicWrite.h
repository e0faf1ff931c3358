#pragma once

#include <filesystem>
#include <string_view>

#include "base/Result.h"

namespace tarifon {

// Replaces the file at `path` with `data` so that a crash or power cut leaves either
// the old or the new content, never a mix: the bytes go to a temporary file created
// exclusively in the same folder, are flushed to the disk, the temporary file is
// renamed over the target and the folder is flushed too.  An existing file keeps its
// permissions; a symbolic link is followed, not replaced.  On failure the target is
// untouched, no temporary file is left behind, and the error says why.
Result<void> writeFileAtomically(const std::filesystem::path& path, std::string_view data);

}  // namespace tarifon
