#include <chrono>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "app/ServiceWatchdog.h"

using namespace tarifon;
using namespace std::chrono_literals;

namespace {

struct Pings {
    int ready = 0;
    int alive = 0;
    void operator()(const char* state) {
        (std::strcmp(state, "READY=1") == 0 ? ready : alive) += 1;
    }
};

// Runs the thread's events until `pings` counts `atLeast` pings; a minute at most.
void runUntil(const Pings& pings, int atLeast) {
    for (int i = 0; i < 60000 && pings.alive < atLeast; ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
}

}  // namespace

// A ping from any other thread would keep a hung service alive.
TEST(ServiceWatchdog, PingsOnlyWhileItsThreadRunsItsEvents) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    Pings pings;
    ServiceWatchdog watchdog(std::ref(pings), 20ms);
    watchdog.start();
    EXPECT_EQ(pings.ready, 1);
    runUntil(pings, 3);
    ASSERT_GE(pings.alive, 3);

    const int before = pings.alive;
    std::this_thread::sleep_for(200ms);  // the thread hangs: ten pings due
    EXPECT_EQ(pings.alive, before);
    runUntil(pings, before + 1);
    EXPECT_GT(pings.alive, before);

    Pings unwatched;
    ServiceWatchdog off(std::ref(unwatched), 0ms);
    off.start();
    std::this_thread::sleep_for(50ms);
    QCoreApplication::processEvents();
    EXPECT_EQ(unwatched.ready, 1);
    EXPECT_EQ(unwatched.alive, 0);
}
