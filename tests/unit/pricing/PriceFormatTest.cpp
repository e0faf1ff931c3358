#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "pricing/PriceFormat.h"

using namespace tarifon;

namespace {

const Separators kBrazil{QStringLiteral("."), QStringLiteral(",")};
const Separators kUs{QStringLiteral(","), QStringLiteral(".")};

QString br(Currency value) {
    return formatPrice(value, kBrazil);
}

// Currency values in these tests fit in 64 bits; gtest cannot print 128-bit ones.
int64_t narrow(std::optional<Currency> value) {
    EXPECT_TRUE(value.has_value());
    return value ? static_cast<int64_t>(*value) : INT64_MIN;
}

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

}  // namespace

TEST(PriceText, GroupsThousandsAndShowsTwoDecimals) {
    EXPECT_EQ(br(0), QStringLiteral("0,00"));
    EXPECT_EQ(br(10000), QStringLiteral("1,00"));
    EXPECT_EQ(br(9990000), QStringLiteral("999,00"));
    EXPECT_EQ(br(10000000), QStringLiteral("1.000,00"));
    EXPECT_EQ(br(12345000), QStringLiteral("1.234,50"));
    EXPECT_EQ(br(1000000000), QStringLiteral("100.000,00"));
    EXPECT_EQ(br(12345678900000), QStringLiteral("1.234.567.890,00"));
    EXPECT_EQ(formatPrice(12345000, kUs), QStringLiteral("1,234.50"));
    EXPECT_EQ(formatPrice(12345678900000, {QString(), QStringLiteral(",")}),
              QStringLiteral("1234567890,00"));
    EXPECT_EQ(formatPrice(12345000, {QStringLiteral("\u202F"), QStringLiteral(",")}),
              QStringLiteral("1\u202F234,50"));
}

TEST(PriceText, RoundsTiesToEven) {
    EXPECT_EQ(br(23450), QStringLiteral("2,34"));
    EXPECT_EQ(br(23550), QStringLiteral("2,36"));
    EXPECT_EQ(br(23451), QStringLiteral("2,35"));
    EXPECT_EQ(br(23449), QStringLiteral("2,34"));
    EXPECT_EQ(br(50), QStringLiteral("0,00"));
    EXPECT_EQ(br(150), QStringLiteral("0,02"));
    EXPECT_EQ(br(9950), QStringLiteral("1,00"));
    EXPECT_EQ(br(99999950), QStringLiteral("10.000,00"));
    EXPECT_EQ(br(9999999950), QStringLiteral("1.000.000,00"));
}

TEST(PriceText, NegativeAmountsLeadWithMinusButZeroHasNoSign) {
    EXPECT_EQ(br(-10000), QStringLiteral("-1,00"));
    EXPECT_EQ(br(-23450), QStringLiteral("-2,34"));
    EXPECT_EQ(br(-23550), QStringLiteral("-2,36"));
    EXPECT_EQ(br(-12345000), QStringLiteral("-1.234,50"));
    EXPECT_EQ(br(-51), QStringLiteral("-0,01"));
    EXPECT_EQ(br(-50), QStringLiteral("0,00"));
    EXPECT_EQ(br(-1), QStringLiteral("0,00"));
}

TEST(PriceText, ExtremeStoredValuesDoNotOverflow) {
    // The largest NUMERIC(18,3): 999999999999999.999
    EXPECT_EQ(br(*currencyFromScaled(999999999999999999, -3)),
              QStringLiteral("1.000.000.000.000.000,00"));
    EXPECT_EQ(br(*currencyFromScaled(-999999999999999999, -3)),
              QStringLiteral("-1.000.000.000.000.000,00"));
    EXPECT_EQ(br(*currencyFromScaled(kMax, -3)), QStringLiteral("9.223.372.036.854.775,81"));
    EXPECT_EQ(br(*currencyFromScaled(kMin, -3)), QStringLiteral("-9.223.372.036.854.775,81"));
    EXPECT_EQ(br(*currencyFromScaled(kMax, 0)), QStringLiteral("9.223.372.036.854.775.807,00"));
    EXPECT_EQ(br(*currencyFromScaled(kMin, 0)), QStringLiteral("-9.223.372.036.854.775.808,00"));
    EXPECT_EQ(br(*currencyFromScaled(kMin, -4)), QStringLiteral("-922.337.203.685.477,58"));
}

TEST(PriceConversion, ScaledIntegersAreExactToFourDecimals) {
    EXPECT_EQ(narrow(currencyFromScaled(2345, -3)), 23450);
    EXPECT_EQ(narrow(currencyFromScaled(-1000, -3)), -10000);
    EXPECT_EQ(narrow(currencyFromScaled(123456, -2)), 12345600);
    EXPECT_EQ(narrow(currencyFromScaled(7, 0)), 70000);
    EXPECT_EQ(narrow(currencyFromScaled(12345, -4)), 12345);
    EXPECT_EQ(narrow(currencyFromScaled(3, 2)), 3000000);
    // Finer scales round half to even at the fourth decimal.
    EXPECT_EQ(narrow(currencyFromScaled(1234550, -6)), 12346);
    EXPECT_EQ(narrow(currencyFromScaled(1234450, -6)), 12344);
    EXPECT_EQ(narrow(currencyFromScaled(1234451, -6)), 12345);
    EXPECT_EQ(narrow(currencyFromScaled(-1234550, -6)), -12346);
    EXPECT_EQ(narrow(currencyFromScaled(kMax, -18)), 92234);
    EXPECT_EQ(narrow(currencyFromScaled(kMin, -18)), -92234);
    EXPECT_EQ(narrow(currencyFromScaled(kMax, -40)), 0);
    // Scales that no column has still never overflow silently.
    EXPECT_FALSE(currencyFromScaled(kMax, 30).has_value());
    EXPECT_EQ(narrow(currencyFromScaled(0, 30)), 0);
}

TEST(PriceConversion, FloatingPointRoundsToFourDecimals) {
    EXPECT_EQ(narrow(currencyFromDouble(24.9)), 249000);
    EXPECT_EQ(narrow(currencyFromDouble(-2.5)), -25000);
    EXPECT_EQ(narrow(currencyFromDouble(1.23456)), 12346);
    EXPECT_EQ(narrow(currencyFromDouble(0.0)), 0);
    EXPECT_FALSE(currencyFromDouble(std::numeric_limits<double>::quiet_NaN()).has_value());
    EXPECT_FALSE(currencyFromDouble(std::numeric_limits<double>::infinity()).has_value());
    EXPECT_FALSE(currencyFromDouble(1e300).has_value());
}

TEST(PriceSeparators, ComeFromTheLocale) {
    const Separators brazil = Separators::fromLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    EXPECT_EQ(brazil.thousands, QStringLiteral("."));
    EXPECT_EQ(brazil.decimal, QStringLiteral(","));
    const Separators c = Separators::fromLocale(QLocale::c());
    EXPECT_EQ(c.thousands, QStringLiteral(","));
    EXPECT_EQ(c.decimal, QStringLiteral("."));
}

// Decided once at start: a locale the setting names, else the environment's numeric
// locale, else (no real locale) Brazilian Portuguese.
TEST(PriceSeparators, FollowTheSettingThenTheRegionalLocaleThenBrazil) {
    const char* const kNames[] = {"LC_ALL", "LC_NUMERIC", "LANG"};
    const QByteArray saved[] = {qgetenv(kNames[0]), qgetenv(kNames[1]), qgetenv(kNames[2])};
    const struct {
        const char* environment[3];  // LC_ALL, LC_NUMERIC, LANG
        const char* setting;
        const char* price;
        bool problem = false;
    } cases[] = {
        {{"", "", "C"}, "", "1.234,50"},
        {{"", "", "POSIX"}, "", "1.234,50"},
        {{"C.UTF-8", "", "en_US"}, "", "1.234,50"},
        {{"", "", ""}, "", "1.234,50"},
        {{"", "", "pt_BR.UTF-8"}, "", "1.234,50"},
        {{"", "", "en_US.UTF-8"}, "", "1,234.50"},
        {{"", "C", "en_US.UTF-8"}, "", "1.234,50"},
        {{"", "", "C"}, "en_US", "1,234.50"},
        {{"", "", "en_US"}, "pt_BR", "1.234,50"},
        {{"", "", "pt_BR"}, "C", "1,234.50"},
        {{"", "", "en_US"}, "xx_YY", "1,234.50", true},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < 3; ++i)
            qputenv(kNames[i], c.environment[i]);
        const PriceLocale locale = priceLocale(QLatin1String(c.setting), regionalNumericLocale());
        EXPECT_EQ(formatPrice(12345000, locale.separators), QLatin1String(c.price))
            << c.environment[2] << " " << c.setting;
        EXPECT_EQ(locale.problem.contains(QLatin1String("xx_YY")), c.problem);
    }
    for (int i = 0; i < 3; ++i)
        qputenv(kNames[i], saved[i]);
}
