#include "terminal/ThreadStartFlags.h"

#include <chrono>
#include <future>
#include <memory>

#include <gtest/gtest.h>

using namespace tarifon;

namespace {

using namespace std::chrono_literals;
using HandOver = ThreadStartFlags::HandOver;

// A worker that holds back until the test releases it, then takes its socket.
// The detached thread shares ownership, so nothing it touches dies before it.
struct HeldWorker {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<int32_t> taken;
    std::future<int32_t> socket = taken.get_future();

    static ThreadStartFlags::Worker start(const std::shared_ptr<HeldWorker>& held) {
        return [held](ThreadStartFlags::Ticket ticket) {
            held->released.wait();
            held->taken.set_value(ticket.take());
        };
    }
};

TEST(ThreadStartFlags, WorkerTakesItsSocketBeforeThePollerMovesOn) {
    ThreadStartFlags flags;
    auto seen = std::make_shared<std::promise<std::pair<bool, int32_t>>>();
    auto result = seen->get_future();
    const HandOver outcome = flags.handOver(12, [&flags, seen](ThreadStartFlags::Ticket ticket) {
        const bool wasSet = flags.isSet(12);
        seen->set_value({wasSet, ticket.take()});
    });
    // The poller returns only once the worker has cleared the flag.
    EXPECT_EQ(outcome, HandOver::HandedOver);
    EXPECT_FALSE(flags.isSet(12));
    const auto [wasSet, socket] = result.get();
    EXPECT_TRUE(wasSet);
    EXPECT_EQ(socket, 12);
}

TEST(ThreadStartFlags, SocketsWithoutAFlagArePassedByValue) {
    ThreadStartFlags flags;
    for (int32_t socket : {5000, 1024, -1}) {
        // The worker holds back until the poller has returned: a poller that waited
        // on a flag would report a time-out instead.
        auto held = std::make_shared<HeldWorker>();
        EXPECT_EQ(flags.handOver(socket, HeldWorker::start(held), 50ms), HandOver::HandedOver);
        for (int32_t i = 0; i < ThreadStartFlags::kCount; ++i)
            ASSERT_FALSE(flags.isSet(i));
        held->release.set_value();
        EXPECT_EQ(held->socket.get(), socket);
    }
}

TEST(ThreadStartFlags, AWorkerThatDoesNotTakeItsSocketDoesNotHangThePoller) {
    ThreadStartFlags flags;
    auto held = std::make_shared<HeldWorker>();
    EXPECT_EQ(flags.handOver(12, HeldWorker::start(held), 50ms), HandOver::TimedOut);
    EXPECT_TRUE(flags.isSet(12));

    // The late worker still gets its own socket and clears the flag.
    held->release.set_value();
    EXPECT_EQ(held->socket.get(), 12);
    EXPECT_FALSE(flags.isSet(12));
}

TEST(ThreadStartFlags, AWorkerThatEndsWithoutTakingReleasesThePoller) {
    ThreadStartFlags flags;
    // A limit far beyond the test's patience: only the dropped ticket can end the wait.
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(flags.handOver(
                  7, [](ThreadStartFlags::Ticket) {}, 600s),
              HandOver::HandedOver);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 300s);
    EXPECT_FALSE(flags.isSet(7));
}

TEST(ThreadStartFlags, LaunchSetsNoFlagAndDoesNotWait) {
    ThreadStartFlags flags;
    auto held = std::make_shared<HeldWorker>();
    EXPECT_TRUE(flags.launch(33, HeldWorker::start(held)));
    EXPECT_FALSE(flags.isSet(33));
    held->release.set_value();
    EXPECT_EQ(held->socket.get(), 33);
}

}  // namespace
