#include "terminal/ConnectedTerminals.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/FakeTerminalLibrary.h"

using namespace tarifon;

namespace {

// The fake writes the address bytes in memory order, as inet_ntoa does.
uint32_t ipv4(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return uint32_t(a) | uint32_t(b) << 8 | uint32_t(c) << 16 | uint32_t(d) << 24;
}

std::vector<std::string> rowsOf(const TerminalListRefresh& refresh) {
    std::vector<std::string> rows;
    for (const QString& row : refresh.rows)
        rows.push_back(row.toStdString());
    return rows;
}

std::vector<int64_t> keptAlive(const FakeTerminalLibrary& library) {
    std::vector<int64_t> sockets;
    for (const auto& call : library.callsNamed("bEnviaVivo"))
        sockets.push_back(call.ints.at(0));
    return sockets;
}

class RecordingNotifier : public Notifier {
public:
    std::vector<std::string> notices;
    void showNotice(const QString& text) override { notices.push_back(text.toStdString()); }
};

class ConnectedTerminalsTest : public ::testing::Test {
protected:
    TerminalListRefresh refresh(int32_t selected) {
        return refreshConnectedTerminals(library, tabConec, selected);
    }
    FakeTerminalLibrary library;
    TTABSOCK tabConec;
};

TEST_F(ConnectedTerminalsTest, NoTerminalGivesAnEmptyListAndNoSelection) {
    tabConec.data()[0] = 0x55;  // a stale copy must be replaced whole
    const auto result = refresh(300);
    EXPECT_TRUE(result.rows.isEmpty());
    EXPECT_EQ(result.highlightedRow, -1);
    EXPECT_EQ(result.selected, -1);
    EXPECT_EQ(tabConec.tabSock(0), 0);
    EXPECT_TRUE(keptAlive(library).empty());
    ASSERT_EQ(library.callsNamed("GetTabConectados").size(), 1u);
    EXPECT_EQ(library.callsNamed("GetTabConectados")[0].ints, (std::vector<int64_t>{1}));
}

TEST_F(ConnectedTerminalsTest, OneTerminalIsListedHighlightedAndSelected) {
    library.setSlot(0, 300, ipv4(192, 0, 2, 10));
    library.setCount(1);
    const auto result = refresh(-1);
    EXPECT_EQ(rowsOf(result), (std::vector<std::string>{"192.0.2.10:300"}));
    EXPECT_EQ(result.highlightedRow, 0);
    EXPECT_EQ(result.selected, 300);
    EXPECT_EQ(keptAlive(library), (std::vector<int64_t>{300}));
    EXPECT_EQ(tabConec.tabSock(0), 300);
    EXPECT_EQ(tabConec.tabUid(0), ipv4(192, 0, 2, 10));
    EXPECT_EQ(tabConec.numSockConec(), 1);
}

TEST_F(ConnectedTerminalsTest, KeepsAListedSelectionAndReplacesOneThatLeft) {
    library.setSlot(0, 300, ipv4(10, 0, 0, 1));
    library.setSlot(1, 301, ipv4(10, 0, 0, 2));
    library.setSlot(2, 302, ipv4(10, 0, 0, 3));
    library.setCount(3);
    auto result = refresh(302);
    EXPECT_EQ(result.selected, 302);
    EXPECT_EQ(result.highlightedRow, 2);

    // The selected terminal leaves: the first listed one takes over.
    library.setSlot(2, 0, 0);
    library.setCount(2);
    result = refresh(result.selected);
    EXPECT_EQ(rowsOf(result), (std::vector<std::string>{"10.0.0.1:300", "10.0.0.2:301"}));
    EXPECT_EQ(result.selected, 300);
    EXPECT_EQ(result.highlightedRow, 0);
}

TEST_F(ConnectedTerminalsTest, WalksOnToSlot1021WhenTheCountIsNotReached) {
    library.setSlot(5, 305, ipv4(10, 0, 0, 5));
    library.setSlot(1021, 1021, ipv4(10, 0, 3, 253));
    library.setSlot(1022, 1022, ipv4(10, 0, 3, 254));
    library.setSlot(1023, 1023, ipv4(10, 0, 3, 255));
    library.setCount(5);
    const auto result = refresh(1023);
    EXPECT_EQ(rowsOf(result), (std::vector<std::string>{"10.0.0.5:305", "10.0.3.253:1021"}));
    EXPECT_EQ(keptAlive(library), (std::vector<int64_t>{305, 1021}));
    EXPECT_EQ(library.callsNamed("TCinet_ntoa").size(), 2u);
    // Slot 1023's terminal is not listed, so it cannot stay selected.
    EXPECT_EQ(result.selected, 305);
}

TEST_F(ConnectedTerminalsTest, StopsOnceTheCountIsReached) {
    library.setSlot(3, 303, ipv4(10, 0, 0, 3));
    library.setSlot(4, 304, ipv4(10, 0, 0, 4));
    library.setCount(1);
    EXPECT_EQ(rowsOf(refresh(-1)), (std::vector<std::string>{"10.0.0.3:303"}));

    // Slot 0 is visited even when the count says nobody is connected.
    library.setSlot(0, 42, ipv4(10, 0, 0, 9));
    library.setCount(0);
    EXPECT_EQ(rowsOf(refresh(-1)), (std::vector<std::string>{"10.0.0.9:42"}));
    library.setCount(-7);
    EXPECT_EQ(rowsOf(refresh(-1)), (std::vector<std::string>{"10.0.0.9:42"}));
}

TEST_F(ConnectedTerminalsTest, ClickSelectsTheClickedRowsOwnTerminal) {
    library.setSlot(1, 301, ipv4(10, 0, 0, 1));
    library.setSlot(2, 302, ipv4(10, 0, 0, 2));
    library.setCount(2);
    const auto result = refresh(-1);
    ASSERT_EQ(rowsOf(result), (std::vector<std::string>{"10.0.0.1:301", "10.0.0.2:302"}));

    EXPECT_EQ(selectClickedRow(tabConec, 0, result.selected), 301);
    EXPECT_EQ(selectClickedRow(tabConec, 1, 301), 302);
    // No row, or a row beyond the list: the selection stays.
    EXPECT_EQ(selectClickedRow(tabConec, -1, 302), 302);
    EXPECT_EQ(selectClickedRow(tabConec, 2, 302), 302);
    EXPECT_EQ(selectClickedRow(tabConec, 5000, 302), 302);
}

TEST_F(ConnectedTerminalsTest, ClickFollowsTheSameWalkAsTheList) {
    // The table's last slots are never listed, so no click can reach them.
    library.setSlot(1022, 1022, ipv4(10, 0, 3, 254));
    library.setSlot(1023, 1023, ipv4(10, 0, 3, 255));
    library.setCount(2);
    refresh(-1);
    EXPECT_EQ(selectClickedRow(tabConec, 0, -1), -1);
    EXPECT_EQ(selectClickedRow(tabConec, 1, -1), -1);
}

TEST(TerminalSelection, CommandsNeedASelectedTerminal) {
    RecordingNotifier notifier;
    EXPECT_EQ(requireSelectedTerminal(-1, notifier), std::nullopt);
    EXPECT_EQ(notifier.notices, (std::vector<std::string>{"Escolha um terminal"}));

    notifier.notices.clear();
    EXPECT_EQ(requireSelectedTerminal(0, notifier), 0);
    EXPECT_EQ(requireSelectedTerminal(300, notifier), 300);
    EXPECT_TRUE(notifier.notices.empty());
}

}  // namespace
