#include "app/DismissalSchedule.h"

#include <gtest/gtest.h>

using namespace tarifon;
using namespace std::chrono_literals;

namespace {

using Boxes = std::vector<DismissalSchedule::Box>;

// A box opened inside another is due at its own deadline, and a box the operator
// closed is never pressed.
TEST(DismissalSchedule, EachBoxIsDueOnceAtItsOwnDeadline) {
    const DismissalSchedule::Clock::time_point t0{};
    int outer = 0, closedEarly = 0, inner = 0;
    DismissalSchedule schedule;
    schedule.open(&outer, t0);
    schedule.open(&closedEarly, t0 + 1s);
    schedule.open(&inner, t0 + 2s);
    EXPECT_EQ(schedule.untilNext(t0), 5000ms);

    schedule.close(&closedEarly);
    EXPECT_EQ(schedule.takeDue(t0 + 4999ms), Boxes{});
    EXPECT_EQ(schedule.takeDue(t0 + 6500ms), Boxes{&outer});
    EXPECT_EQ(schedule.untilNext(t0 + 6500ms), 500ms);
    EXPECT_EQ(schedule.takeDue(t0 + 7s), Boxes{&inner});
    EXPECT_EQ(schedule.takeDue(t0 + 60s), Boxes{});
    EXPECT_EQ(schedule.untilNext(t0 + 60s), std::nullopt);
}

}  // namespace
