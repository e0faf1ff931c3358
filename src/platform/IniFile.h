#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "base/Result.h"

namespace tarifon {

// An INI file read and written with the semantics of the Windows profile functions that
// the program's settings and language files were made for:
// - a line ends at CR LF, LF or a CR alone;
// - blanks are spaces, tabs, 0x0B, 0x0C and the DOS end-of-file mark 0x1A;
// - section and key names match without regard to letter case, blanks around them ignored;
// - a key may have the empty name (a line "=value");
// - blanks around a value are dropped, then one pair of enclosing quotes ("" or '') removed,
//   then the value is cut at kMaxValueLength characters;
// - a missing file, section or key gives the caller's default without its trailing blanks;
//   a key with nothing after "=" gives the empty text;
// - the first occurrence of a key wins, and only the first copy of a section that appears
//   twice is searched; lines before the first section, lines starting with ";" and lines
//   without "=" are never read as entries;
// - a file is decoded as UTF-8 or UTF-16 when it starts with their byte-order mark, else as
//   UTF-8 when it is valid UTF-8, else as Windows-1252; it is always written as UTF-8
//   without a byte-order mark, with the line end (CR LF, LF or CR) of its first line.
// A value whose blanks or enclosing quotes the reader would strip is written inside double
// quotes so that it reads back unchanged.
class IniFile {
public:
    static constexpr qsizetype kMaxValueLength = 2047;
    // Larger files are treated as unreadable: reads give defaults and writes are refused.
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    // The parsed file; a missing, unreadable or oversized file gives an empty document.
    static IniFile load(const QString& path);
    static IniFile fromBytes(const QByteArray& bytes);

    QString value(const QString& section, const QString& key, const QString& def) const;
    // The key names of the section where value() looks, in file order, each once.
    QStringList keys(const QString& section) const;

    // Changes the document only. False when the names or the value cannot be stored in an
    // INI line (a line break anywhere, "]" in a section name, "=" in a key name, a key name
    // starting with "[" or ";").
    bool setValue(const QString& section, const QString& key, const QString& value);

    QByteArray toUtf8() const;

    // One value read straight from the file.
    static QString readString(const QString& path, const QString& section, const QString& key,
                              const QString& def);
    // One value written through to the disk at once, atomically, keeping every other line.
    // Fails, with the file untouched and the reason, when the file exists but cannot be read,
    // when the value cannot be stored, or when the file cannot be written. Never throws.
    [[nodiscard]] static Result<void> writeString(const QString& path, const QString& section,
                                                  const QString& key, const QString& value);

private:
    enum class Kind { Other, Section, Entry };
    struct Line {
        QString text;
        Kind kind = Kind::Other;
        QString name;           // section or key name, blanks dropped
        qsizetype valueAt = 0;  // entries: where the raw value starts in `text`
    };

    // nullopt when the file exists but cannot be read (so a write must not replace it).
    static std::optional<IniFile> tryLoad(const QString& path);
    static Line parseLine(const QString& text);
    // Index of the entry line, or of the section's header when only the section exists.
    qsizetype findEntry(const QString& section, const QString& key, bool* keyFound) const;

    std::vector<Line> m_lines;
    QString m_eol = QStringLiteral("\n");
};

}  // namespace tarifon
