#pragma once

#include <QByteArray>
#include <QString>

namespace tarifon {

// writeFileAtomically (base/AtomicWrite.h) for Qt paths and bytes: the whole file or
// nothing, permissions kept, a symbolic link followed.  False on any failure.
bool writeFileAtomically(const QString& path, const QByteArray& data);

}  // namespace tarifon
