#pragma once

#include <QString>

namespace tarifon {

// The folder that holds the running executable: the program's settings, language files,
// image table and pictures all live there.
QString executableDir();

// The running executable's full path, links resolved.
QString executablePath();

// `name` (a file name or a relative path) inside executableDir().
QString besideExecutable(const QString& name);

}  // namespace tarifon
