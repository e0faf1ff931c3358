#include "platform/Cp1252.h"

#include <string>

#include <gtest/gtest.h>

using namespace tarifon;

namespace {

bool isUndefined(int b) {
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

}  // namespace

TEST(Cp1252, EveryDefinedByteRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        if (isUndefined(b))
            continue;
        const std::string one(1, static_cast<char>(b));
        const QString text = cp1252::decode(one);
        ASSERT_EQ(text.size(), 1) << b;
        EXPECT_EQ(cp1252::encode(text), one) << b;
    }
}

TEST(Cp1252, HighRangeMapsToTheWindowsCharacters) {
    EXPECT_EQ(cp1252::decode("\x80"), QString(QChar(0x20AC)));
    EXPECT_EQ(cp1252::encode(QString(QChar(0x20AC))), "\x80");
    EXPECT_EQ(cp1252::decode("\x9F"), QString(QChar(0x0178)));
    EXPECT_EQ(cp1252::decode("\x93\x94"), QStringLiteral("\u201C\u201D"));
    EXPECT_EQ(cp1252::encode(QStringLiteral("Não Perca! Promoção")),
              "N\xE3o Perca! Promo\xE7\xE3o");
}

TEST(Cp1252, UnmappableCharactersBecomeQuestionMarks) {
    // Cyrillic, CJK, a character outside the BMP, and the C1 control that 1252 redefines.
    const QString text =
        QStringLiteral("a\u0416b\u4E2D") + QString::fromUcs4(U"\U0001F600") + QChar(0x0080);
    EXPECT_EQ(cp1252::encode(text), "a?b???");
}

TEST(Cp1252, FieldStopsAtZeroOrAtItsSize) {
    const char field[6] = {'a', 'b', '\0', 'c', 'd', 'e'};
    EXPECT_EQ(cp1252::decodeField(field, sizeof field), QStringLiteral("ab"));
    const char full[3] = {'x', '\xE9', 'z'};
    EXPECT_EQ(cp1252::decodeField(full, sizeof full), QStringLiteral("xéz"));
}
