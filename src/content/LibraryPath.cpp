#include "content/LibraryPath.h"

#include <algorithm>
#include <string>

#include "platform/Cp1252.h"

namespace tarifon {

std::optional<LibraryPath> libraryPath(const QString& path) {
    const std::string bytes = cp1252::encode(path);
    if (bytes.size() >= kLibraryPathBufferSize)
        return std::nullopt;
    LibraryPath buffer{};
    std::copy(bytes.begin(), bytes.end(), buffer.begin());
    return buffer;
}

QString pathTooLongMessage(const QString& path) {
    return QStringLiteral("The path \"%1\" is longer than %2 bytes")
        .arg(path)
        .arg(kLibraryPathBufferSize - 1);
}

}  // namespace tarifon
