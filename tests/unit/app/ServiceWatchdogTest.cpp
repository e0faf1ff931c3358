#include <chrono>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "app/ServiceWatchdog.h"

using namespace std::chrono_literals;

// A ping from any other thread would keep a hung service alive.
TEST(ServiceWatchdog, PingsOnlyWhileItsThreadRunsItsEvents) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    int ready = 0;
    int pings = 0;
    const auto count = [&](const char* state) {
        ++(std::strcmp(state, "READY=1") ? pings : ready);
    };
    // Runs the thread's events until `atLeast` pings; a minute at most.
    const auto runUntil = [&](int atLeast) {
        for (int i = 0; i < 60000 && pings < atLeast; ++i) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(1ms);
        }
    };
    {
        tarifon::ServiceWatchdog watchdog(count, 20ms);
        watchdog.start();
        EXPECT_EQ(ready, 1);
        runUntil(3);
        ASSERT_GE(pings, 3);

        const int before = pings;
        std::this_thread::sleep_for(200ms);  // the thread hangs: twenty pings due
        EXPECT_EQ(pings, before);
        runUntil(before + 1);
        EXPECT_GT(pings, before);
    }

    // Not watched: ready, and no ping (a timer of 0 ms would ping on every event).
    pings = 0;
    tarifon::ServiceWatchdog unwatched(count, 0ms);
    unwatched.start();
    QCoreApplication::processEvents();
    EXPECT_EQ(ready, 2);
    EXPECT_EQ(pings, 0);
}
