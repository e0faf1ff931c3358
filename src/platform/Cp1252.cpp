#include "platform/Cp1252.h"

#include <array>
#include <cstring>

#include <QList>

namespace tarifon {

namespace {

// 0x80..0x9F; 0 marks the five bytes that Windows-1252 leaves undefined.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char encodeOne(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] != 0 && kHigh[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

namespace cp1252 {

std::string encode(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (char32_t c : text.toUcs4())
        out.push_back(encodeOne(c));
    return out;
}

QString decode(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (unsigned char b : bytes) {
        if (b >= 0x80 && b < 0xA0) {
            // Undefined bytes map to the C1 control of the same value, as Windows does.
            const char16_t u = kHigh[b - 0x80];
            out.append(QChar(u != 0 ? u : char16_t{b}));
        } else {
            out.append(QChar(char16_t{b}));
        }
    }
    return out;
}

QString decodeField(const char* data, size_t size) {
    const void* zero = std::memchr(data, 0, size);
    const size_t n = zero ? static_cast<size_t>(static_cast<const char*>(zero) - data) : size;
    return decode(std::string_view(data, n));
}

}  // namespace cp1252

}  // namespace tarifon
