#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include <poll.h>
#include <unistd.h>

#include "base/LittleEndian.h"
#include "termlink/Registry.h"
#include "support/TestBytes.h"

using namespace termlink;

namespace {

class NullOutlet : public Outlet {
public:
    bool send(wire::Bytes) override { return true; }
};

struct Table {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(8196, 0xEE);
    int32_t socket(size_t slot) const { return tarifon::le::readI32(bytes.data() + 4 * slot); }
    uint32_t address(size_t slot) const {
        return static_cast<uint32_t>(tarifon::le::readI32(bytes.data() + 4096 + 4 * slot));
    }
    int32_t count() const { return tarifon::le::readI32(bytes.data() + 8192); }
};

Table tableOf(const Registry& r) {
    Table t;
    r.fillTable(t.bytes.data());
    return t;
}

int32_t add(Registry& r, uint32_t address = 0x0100007F) {
    return r.add(address, 2, std::make_shared<NullOutlet>()).value_or(0);
}

}  // namespace

// Lowest free slot; socket values in rotation so a freed value is not reused at once.
TEST(Registry, AssignsLowestSlotAndRotatesSocketValues) {
    Registry r;
    const int32_t a = add(r, 0x0A0200C0);  // 192.0.2.10
    const int32_t b = add(r);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    r.remove(a);
    const int32_t c = add(r);
    EXPECT_EQ(c, 3);  // not the just-freed 1
    Table t = tableOf(r);
    EXPECT_EQ(t.socket(0), c);  // but slot 0 is free again and taken
    EXPECT_EQ(t.socket(1), b);
    EXPECT_EQ(t.count(), 2);
    EXPECT_EQ(t.socket(2), 0);
    EXPECT_EQ(t.address(2), 0u);

    // Wrap from 1023 back to 1, skipping values still in use (2 and 3).
    for (int i = 0; i < 1019; ++i)
        r.remove(add(r));  // 4 .. 1022
    EXPECT_EQ(add(r), 1023);
    EXPECT_EQ(add(r), 1);
    EXPECT_EQ(add(r), 4);
}

TEST(Registry, HoldsAtMost1022TerminalsInSlots0To1021) {
    Registry r;
    for (size_t i = 0; i < kMaxTerminals; ++i)
        ASSERT_NE(add(r), 0) << i;
    EXPECT_FALSE(r.add(1, 1, std::make_shared<NullOutlet>()));
    Table t = tableOf(r);
    EXPECT_EQ(t.count(), 1022);
    EXPECT_EQ(t.socket(1022), 0);
    EXPECT_EQ(t.socket(1023), 0);
    std::vector<bool> seen(1024, false);
    for (size_t slot = 0; slot < kMaxTerminals; ++slot) {
        const int32_t s = t.socket(slot);
        ASSERT_GT(s, 0);
        ASSERT_LT(s, 1024);
        EXPECT_FALSE(seen[static_cast<size_t>(s)]) << "duplicate socket " << s;
        seen[static_cast<size_t>(s)] = true;
    }
    r.remove(t.socket(500));
    EXPECT_NE(add(r), 0);
    EXPECT_EQ(tableOf(r).count(), 1022);
}

TEST(Registry, HandsOutScansRoundRobinAndRemembersTheLastSeq) {
    Registry r;
    const int32_t a = add(r);
    const int32_t b = add(r);
    for (uint32_t i = 1; i <= 5; ++i)
        r.pushScan(a, i, "a" + std::to_string(i));
    r.pushScan(b, 100, "b1");
    std::vector<std::string> order;
    while (auto s = r.takeScan())
        order.push_back(s->code);
    EXPECT_EQ(order, (std::vector<std::string>{"a1", "b1", "a2", "a3", "a4", "a5"}));
    EXPECT_EQ(r.target(a)->lastSeq, 5u);
    EXPECT_EQ(r.target(b)->lastSeq, 100u);

    // A terminal with a new scan joins at the back of the line.
    r.pushScan(a, 6, "a6");
    r.pushScan(a, 7, "a7");
    r.pushScan(b, 101, "b2");
    EXPECT_EQ(r.takeScan()->code, "a6");
    EXPECT_EQ(r.takeScan()->code, "b2");
    EXPECT_EQ(r.takeScan()->code, "a7");
    EXPECT_FALSE(r.takeScan());
}

TEST(Registry, DropsOldestCodeWhenATerminalQueueIsFullAndAllOnLeaving) {
    Registry r;
    const int32_t a = add(r);
    const int32_t b = add(r);
    for (uint32_t i = 0; i < kMaxPendingCodesPerTerminal + 6; ++i)
        r.pushScan(a, i, std::to_string(i));
    auto first = r.takeScan();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->code, "6");
    size_t rest = 0;
    while (r.takeScan())
        ++rest;
    EXPECT_EQ(rest, kMaxPendingCodesPerTerminal - 1);

    r.pushScan(a, 1, "gone");
    r.pushScan(b, 1, "kept");
    r.remove(a);
    EXPECT_EQ(r.takeScan()->code, "kept");
    EXPECT_FALSE(r.takeScan());
    r.pushScan(a, 2, "after leaving");  // a late frame for a gone terminal is ignored
    EXPECT_FALSE(r.takeScan());
}

TEST(Registry, ReplyRecordsCarryTheSocketAndDropTheOldest) {
    Registry r;
    std::vector<uint8_t> record(159, 0xAA);
    EXPECT_FALSE(r.takeReply(ReplyKind::Net, record.data()));
    EXPECT_EQ(record, std::vector<uint8_t>(159, 0xAA));  // untouched when nothing waits

    for (size_t i = 0; i < kMaxQueuedReplies + 2; ++i)
        r.pushReply(ReplyKind::Net, static_cast<int32_t>(i + 1),
                    wire::Bytes(155, static_cast<uint8_t>(i)));
    r.pushReply(ReplyKind::Param, 7, wire::Bytes{1, 0});
    r.pushReply(ReplyKind::Param, 7, wire::Bytes{1, 0, 0});  // wrong size: ignored
    ASSERT_TRUE(r.takeReply(ReplyKind::Net, record.data()));
    EXPECT_EQ(tarifon::le::readI32(record.data()), 3);
    EXPECT_EQ(record[4], 2);
    EXPECT_EQ(record[158], 2);

    std::vector<uint8_t> param(6, 0xAA);
    ASSERT_TRUE(r.takeReply(ReplyKind::Param, param.data()));
    EXPECT_EQ(param, (std::vector<uint8_t>{7, 0, 0, 0, 1, 0}));
    EXPECT_FALSE(r.takeReply(ReplyKind::Param, param.data()));
    EXPECT_EQ(replyRecordBytes(ReplyKind::Upd), 214u);
    EXPECT_EQ(replyRecordBytes(ReplyKind::Wlan), 52u);
    EXPECT_EQ(replyRecordBytes(ReplyKind::MacAddr), 22u);
}

// A two-code report comes out as two consecutive entries, and a full queue drops
// whole reports, even when the first half has already been taken.
TEST(Registry, ResponsePairsAreNeverSplit) {
    Registry r;
    r.pushResponse(1, 390, 5);
    r.pushResponse(2, 374, std::nullopt);
    int32_t socket = 0, code = 0;
    ASSERT_TRUE(r.takeResponse(socket, code));
    EXPECT_EQ(code, 390);
    for (size_t i = 0; i < kMaxQueuedResponses + 10; ++i)
        r.pushResponse(3, 372, std::nullopt);
    ASSERT_TRUE(r.takeResponse(socket, code));
    EXPECT_EQ(socket, 1);
    EXPECT_EQ(code, 5);

    Registry full;
    full.pushResponse(1, 390, 7);
    for (size_t i = 1; i < kMaxQueuedResponses; ++i)
        full.pushResponse(2, 370, std::nullopt);
    full.pushResponse(2, 378, std::nullopt);  // drops the oldest item: the whole pair
    size_t n = 0;
    while (full.takeResponse(socket, code)) {
        EXPECT_NE(code, 390);
        EXPECT_NE(code, 7);
        ++n;
    }
    EXPECT_EQ(n, kMaxQueuedResponses);
    EXPECT_EQ(code, 378);
}

// The wake-up: readable once a scan waits in an empty queue; cleared by reading, and
// raised again by the next scan into an emptied queue.
TEST(Registry, ScanEventWakesTheTakerWhenTheQueueStopsBeingEmpty) {
    Registry r;
    const int32_t a = add(r);
    const auto readable = [&r] {
        pollfd p{r.scanEventFd(), POLLIN, 0};
        return ::poll(&p, 1, 0) == 1;
    };
    const auto clear = [&r] {
        uint64_t count = 0;
        return ::read(r.scanEventFd(), &count, sizeof count) == sizeof count;
    };
    ASSERT_GE(r.scanEventFd(), 0);
    EXPECT_FALSE(readable());
    r.pushScan(a, 1, "1");
    r.pushScan(a, 2, "2");
    EXPECT_TRUE(readable());
    EXPECT_TRUE(clear());
    EXPECT_FALSE(readable());
    while (r.takeScan()) {
    }
    r.pushScan(a, 3, "3");
    EXPECT_TRUE(readable());
}
