#include "platform/Cp1252.h"

#include <QList>

#include "base/Cp1252.h"

namespace tarifon::cp1252 {

std::string encode(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (const char32_t c : text.toUcs4())
        out.push_back(fromUnicode(c));
    return out;
}

QString decode(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    // Every character of the code page lies in the Basic Multilingual Plane.
    for (const char b : bytes)
        out.append(QChar(static_cast<char16_t>(toUnicode(static_cast<uint8_t>(b)))));
    return out;
}

QString decodeField(const char* data, size_t size) {
    return decode(field(data, size));
}

}  // namespace tarifon::cp1252
