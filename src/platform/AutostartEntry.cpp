#include "platform/AutostartEntry.h"

#include <algorithm>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/AtomicWrite.h"

namespace tarifon {

namespace {

// Characters that make an Exec argument need quotes.
const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
// Inside quotes these four take a backslash.
const QString kEscapedInQuotes = QStringLiteral("\"`$\\");

}  // namespace

AutostartEntry::AutostartEntry(QString folder) : m_folder(std::move(folder)) {}

QString AutostartEntry::path() const {
    return QDir(m_folder).filePath(QString::fromLatin1(kFileName));
}

bool AutostartEntry::exists() const {
    const QFileInfo info(path());
    return info.exists() || info.isSymLink();
}

QString AutostartEntry::execValue(const QString& executable) {
    QString argument = executable;
    if (std::any_of(executable.begin(), executable.end(),
                    [](QChar c) { return kReserved.contains(c) || c == u'\r'; })) {
        argument = QStringLiteral("\"");
        for (QChar c : executable) {
            if (kEscapedInQuotes.contains(c))
                argument += u'\\';
            argument += c;
        }
        argument += u'"';
    }
    // Then the escapes of every desktop entry value, and "%" that would start a field code.
    QString value;
    for (QChar c : argument) {
        if (c == u'\\')
            value += QStringLiteral("\\\\");
        else if (c == u'\n')
            value += QStringLiteral("\\n");
        else if (c == u'\t')
            value += QStringLiteral("\\t");
        else if (c == u'\r')
            value += QStringLiteral("\\r");
        else if (c == u'%')
            value += QStringLiteral("%%");
        else
            value += c;
    }
    return value;
}

QByteArray AutostartEntry::contents(const QString& executable) {
    const QString text = QStringLiteral(
                             "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Tarifon\n"
                             "Comment=Answers the shop's price-query terminals\n"
                             "Exec=%1\n"
                             "Icon=tarifon\n"
                             "Terminal=false\n")
                             .arg(execValue(executable));
    return text.toUtf8();
}

bool AutostartEntry::install(const QString& executable) const {
    if (!QFileInfo(m_folder).isDir() ||
        !writeFileAtomically(QFile::encodeName(path()).toStdString(),
                             contents(executable).toStdString()))
        return false;
    // Every user's session reads it, whatever the umask of whoever wrote it.
    QFile::setPermissions(
        path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return true;
}

bool AutostartEntry::remove() const {
    return !exists() || QFile::remove(path());
}

}  // namespace tarifon
