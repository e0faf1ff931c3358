#pragma once

#include <chrono>
#include <optional>
#include <vector>

namespace tarifon {

// The deadlines of the open self-dismissing boxes, one per box, so that a box opened
// inside another (a poller tick runs inside an open box) neither delays the outer one
// nor is closed by its deadline.  Boxes are told apart by address: the window closes
// a box here when the box goes, so an address never stands for two boxes.
class DismissalSchedule {
public:
    using Clock = std::chrono::steady_clock;
    using Box = const void*;
    static constexpr std::chrono::milliseconds kDelay{5000};

    void setDelay(std::chrono::milliseconds delay) { m_delay = delay; }

    // The box opened at `now`: it is due kDelay later.
    void open(Box box, Clock::time_point now);
    // The box has gone, whoever closed it.
    void close(Box box);
    // The boxes due at `now`; they leave the schedule, so none is pressed twice.
    std::vector<Box> takeDue(Clock::time_point now);
    // How long until the next box is due; nothing when no box waits.
    std::optional<std::chrono::milliseconds> untilNext(Clock::time_point now) const;

private:
    struct Pending {
        Box box;
        Clock::time_point deadline;
    };

    std::vector<Pending> m_pending;
    std::chrono::milliseconds m_delay = kDelay;
};

}  // namespace tarifon
