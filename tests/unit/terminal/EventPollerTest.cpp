#include "terminal/EventPoller.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/FakeTerminalLibrary.h"

using namespace tarifon;

namespace {

// Records every sink call in order as one readable line.
class RecordingSink : public PollerSink {
public:
    std::vector<std::string> events;
    std::function<bool(int32_t, const QString&)> onLookup;

    bool lookupPrice(int32_t socket, const QString& code) override {
        events.push_back("lookup " + std::to_string(socket) + " " + code.toStdString());
        return onLookup ? onLookup(socket, code) : true;
    }
    void configReply(ReplyKind kind, std::span<const uint8_t> record) override {
        events.push_back("reply " + std::to_string(static_cast<int>(kind)) + " size " +
                         std::to_string(record.size()) + " byte5 " + std::to_string(record[5]));
    }
    void lampGreen(Lamp lamp) override {
        events.push_back("lamp " + std::to_string(static_cast<int>(lamp)));
    }
    void appendLog(const QString& line) override { events.push_back("log " + line.toStdString()); }
    void startImageWorker(int32_t socket) override {
        events.push_back("worker " + std::to_string(socket));
    }
};

using Events = std::vector<std::string>;

class EventPollerTest : public ::testing::Test {
protected:
    FakeTerminalLibrary library;
    RecordingSink sink;
    EventPoller poller{library, sink};
};

std::vector<uint8_t> reply(size_t size, uint8_t firstByte, uint8_t marker) {
    std::vector<uint8_t> record(size, 0);
    record[0] = firstByte;
    record[5] = marker;
    return record;
}

TEST_F(EventPollerTest, LooksUpTheCodeAfterTheLeadingByteThenLogsIt) {
    library.queueBarcode(7, "7891234567895");
    library.queueBarcode(8, "Caf\xE9");
    poller.tick();
    EXPECT_EQ(sink.events, (Events{"lookup 7 7891234567895", "log #7891234567895"}));

    sink.events.clear();
    poller.tick();
    EXPECT_EQ(sink.events, (Events{"lookup 8 Café", "log #Café"}));
}

TEST_F(EventPollerTest, IgnoresABarcodeUnlessTrueWithPositiveLength) {
    library.queueBarcode(1, "111", 0);
    library.queueBarcode(1, "222", -3);
    library.queueBarcode(1, "333", 3, false);
    for (int i = 0; i < 3; ++i)
        poller.tick();
    EXPECT_TRUE(sink.events.empty());
}

TEST_F(EventPollerTest, TakesOneBarcodePerTick) {
    library.queueBarcode(1, "111");
    library.queueBarcode(2, "222");
    poller.tick();
    EXPECT_EQ(sink.events, (Events{"lookup 1 111", "log #111"}));
    poller.tick();
    EXPECT_EQ(sink.events, (Events{"lookup 1 111", "log #111", "lookup 2 222", "log #222"}));
}

TEST_F(EventPollerTest, PollsInTheFixedOrderEveryTick) {
    poller.tick();
    EXPECT_EQ(library.callNames(),
              (std::vector<std::string>{"bReceiveBarcode", "bReceiveParam", "bReceiveUpdConfig",
                                        "bReceiveWlanConfig", "bReceiveMacAddrConfig",
                                        "bReceiveConfig", "GetResponseCtr"}));
}

TEST_F(EventPollerTest, HandsFilledRepliesOverInOrderWithTheirLamps) {
    // Queued out of order; a reply whose first field stays zero is no reply.
    library.queueReply("config", reply(159, 1, 17));
    library.queueReply("mac", reply(22, 0, 99));
    library.queueReply("wlan", reply(52, 3, 13));
    library.queueReply("updconfig", reply(214, 2, 12));
    library.queueReply("param", reply(6, 0, 0));
    poller.tick();
    EXPECT_EQ(sink.events,
              (Events{"lamp 5", "reply 1 size 214 byte5 12", "lamp 10", "reply 2 size 52 byte5 13",
                      "lamp 7", "reply 4 size 159 byte5 17"}));

    // Only the high byte of the first field set still counts as filled.
    std::vector<uint8_t> param(6, 0);
    param[3] = 0x80;
    param[5] = 21;
    library.queueReply("param", param);
    sink.events.clear();
    poller.tick();
    EXPECT_EQ(sink.events, (Events{"lamp 8", "reply 0 size 6 byte5 21"}));
}

TEST_F(EventPollerTest, LogsResponsesAndPairsCode390WithTheNextEntry) {
    library.queueResponse(3, 372);
    library.queueResponse(3, 390);
    library.queueResponse(3, 5);
    library.queueResponse(3, 371);
    library.queueResponse(3, 0);
    library.queueResponse(3, 0x1234A);
    library.queueResponse(3, -1);
    poller.tick();
    EXPECT_EQ(sink.events,
              (Events{"lamp 1", "log Response: 0174", "log Response: 0186/05", "log Response: 0173",
                      "log Response: 1234A", "log Response: FFFFFFFF"}));
}

TEST_F(EventPollerTest, Code390AsLastEntryIsLoggedAlone) {
    library.queueResponse(3, 390);
    poller.tick();
    EXPECT_EQ(sink.events, (Events{"log Response: 0186"}));
    EXPECT_EQ(library.callsNamed("GetResponseCtr").size(), 3u);
}

// A terminal that floods responses must not hold the user-interface thread: each tick
// takes a bounded share and the rest wait, the 390 pair staying on one line.
TEST_F(EventPollerTest, TakesAtMostACappedNumberOfResponsesPerTick) {
    const int cap = EventPoller::kMaxResponsesPerTick;
    for (int i = 0; i < cap - 1; ++i)
        library.queueResponse(3, 0x1000 + i);
    library.queueResponse(3, 390);
    library.queueResponse(3, 5);
    library.queueResponse(3, 371);
    poller.tick();
    ASSERT_EQ(sink.events.size(), static_cast<size_t>(cap));
    EXPECT_EQ(sink.events.front(), "log Response: 1000");
    EXPECT_EQ(sink.events.back(), "log Response: 0186/05");

    sink.events.clear();
    poller.tick();
    EXPECT_EQ(sink.events, (Events{"log Response: 0173"}));
}

TEST_F(EventPollerTest, ResponseCodesTurnTheirLampsGreenAnd392StartsTheWorker) {
    for (int32_t code : {370, 374, 378, 386, 388, 392, 400})
        library.queueResponse(12, code);
    poller.tick();
    EXPECT_EQ(sink.events, (Events{"lamp 4", "log Response: 0172", "lamp 2", "log Response: 0176",
                                   "lamp 3", "log Response: 017A", "lamp 9", "log Response: 0182",
                                   "lamp 6", "log Response: 0184", "worker 12",
                                   "log Response: 0188", "lamp 11", "log Response: 0190"}));
}

TEST_F(EventPollerTest, FailedLookupEndsTheTickAndTheNextTickCatchesUp) {
    library.queueBarcode(4, "999");
    library.queueReply("param", reply(6, 1, 0));
    library.queueResponse(4, 374);
    sink.onLookup = [](int32_t, const QString&) { return false; };
    poller.tick();
    EXPECT_EQ(sink.events, (Events{"lookup 4 999"}));
    EXPECT_EQ(library.callNames(), (std::vector<std::string>{"bReceiveBarcode"}));

    sink.events.clear();
    poller.tick();
    EXPECT_EQ(sink.events,
              (Events{"lamp 8", "reply 0 size 6 byte5 0", "lamp 2", "log Response: 0176"}));
}

TEST_F(EventPollerTest, NestedTickInsideALookupLeavesTheOuterTickIntact) {
    library.queueBarcode(1, "1111111111111");
    library.queueBarcode(2, "22");
    library.queueResponse(1, 372);
    library.queueResponse(1, 390);
    library.queueResponse(1, 7);
    bool nested = false;
    sink.onLookup = [&](int32_t, const QString&) {
        // The lookup's modal box lets the timer run another tick inside this one.
        if (!nested) {
            nested = true;
            poller.tick();
        }
        return true;
    };
    library.queueResponse(2, 374);
    poller.tick();
    EXPECT_EQ(sink.events, (Events{"lookup 1 1111111111111", "lookup 2 22", "log #22", "lamp 1",
                                   "log Response: 0174", "log Response: 0186/07", "lamp 2",
                                   "log Response: 0176", "log #1111111111111"}));
}

}  // namespace

// The high-volume mode: a tick hands every waiting scan over while the queue has room,
// never more than the cap, and logs nothing itself; the rest of the tick still runs.
TEST_F(EventPollerTest, QueueModeHandsScansOverWhileThereIsRoomUpToTheCap) {
    struct Queue : ScanQueue {
        size_t room = 2;
        std::vector<std::string> scans;
        bool hasRoom() const override { return scans.size() < room; }
        void submit(int32_t socket, const QString& code) override {
            scans.push_back(std::to_string(socket) + " " + code.toStdString());
        }
    } queue;
    poller.setScanQueue(&queue);
    library.queueBarcode(1, "111");
    library.queueBarcode(2, "222", 0);  // taken from the library, handed to nobody
    library.queueBarcode(3, "333");
    library.queueBarcode(4, "444");
    library.queueResponse(4, 374);
    poller.tick();
    EXPECT_EQ(queue.scans, (Events{"1 111", "3 333"}));
    EXPECT_EQ(sink.events, (Events{"lamp 2", "log Response: 0176"}));

    const int waiting = EventPoller::kMaxScansPerTick + 5;
    for (int i = 0; i < waiting; ++i)
        library.queueBarcode(9, std::to_string(i));
    queue.room = 1000;
    EXPECT_EQ(poller.takeScans(), EventPoller::kMaxScansPerTick);
    EXPECT_EQ(queue.scans[2], "4 444");
    EXPECT_EQ(poller.takeScans(), 6);
    EXPECT_EQ(queue.scans.size(), 3u + waiting);
    EXPECT_EQ(queue.scans.back(), "9 " + std::to_string(waiting - 1));
}
