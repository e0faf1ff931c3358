#pragma once

#include <QString>
#include <QStringList>

namespace tarifon {

// [PERFORMANCE]: the high-volume mode and the database time-outs.  Values as the program
// uses them: out-of-range numbers are brought into range when read.
struct PerformanceSettings {
    static constexpr int kMaxIdleMs = 3600 * 1000;
    static constexpr int kMaxConnectTimeoutS = 3600;

    bool highVolume = false;
    int workers = 0;  // 0: the number of cores, at least 2
    int idleMs = 2000;
    int connectTimeoutS = 5;  // both modes
    // The file had the section: it is written back.  A file without it stays without it.
    bool inFile = false;
    // [DEBUG] ui_probe, a diagnostic for benchmarks: report the user-interface thread's
    // timer lateness on standard error at exit.  Read only, never written.
    bool uiProbe = false;
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
    PerformanceSettings performance{};
};

// The file's entries, each missing or unusable one replaced by its default. Never fails.
Settings loadSettings(const QString& iniPath);

// Writes every entry that can be written, each one reaching the disk before the next.
// A display time that is not a whole number is not written, so the file keeps its old one.
// Returns what could not be saved; the program's callers ignore it, as saving at exit has
// nobody to tell.
QStringList saveSettings(const QString& iniPath, const Settings& settings);

}  // namespace tarifon
