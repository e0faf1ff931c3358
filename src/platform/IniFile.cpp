#include "platform/IniFile.h"

#include <algorithm>

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "base/AtomicWrite.h"
#include "platform/Cp1252.h"

namespace tarifon {

namespace {

// As Windows reads profile files: besides spaces and tabs, the vertical tab, the form
// feed and the DOS end-of-file mark (0x1A) that old editors leave after the last line.
bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == QChar(0x1A);
}

bool isLineBreak(QChar c) {
    return c == u'\n' || c == u'\r';
}

QStringView trimBlanks(QStringView s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.mid(begin, end - begin);
}

bool isQuote(QChar c) {
    return c == u'"' || c == u'\'';
}

// Never leaves half of a surrogate pair at the end.
QString cutToMaxLength(QStringView s) {
    qsizetype n = std::min(s.size(), IniFile::kMaxValueLength);
    if (n < s.size() && n > 0 && s[n - 1].isHighSurrogate())
        --n;
    return s.first(n).toString();
}

QString decodeUtf(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QString decodeText(const QByteArray& bytes) {
    const QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        return decodeUtf(QStringConverter::Utf8, view.sliced(3));
    if (view.startsWith("\xFF\xFE"))
        return decodeUtf(QStringConverter::Utf16LE, view.sliced(2));
    if (view.startsWith("\xFE\xFF"))
        return decodeUtf(QStringConverter::Utf16BE, view.sliced(2));
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    return cp1252::decode(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

bool equalNames(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

bool hasLineBreak(const QString& s) {
    return s.contains(u'\n') || s.contains(u'\r');
}

QString encodeValue(const QString& value) {
    const bool blankEdge = !value.isEmpty() && (isBlank(value.front()) || isBlank(value.back()));
    const bool quoted =
        value.size() >= 2 && isQuote(value.front()) && value.front() == value.back();
    return blankEdge || quoted ? u'"' + value + u'"' : value;
}

}  // namespace

IniFile::Line IniFile::parseLine(const QString& text) {
    Line line{text, Kind::Other, {}, 0};
    const QStringView trimmed = trimBlanks(text);
    if (trimmed.startsWith(u'[')) {
        const QStringView inner = trimmed.sliced(1);
        const qsizetype close = inner.indexOf(u']');
        line.kind = Kind::Section;
        line.name = trimBlanks(close < 0 ? inner : inner.first(close)).toString();
    } else if (!trimmed.startsWith(u';')) {
        const qsizetype eq = text.indexOf(u'=');
        if (eq >= 0) {
            line.kind = Kind::Entry;
            line.name = trimBlanks(QStringView(text).first(eq)).toString();
            line.valueAt = eq + 1;
        }
    }
    return line;
}

IniFile IniFile::fromBytes(const QByteArray& bytes) {
    IniFile ini;
    const QString text = decodeText(bytes);
    // CR LF, LF, or a CR alone (old Mac files) ends a line; new lines follow the first.
    qsizetype start = 0;
    bool firstBreak = true;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !isLineBreak(text[end]))
            ++end;
        qsizetype next = end;
        if (next < text.size()) {
            const bool crlf =
                text[next] == u'\r' && next + 1 < text.size() && text[next + 1] == u'\n';
            next += crlf ? 2 : 1;
            if (firstBreak)
                ini.m_eol = text.sliced(end, next - end);
            firstBreak = false;
        }
        ini.m_lines.push_back(parseLine(text.mid(start, end - start)));
        start = next;
    }
    return ini;
}

std::optional<IniFile> IniFile::tryLoad(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return IniFile();
    // Not a regular file (a folder, a pipe that would block) or too big to be settings.
    if (!info.isFile() || info.size() > kMaxFileSize)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxFileSize)
        return std::nullopt;
    return fromBytes(bytes);
}

IniFile IniFile::load(const QString& path) {
    return tryLoad(path).value_or(IniFile());
}

qsizetype IniFile::findEntry(const QString& section, const QString& key, bool* keyFound) const {
    const QString wantedSection = trimBlanks(section).toString();
    const QString wantedKey = trimBlanks(key).toString();
    qsizetype header = -1;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Kind::Section) {
            // Only the first copy of a section is searched, as on Windows.
            if (header >= 0)
                break;
            if (equalNames(line.name, wantedSection))
                header = static_cast<qsizetype>(i);
        } else if (header >= 0 && line.kind == Kind::Entry && equalNames(line.name, wantedKey)) {
            *keyFound = true;
            return static_cast<qsizetype>(i);
        }
    }
    *keyFound = false;
    return header;
}

QString IniFile::value(const QString& section, const QString& key, const QString& def) const {
    bool found = false;
    const qsizetype at = findEntry(section, key, &found);
    if (!found) {
        qsizetype end = def.size();
        while (end > 0 && isBlank(def[end - 1]))
            --end;
        return cutToMaxLength(QStringView(def).first(end));
    }
    const Line& line = m_lines[static_cast<size_t>(at)];
    QStringView raw = trimBlanks(QStringView(line.text).sliced(line.valueAt));
    if (raw.size() >= 2 && isQuote(raw.front()) && raw.front() == raw.back())
        raw = raw.sliced(1, raw.size() - 2);
    return cutToMaxLength(raw);
}

QStringList IniFile::keys(const QString& section) const {
    const QString wanted = trimBlanks(section).toString();
    QStringList names;
    bool inSection = false;
    for (const Line& line : m_lines) {
        if (line.kind == Kind::Section) {
            if (inSection)
                break;
            inSection = equalNames(line.name, wanted);
        } else if (inSection && line.kind == Kind::Entry &&
                   std::none_of(names.begin(), names.end(),
                                [&](const QString& name) { return equalNames(name, line.name); })) {
            names << line.name;
        }
    }
    return names;
}

bool IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    const QString sectionName = trimBlanks(section).toString();
    const QString keyName = trimBlanks(key).toString();
    if (hasLineBreak(sectionName) || hasLineBreak(keyName) || hasLineBreak(value) ||
        sectionName.contains(u']') || keyName.contains(u'=') || keyName.startsWith(u'[') ||
        keyName.startsWith(u';'))
        return false;

    const QString encoded = encodeValue(value);
    bool found = false;
    const qsizetype at = findEntry(sectionName, keyName, &found);
    if (found) {
        // Keeps the line's own spelling of the key and its spacing before "=".
        Line& line = m_lines[static_cast<size_t>(at)];
        line = parseLine(line.text.first(line.valueAt) + encoded);
        return true;
    }

    const QString entryText = keyName + u'=' + encoded;
    if (at >= 0) {
        // After the section's last non-blank line, so blank separators stay before the next.
        size_t insertAt = static_cast<size_t>(at) + 1;
        for (size_t i = insertAt; i < m_lines.size() && m_lines[i].kind != Kind::Section; ++i)
            if (!trimBlanks(m_lines[i].text).isEmpty())
                insertAt = i + 1;
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                       parseLine(entryText));
        return true;
    }

    m_lines.push_back(parseLine(u'[' + sectionName + u']'));
    m_lines.push_back(parseLine(entryText));
    return true;
}

QByteArray IniFile::toUtf8() const {
    QString text;
    for (const Line& line : m_lines)
        text += line.text + m_eol;
    return text.toUtf8();
}

QString IniFile::readString(const QString& path, const QString& section, const QString& key,
                            const QString& def) {
    return load(path).value(section, key, def);
}

Result<void> IniFile::writeString(const QString& path, const QString& section, const QString& key,
                                  const QString& value) {
    std::optional<IniFile> ini = tryLoad(path);
    if (!ini)
        return fail("cannot read " + QFile::encodeName(path).toStdString());
    if (!ini->setValue(section, key, value))
        return fail("not a value an INI line can hold");
    return writeFileAtomically(QFile::encodeName(path).toStdString(), ini->toUtf8().toStdString());
}

}  // namespace tarifon
