#include <optional>
#include <string>

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

struct Expected {
    std::string code;
    ScaleValueKind kind;
    int64_t value;
};
constexpr auto kPrice = ScaleValueKind::Price;

}  // namespace

TEST(ScaleLabel, EachShippedLayoutReadsItsLabelsAndNeverAMisread) {
    const struct {
        const char* format;
        const char* label;
        std::optional<Expected> expected;
    } cases[] = {
        {kCode6Price5, "2123456012347", Expected{"123456", kPrice, 1234}},
        {kCode5Price5, "2300123019995", Expected{"00123", kPrice, 1999}},
        {kCode4Price5, "2012340012504", Expected{"1234", kPrice, 1250}},
        {kCode5Price4Check, "2012345928756", Expected{"12345", kPrice, 2875}},
        {kCode5Price5Check, "2123456146851", Expected{"12345", kPrice, 14685}},
        {kCode6Weight5, "2000425012501", Expected{"000425", ScaleValueKind::Weight, 1250}},
        {kUpcCode5Price4Check, "212345928752", Expected{"12345", kPrice, 2875}},
        // Wrong check digit of the whole code; wrong price check digit (the code's is right).
        {kCode6Price5, "2123456012346", std::nullopt},
        {kCode5Price4Check, "2012345828759", std::nullopt},
        // A prefix outside the range, a length the format does not have, not digits.
        {kCode5Price5, "7891000100103", std::nullopt},
        {kCode6Price5, "212345928752", std::nullopt},
        {kCode6Price5, "21234560123x7", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto format = parseScaleFormat(QString::fromLatin1(c.format));
        ASSERT_TRUE(format) << c.format << ": " << format.error().toStdString();
        const std::optional<ScaleLabel> label = decodeScaleLabel(c.label, {&*format, 1});
        ASSERT_EQ(label.has_value(), c.expected.has_value()) << c.label;
        if (label) {
            EXPECT_EQ(label->productCode, c.expected->code) << c.label;
            EXPECT_EQ(label->kind, c.expected->kind) << c.label;
            EXPECT_EQ(label->value, c.expected->value) << c.label;
            EXPECT_EQ(label->decimals, c.expected->kind == kPrice ? 2 : 0) << c.label;
        }
    }
}

TEST(ScaleLabel, MalformedFormatsAreRefusedWithAReason) {
    for (const char* text : {
             "prefix:2;length:14;code:2,6;value:8,5",      // length
             "prefix:2;length:13;code:2,6;value:7,5",      // overlap
             "prefix:2;length:13;code:2,6;value:9,5",      // over the check digit
             "prefix:29-20;length:13;code:3,5;value:8,5",  // range backwards
             "prefix:2-29;length:13;code:3,5;value:8,5",   // ends of two lengths
             "prefix:20;length:13;code:2,5;value:8,5",     // code over the prefix
             "prefix:2;length:13;code:2,5;value:8,5;pricecheck:yes;value:8,5",  // twice
             "prefix:2;length:13;code:2,6;value:8,5;pricecheck:yes",            // check in code
             "prefix:2;length:13;code:2,4;value:7,6;pricecheck:yes",            // 6 digits
             "prefix:2;length:13;code:2,6;value:8,5;kind:weight;decimals:3",
             "prefix:2;length:13;code:2,6;value:8,5;kind:volume",
             "prefix:2;length:13;code:2,6;value:8,5;colour:red",
             "prefix:2;length:13;code:0,6;value:8,5",
             "prefix:2;length:13;value:8,5",
             "prefix:2;length:13;code:2;value:8,5",
             "",
         }) {
        const auto format = parseScaleFormat(QString::fromLatin1(text));
        EXPECT_TRUE(!format && !format.error().isEmpty()) << text;
    }
}
