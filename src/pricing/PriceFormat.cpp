#include "pricing/PriceFormat.h"

#include <algorithm>
#include <cmath>

namespace tarifon {

namespace {

using Unsigned = unsigned __int128;

constexpr Unsigned pow10(int exponent) {
    Unsigned result = 1;
    for (int i = 0; i < exponent; ++i)
        result *= 10;
    return result;
}

// |value| / divisor rounded half to even.
Unsigned divideHalfEven(Unsigned value, Unsigned divisor) {
    const Unsigned quotient = value / divisor;
    const Unsigned remainder = value % divisor;
    const Unsigned twice = remainder * 2;
    if (twice > divisor || (twice == divisor && quotient % 2 == 1))
        return quotient + 1;
    return quotient;
}

Unsigned magnitude(Currency value) {
    return value < 0 ? Unsigned{0} - static_cast<Unsigned>(value) : static_cast<Unsigned>(value);
}

Currency withSign(Unsigned magnitude, bool negative) {
    const auto value = static_cast<Currency>(magnitude);
    return negative ? -value : value;
}

QString digits(Unsigned value) {
    QString text;
    do {
        text.prepend(QLatin1Char(static_cast<char>('0' + static_cast<int>(value % 10))));
        value /= 10;
    } while (value != 0);
    return text;
}

}  // namespace

Separators Separators::fromLocale(const QLocale& locale) {
    return {locale.groupSeparator(), locale.decimalPoint()};
}

PriceLocale priceLocale(const QString& named, const QString& regional) {
    QString problem;
    if (const QString name = named.trimmed(); !name.isEmpty()) {
        const QLocale locale(name);
        // Qt reads a name it does not know as C, so only C and POSIX may ask for C.
        const QString base = name.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
        const bool asksForC = base.compare(QLatin1String("C"), Qt::CaseInsensitive) == 0 ||
                              base.compare(QLatin1String("POSIX"), Qt::CaseInsensitive) == 0;
        if (locale.language() != QLocale::C || asksForC)
            return {Separators::fromLocale(locale), {}};
        problem = QStringLiteral(
                      "[GENERAL] price_locale=%1 names no known locale: prices follow "
                      "the regional settings")
                      .arg(name);
    }
    const QLocale system(regional);
    const QLocale locale =
        system.language() == QLocale::C ? QLocale(QLocale::Portuguese, QLocale::Brazil) : system;
    return {Separators::fromLocale(locale), problem};
}

QString regionalNumericLocale() {
    for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        if (QString value = qEnvironmentVariable(variable); !value.isEmpty())
            return value;
    }
    return {};
}

std::optional<Currency> currencyFromScaled(int64_t value, int scale) {
    const bool negative = value < 0;
    const Unsigned abs = magnitude(value);
    const int shift = scale + 4;
    if (shift >= 0) {
        // 2^63 * 10^19 still fits in 127 bits; 10^20 would not.
        if (shift > 19)
            return value == 0 ? std::optional<Currency>(0) : std::nullopt;
        return withSign(abs * pow10(shift), negative);
    }
    // Beyond 10^20 every int64 rounds to zero (and the power would not fit).
    if (-shift > 20)
        return Currency{0};
    return withSign(divideHalfEven(abs, pow10(-shift)), negative);
}

std::optional<Currency> currencyFromDouble(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    // nearbyint follows the default rounding mode: to nearest, ties to even.
    const double scaled = std::nearbyint(value * 10000.0);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 1e37)
        return std::nullopt;
    return static_cast<Currency>(scaled);
}

QString formatPrice(Currency value, const Separators& separators) {
    const Unsigned hundredths = divideHalfEven(magnitude(value), 100);
    const QString whole = digits(hundredths / 100);
    const auto cents = static_cast<int>(hundredths % 100);

    QString text;
    if (value < 0 && hundredths != 0)
        text.append(QLatin1Char('-'));
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            text.append(separators.thousands);
        text.append(whole.at(i));
    }
    text.append(separators.decimal);
    text.append(QLatin1Char(static_cast<char>('0' + cents / 10)));
    text.append(QLatin1Char(static_cast<char>('0' + cents % 10)));
    return text;
}

}  // namespace tarifon
