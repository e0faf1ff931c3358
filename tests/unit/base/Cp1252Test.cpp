#include "base/Cp1252.h"

#include <gtest/gtest.h>

using namespace tarifon;

TEST(Cp1252, DecodesAccentsAndTheHighBlock) {
    EXPECT_EQ(cp1252::toUtf8("Promo\xE7\xE3o"), "Promoção");
    EXPECT_EQ(cp1252::toUtf8("\x80 5,00"), "€ 5,00");
    EXPECT_EQ(cp1252::toUtf8("\x93x\x94\x9F"), "“x”Ÿ");
    EXPECT_EQ(cp1252::toUtf8("\xFF"), "ÿ");
}

TEST(Cp1252, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(cp1252::fromUtf8(cp1252::toUtf8(all)), all);
}

TEST(Cp1252, EncodesWhatItCanAndMarksTheRest) {
    EXPECT_EQ(cp1252::fromUtf8("Não Perca! Promoção €"), "N\xE3o Perca! Promo\xE7\xE3o \x80");
    EXPECT_EQ(cp1252::fromUtf8("Ÿ‰"), "\x9F\x89");
    // Outside the code page: CJK, emoji (four bytes), a combining mark, and U+0080,
    // the C1 control whose byte the code page gives to the euro sign.
    EXPECT_EQ(cp1252::fromUtf8("a日b😀c\u0301\u0080"), "a?b?c??");
}

TEST(Cp1252, BrokenUtf8BecomesQuestionMarks) {
    EXPECT_EQ(cp1252::fromUtf8("x\xC3"), "x?");            // cut sequence
    EXPECT_EQ(cp1252::fromUtf8("\xC1\xA9z"), "?z");        // overlong 'i'
    EXPECT_EQ(cp1252::fromUtf8("\xED\xA0\x80!"), "?!");    // surrogate
    EXPECT_EQ(cp1252::fromUtf8("\xFF\xE7"), "??");         // not UTF-8 at all
    EXPECT_EQ(cp1252::fromUtf8("\xC3\xA7\xC3"), "\xE7?");  // good, then cut
}

TEST(Cp1252, FieldStopsAtZeroOrAtItsWidth) {
    const char field[6] = {'a', 'b', '\0', 'c', 'd', 'e'};
    EXPECT_EQ(cp1252::field(field, sizeof field), "ab");
    const char full[3] = {'x', '\xE9', 'z'};
    EXPECT_EQ(cp1252::field(full, sizeof full), "x\xE9z");
}
