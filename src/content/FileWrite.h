#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

namespace tarifon {

// Replaces the file at `path` with `bytes` atomically (the old file stays whole when
// this fails) and returns the system's reason when it failed, for the error box.
std::optional<QString> replaceFile(const QString& path, const QByteArray& bytes);

}  // namespace tarifon
