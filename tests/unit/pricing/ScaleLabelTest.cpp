#include <optional>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "pricing/ScaleFormatText.h"
#include "pricing/ScaleLabel.h"

using namespace tarifon;

namespace {

// The layouts shipped as examples in de501.ini and docs/scale.md.
const char kCode6Price5[] = "prefix:2;length:13;code:2,6;value:8,5;kind:price;decimals:2";
const char kCode5Price5[] = "prefix:20-29;length:13;code:3,5;value:8,5;kind:price;decimals:2";
const char kCode4Price5[] = "prefix:20-29;length:13;code:3,4;value:8,5;kind:price;decimals:2";
const char kCode5Price4Check[] =
    "prefix:20-29;length:13;code:3,5;pricecheck:yes;value:9,4;kind:price;decimals:2";
const char kCode5Price5Check[] =
    "prefix:2;length:13;code:2,5;pricecheck:yes;value:8,5;kind:price;decimals:2";
const char kCode6Weight5[] = "prefix:2;length:13;code:2,6;value:8,5;kind:weight";
const char kUpcCode5Price4Check[] =
    "prefix:2;length:12;code:2,5;pricecheck:yes;value:8,4;kind:price;decimals:2";
// The most decimals a price may have.
const char kCode5Price5Tenths[] = "prefix:20-29;length:13;code:3,5;value:8,5;kind:price;decimals:4";

}  // namespace

TEST(ScaleLabel, EachShippedLayoutReadsItsLabelsAndNeverAMisread) {
    const auto kWeight = ScaleValueKind::Weight;
    const struct {
        const char* format;
        const char* label;
        const char* code;  // nullptr: not read as a label
        int64_t value;
        ScaleValueKind kind = ScaleValueKind::Price;
        int decimals = 2;
    } cases[] = {
        {kCode6Price5, "2123456012347", "123456", 1234},
        {kCode5Price5, "2300123019995", "00123", 1999},
        {kCode4Price5, "2012340012504", "1234", 1250},
        {kCode5Price4Check, "2012345928756", "12345", 2875},
        {kCode5Price5Check, "2123456146851", "12345", 14685},
        {kCode6Weight5, "2000425012501", "000425", 1250, kWeight, 0},
        {kUpcCode5Price4Check, "212345928752", "12345", 2875},
        // A check digit of 0, as one label in ten has.
        {kCode6Price5, "2123456010060", "123456", 1006},
        {kCode5Price5Tenths, "2300123019940", "00123", 1994, ScaleValueKind::Price, 4},
        // Wrong check digit of the whole code; wrong price check digit (the code's is right).
        {kCode6Price5, "2123456012346", nullptr, 0},
        {kCode5Price4Check, "2012345828759", nullptr, 0},
        // A prefix outside the range, a length the format does not have, not digits.
        {kCode5Price5, "7891000100103", nullptr, 0},
        {kCode6Price5, "212345928752", nullptr, 0},
        {kCode6Price5, "21234560123x7", nullptr, 0},
    };
    for (const auto& c : cases) {
        const auto format = parseScaleFormat(QString::fromLatin1(c.format));
        ASSERT_TRUE(format) << c.format << ": " << format.error().toStdString();
        const std::optional<ScaleLabel> label = decodeScaleLabel(c.label, {&*format, 1});
        ASSERT_EQ(label.has_value(), c.code != nullptr) << c.label;
        if (label) {
            EXPECT_EQ(std::tie(label->productCode, label->value, label->kind, label->decimals),
                      std::make_tuple(std::string(c.code), c.value, c.kind, c.decimals))
                << c.label;
        }
    }
}

TEST(ScaleLabel, MalformedFormatsAreRefusedWithAReason) {
    const char* const kPrefix = "a prefix must be digits";
    const char* const kValue = "the value must lie between";
    const struct {
        const char* text;
        const char* reason;  // a part of the reason given
    } cases[] = {
        {"prefix:2;length:14;code:2,6;value:8,5", "length must be 12 or 13"},
        {"prefix:2;length:13;code:2,6;value:7,5", "overlap"},
        {"prefix:2;length:13;code:2,6;value:9,5", kValue},       // over the check digit
        {"prefix:29-20;length:13;code:3,5;value:8,5", kPrefix},  // range backwards
        {"prefix:2-29;length:13;code:3,5;value:8,5", kPrefix},   // ends of two lengths
        {"prefix:20;length:13;code:2,5;value:8,5", "product code must lie"},
        {"prefix:2;length:13;code:2,6;value:8,5;pricecheck:yes", "price check digit before"},
        {"prefix:2;length:13;code:2,4;value:7,6;pricecheck:yes", "value of 4 or 5 digits"},
        {"prefix:2;length:13;code:2,6;value:8,5;colour:red", "unknown item colour"},
        {"prefix:2;length:13;code:2,6;value:2147483647,5", kValue},
        {"prefix:2;length:13;code:2,6;value:8,5;decimals:5", "0 to 4 decimals"},
        {"prefix:2;length:13;code:2,6;value:8,5;kind:weight;decimals:1", "without decimals"},
    };
    for (const auto& c : cases) {
        const auto format = parseScaleFormat(QString::fromLatin1(c.text));
        ASSERT_FALSE(format) << c.text;
        EXPECT_TRUE(format.error().contains(QLatin1String(c.reason)))
            << c.text << ": " << format.error().toStdString();
    }
}
