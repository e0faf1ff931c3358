#pragma once

#include <cstdint>
#include <optional>

#include <QLocale>
#include <QString>

namespace tarifon {

// A money amount in ten-thousandths of the currency unit (four exact decimals).
// 128 bits wide so that every stored 64-bit value, at any scale, converts
// without overflow.
using Currency = __int128;

// The regional settings that shape a price.
struct Separators {
    QString thousands;
    QString decimal;

    static Separators fromLocale(const QLocale& locale);
};

// Exact conversion of a scaled integer (value * 10^scale) to four decimals;
// finer scales round half to even.  Empty when the value does not fit.
std::optional<Currency> currencyFromScaled(int64_t value, int scale);

// A floating-point amount rounded to four decimals; empty when not finite or
// out of range.
std::optional<Currency> currencyFromDouble(double value);

// "#,##0.00": at least one integer digit, groups of three, exactly two decimals
// rounded half to even, a leading minus for negative amounts (none for an amount
// that rounds to zero).
QString formatPrice(Currency value, const Separators& separators);

}  // namespace tarifon
