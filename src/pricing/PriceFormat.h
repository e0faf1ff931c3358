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

// The separators prices are written with, decided once at start.  `named` is a locale
// that the settings name (empty: none), `regional` the name of the process's numeric
// locale (regionalNumericLocale()).  A named locale wins; otherwise the regional one,
// unless the process has no real locale (C, POSIX, C.UTF-8, none, or a name no locale
// has), where prices read as a Brazilian customer reads them.
struct PriceLocale {
    Separators separators;
    QString problem;  // `named` names no locale: for the event log; the regional rule applied
};
PriceLocale priceLocale(const QString& named, const QString& regional);

// The numeric locale the environment gives the process: LC_ALL, LC_NUMERIC or LANG, the
// first that is set, as the C library and Qt pick it.
QString regionalNumericLocale();

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
