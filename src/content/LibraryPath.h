#pragma once

#include <array>
#include <optional>

#include <QString>

namespace tarifon {

// A file path as the terminal library takes it: Windows-1252 bytes and a zero in a
// 256-byte buffer, so at most 255 bytes of path.
inline constexpr size_t kLibraryPathBufferSize = 256;
using LibraryPath = std::array<char, kLibraryPathBufferSize>;

// Nothing when the encoded path does not fit: a cut path would name another file.
std::optional<LibraryPath> libraryPath(const QString& path);

// The message for a path that does not fit.
QString pathTooLongMessage(const QString& path);

}  // namespace tarifon
