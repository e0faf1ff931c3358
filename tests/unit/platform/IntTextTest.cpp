#include "platform/IntText.h"

#include <QString>

#include <gtest/gtest.h>

using namespace tarifon;

TEST(IntText, ConvertsDecimalWithSignAndLeadingBlanks) {
    EXPECT_EQ(strToInt(u"0"), 0);
    EXPECT_EQ(strToInt(u"+5"), 5);
    EXPECT_EQ(strToInt(u"-12"), -12);
    EXPECT_EQ(strToInt(u" 7"), 7);
    EXPECT_EQ(strToInt(u"\t 007"), 7);
    EXPECT_EQ(strToInt(u"2147483647"), 2147483647);
    EXPECT_EQ(strToInt(u"-2147483648"), INT32_MIN);
}

TEST(IntText, ConvertsEveryHexadecimalPrefix) {
    EXPECT_EQ(strToInt(u"0x1F"), 31);
    EXPECT_EQ(strToInt(u"0X1f"), 31);
    EXPECT_EQ(strToInt(u"$1f"), 31);
    EXPECT_EQ(strToInt(u"X10"), 16);
    EXPECT_EQ(strToInt(u"x10"), 16);
    EXPECT_EQ(strToInt(u"-0x10"), -16);
    EXPECT_EQ(strToInt(u"+$A"), 10);
    EXPECT_EQ(strToInt(u"0x0000000000FF"), 255);
}

TEST(IntText, HexadecimalUpToFFFFFFFFIsTheBitPattern) {
    EXPECT_EQ(strToInt(u"$7FFFFFFF"), INT32_MAX);
    EXPECT_EQ(strToInt(u"0x80000000"), INT32_MIN);
    EXPECT_EQ(strToInt(u"$FFFFFFFF"), -1);
    EXPECT_EQ(strToInt(u"-$80000000"), INT32_MIN);
    EXPECT_EQ(strToInt(u"$100000000"), std::nullopt);
}

TEST(IntText, RejectsWhatIsNotAWholeNumber) {
    for (const char16_t* text :
         {u"", u" ", u"abc", u"x", u"0x", u"$", u"-", u"+-1", u"7 ", u"1.5", u"1e3", u"12a",
          u"0x1G", u"- 1", u"2147483648", u"-2147483649", u"99999999999999999999", u"\uFF11"}) {
        EXPECT_EQ(strToInt(text), std::nullopt) << QString::fromUtf16(text).toStdString();
    }
}

TEST(IntText, DefVariantFallsBackOnlyWhenNotConvertible) {
    EXPECT_EQ(strToIntDef(u"abc", 4), 4);
    EXPECT_EQ(strToIntDef(u"2147483648", 4), 4);
    EXPECT_EQ(strToIntDef(u"0", 4), 0);
    EXPECT_EQ(strToIntDef(u"0x1F", 4), 31);
}
