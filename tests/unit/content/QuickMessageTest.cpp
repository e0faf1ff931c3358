#include "content/QuickMessage.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/FakeTerminalLibrary.h"

using namespace tarifon;

TEST(QuickMessage, GoesToTheListedTerminalsWithTheTimesLow16Bits) {
    FakeTerminalLibrary fake;
    for (const auto& [slot, socket] : {std::pair{0, 300}, {5, 305}, {9, 309}, {12, 312}})
        fake.setSlot(slot, socket, 0);
    fake.setCount(3);  // slot 12 lies past the third terminal
    TTABSOCK tabConec;
    fake.GetTabConectados(tabConec.data(), 1);

    // -1: nothing may be sent, with the error box's text.
    for (const auto& [time, sent] :
         {std::pair{u"70000", 4464}, {u"-1", 0xFFFF}, {u"abc", -1}, {u"", -1}}) {
        fake.clearCalls();
        const QString text = QString::fromUtf16(time);
        const auto error = sendQuickMessage(fake, tabConec, QStringLiteral("Promoção"), {}, text);
        const auto calls = fake.callsNamed("bSendDisplayMsg");
        if (sent < 0) {
            ASSERT_FALSE(error);
            EXPECT_EQ(error.error(),
                      QStringLiteral("''%1'' is not a valid integer value").arg(text));
            EXPECT_TRUE(calls.empty());
            continue;
        }
        ASSERT_EQ(calls.size(), 3u);
        for (size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(calls[i].ints,
                      (std::vector<int64_t>{std::vector{300, 305, 309}[i], sent, 1}));
            EXPECT_EQ(calls[i].texts, (std::vector<std::string>{"Promo\xE7\xE3o", ""}));
        }
    }
}

TEST(QuickMessage, ALongLineIsCutTo100Characters) {
    // One byte per character, also for one outside the code page (a surrogate pair).
    const QString line = QStringLiteral("\U0001F600") + QString(150, QChar(0xE9));
    EXPECT_EQ(std::string(displayLine(line).data()), "?" + std::string(99, '\xE9'));
}
