#pragma once

#include <QByteArray>
#include <QString>

#include "base/Result.h"

namespace tarifon {

// writeFileAtomically (base/AtomicWrite.h) for Qt paths and bytes: the whole file or
// nothing, permissions kept, a symbolic link followed.  On failure, the reason.
Result<void> writeFileAtomically(const QString& path, const QByteArray& data);

}  // namespace tarifon
