#include "content/FileWrite.h"

#include <cerrno>
#include <system_error>

#include <QFileInfo>

#include "platform/AtomicFile.h"

namespace tarifon {

std::optional<QString> replaceFile(const QString& path, const QByteArray& bytes) {
    errno = 0;
    if (writeFileAtomically(path, bytes))
        return std::nullopt;
    // The writer leaves errno as the failing call set it (its clean-up succeeds
    // silently); it fails without a call only when a folder is in the file's place.
    const int error = errno != 0 ? errno : (QFileInfo(path).isDir() ? EISDIR : EIO);
    return QString::fromStdString(std::generic_category().message(error));
}

}  // namespace tarifon
