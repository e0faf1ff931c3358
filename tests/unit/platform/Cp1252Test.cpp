#include "platform/Cp1252.h"

#include <string>

#include <gtest/gtest.h>

using namespace tarifon;

// The codec itself is tested in tests/unit/base; here its QString layer.
TEST(Cp1252, EveryByteRoundTripsThroughQString) {
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const QString text = cp1252::decode(one);
        ASSERT_EQ(text.size(), 1) << b;
        EXPECT_EQ(cp1252::encode(text), one) << b;
    }
}

TEST(Cp1252, UnmappableCharactersBecomeQuestionMarks) {
    // Cyrillic, CJK, and a character outside the BMP (one '?', not two).
    const QString text = QStringLiteral("a\u0416b\u4E2D") + QString::fromUcs4(U"\U0001F600");
    EXPECT_EQ(cp1252::encode(text), "a?b??");
}
