#pragma once

#include <utility>
#include <vector>

#include <QString>
#include <QStringList>
#include <QStringView>

#include "pricing/ScaleLabel.h"

namespace tarifon {

// [BALANCA]: the formats of the labels that counter scales print, one entry each
// ("format1", "format2", ...), tried in file order.  None: labels are not read.
struct ScaleSettings {
    std::vector<std::pair<QString, QString>> entries;  // key and text as read; written back
    std::vector<ScaleFormat> formats;                  // the entries that could be read
    QStringList problems;                              // the others, and why, for the log
};

// [PERFORMANCE]: the high-volume mode and the database time-outs.  Values as the program
// uses them: out-of-range numbers are brought into range when read.
struct PerformanceSettings {
    static constexpr int kMaxIdleMs = 3600 * 1000;
    static constexpr int kMaxConnectTimeoutS = 3600;

    bool highVolume = false;
    int workers = 0;  // 0: the number of cores, at least 8
    int idleMs = 2000;
    int connectTimeoutS = 5;  // both modes
    // The file had the section: it is written back.  A file without it stays without it.
    bool inFile = false;
    // [DEBUG] ui_probe, a diagnostic for benchmarks: report the user-interface thread's
    // timer lateness on standard error at exit.  Read only, never written.
    bool uiProbe = false;
};

// The settings file, in the program's folder.
inline constexpr QStringView kSettingsFileName = u"de501.ini";

// The program's settings file: the six entries the window edits and saves (texts
// as typed, the display time as decimal text, the start-hidden choice), then what is only
// read from it.
struct Settings {
    QString currency;
    QString line1;
    QString line2;
    QString timeex;
    QString bd;
    bool lcbo_Iniciar = false;  // start hidden in the notification area
    // [GENERAL] price_locale: the locale whose separators prices take, instead of the
    // regional settings (empty: those).  Read only: the file keeps it as typed.
    QString priceLocale{};
    ScaleSettings scale{};  // a file without [BALANCA] stays without it
    PerformanceSettings performance{};
    // [WINDOW] all_pages: the window also offers the pages and the language menu that its
    // layout keeps from the operator.  Read only, never written.
    bool allPages = false;
};

// The file's entries, each missing or unusable one replaced by its default. Never fails.
Settings loadSettings(const QString& iniPath);

// Writes every entry that can be written, each one reaching the disk before the next.
// A display time that is not a whole number is not written, so the file keeps its old one.
// Returns what could not be saved, each with its reason.
[[nodiscard]] QStringList saveSettings(const QString& iniPath, const Settings& settings);

}  // namespace tarifon
