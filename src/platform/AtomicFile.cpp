#include "platform/AtomicFile.h"

#include <QFile>

#include "base/AtomicWrite.h"

namespace tarifon {

Result<void> writeFileAtomically(const QString& path, const QByteArray& data) {
    return writeFileAtomically(
        QFile::encodeName(path).toStdString(),
        std::string_view(data.constData(), static_cast<size_t>(data.size())));
}

}  // namespace tarifon
