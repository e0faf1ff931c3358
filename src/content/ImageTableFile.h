#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "base/Result.h"
#include "content/ImageTable.h"

namespace tarifon {

// The image table's file "images.txt": one line per data row, each cell in
// Windows-1252 followed by "|", lines ending in CR LF; rows whose three cells are
// empty are not written.  There is no escaping: a "|" typed into a cell splits it
// when the file is read again.

inline constexpr QStringView kImageTableFileName = u"images.txt";

// The file's bytes for `table` (rows from 1 on).
QByteArray imageTableBytes(const ImageTable& table);

// Replaces the file at `path` atomically, so a failed save leaves the old file whole.
// Fails with the system's reason when it cannot be written (the error box's text).
[[nodiscard]] Result<void, QString> saveImageTable(const QString& path, const ImageTable& table);

// Reads `bytes` into `table` leniently: a line ends at LF, a CR is dropped anywhere, a
// byte 0x1A ends the file; each "|" ends a field, fields past the third and text after
// a line's last "|" are dropped; cells the file does not give keep their text.  The
// table ends with one row per line read plus the title row.
void readImageTable(const QByteArray& bytes, ImageTable& table);

// readImageTable on the file at `path`; a file that cannot be opened (missing,
// unreadable, a folder) leaves the table exactly as it was.
void loadImageTable(const QString& path, ImageTable& table);

}  // namespace tarifon
