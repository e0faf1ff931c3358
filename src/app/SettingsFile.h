#pragma once

#include <utility>
#include <vector>

#include <QString>
#include <QStringList>

#include "pricing/ScaleLabel.h"

namespace tarifon {

// [BALANCA]: the formats of the labels that counter scales print, one entry each
// ("format1", "format2", ...), tried in file order.  None: labels are not read.
struct ScaleSettings {
    std::vector<std::pair<QString, QString>> entries;  // key and text as read; written back
    std::vector<ScaleFormat> formats;                  // the entries that could be read
    QStringList problems;                              // the others, and why, for the log
};

// The six entries of the program's settings file "de501.ini", as the main window holds
// them: texts as typed, the display time as decimal text, the start-hidden choice.
struct Settings {
    QString currency;
    QString line1;
    QString line2;
    QString timeex;
    QString bd;
    bool lcbo_Iniciar = false;  // start hidden in the notification area
    ScaleSettings scale{};      // a file without [BALANCA] stays without it
};

// The file's entries, each missing or unusable one replaced by its default. Never fails.
Settings loadSettings(const QString& iniPath);

// Writes every entry that can be written, each one reaching the disk before the next.
// A display time that is not a whole number is not written, so the file keeps its old one.
// Returns what could not be saved; the program's callers ignore it, as saving at exit has
// nobody to tell.
QStringList saveSettings(const QString& iniPath, const Settings& settings);

}  // namespace tarifon
