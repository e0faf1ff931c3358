#pragma once

#include <QByteArray>
#include <QString>

namespace tarifon {

// The machine-wide entry that starts the program when anyone logs on to the desktop: a
// desktop entry in the system autostart folder, the place Linux desktops read as Windows
// reads the Run key of the local machine. Writing it needs the rights to that folder.
class AutostartEntry {
public:
    static constexpr const char* kSystemFolder = "/etc/xdg/autostart";
    static constexpr const char* kFileName = "Tarifon.desktop";

    // Tests point it at a folder of their own.
    explicit AutostartEntry(QString folder = QString::fromLatin1(kSystemFolder));

    QString path() const;
    bool exists() const;
    // Writes (or replaces) the entry atomically so that it runs `executable`. False when
    // the folder is missing or cannot be written.
    bool install(const QString& executable) const;
    // False when an entry is there and could not be removed.
    bool remove() const;

    // The entry's text for `executable`.
    static QByteArray contents(const QString& executable);
    // `executable` as the one argument of an Exec line: quoted when it holds a blank or a
    // reserved character, then escaped as a desktop entry value.
    static QString execValue(const QString& executable);

private:
    QString m_folder;
};

}  // namespace tarifon
