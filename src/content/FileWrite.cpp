#include "content/FileWrite.h"

#include "platform/AtomicFile.h"

namespace tarifon {

std::optional<QString> replaceFile(const QString& path, const QByteArray& bytes) {
    const Result<void> written = writeFileAtomically(path, bytes);
    if (written)
        return std::nullopt;
    return QString::fromLocal8Bit(written.error());
}

}  // namespace tarifon
