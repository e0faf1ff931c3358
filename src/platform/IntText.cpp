#include "platform/IntText.h"

namespace tarifon {

namespace {

int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

}  // namespace

std::optional<int32_t> strToInt(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;

    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }

    bool hex = false;
    if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }

    if (i == n)
        return std::nullopt;

    const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    const int base = hex ? 16 : 10;
    uint64_t value = 0;
    for (; i < n; ++i) {
        const int d = hexDigit(text[i].unicode());
        if (d < 0 || d >= base)
            return std::nullopt;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (value > limit)
            return std::nullopt;
    }

    // Unsigned arithmetic: negating the lowest value must wrap, not overflow.
    uint32_t bits = static_cast<uint32_t>(value);
    if (negative)
        bits = 0u - bits;
    return static_cast<int32_t>(bits);
}

int32_t strToIntDef(QStringView text, int32_t def) {
    return strToInt(text).value_or(def);
}

Result<int32_t, QString> typedInteger(QStringView text) {
    if (const std::optional<int32_t> number = strToInt(text))
        return *number;
    return QStringLiteral("''%1'' is not a valid integer value").arg(text);
}

}  // namespace tarifon
