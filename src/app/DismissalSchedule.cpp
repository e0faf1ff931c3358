#include "app/DismissalSchedule.h"

#include <algorithm>

namespace tarifon {

void DismissalSchedule::open(Box box, Clock::time_point now) {
    m_pending.push_back({box, now + m_delay});
}

void DismissalSchedule::close(Box box) {
    std::erase_if(m_pending, [box](const Pending& pending) { return pending.box == box; });
}

std::vector<DismissalSchedule::Box> DismissalSchedule::takeDue(Clock::time_point now) {
    std::vector<Box> due;
    std::erase_if(m_pending, [&](const Pending& pending) {
        if (pending.deadline > now) {
            return false;
        }
        due.push_back(pending.box);
        return true;
    });
    return due;
}

std::optional<std::chrono::milliseconds> DismissalSchedule::untilNext(Clock::time_point now) const {
    const auto next = std::min_element(
        m_pending.begin(), m_pending.end(),
        [](const Pending& a, const Pending& b) { return a.deadline < b.deadline; });
    if (next == m_pending.end()) {
        return std::nullopt;
    }
    // Rounded up: a timer that fires before the deadline would find nothing due.
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::ceil<std::chrono::milliseconds>(next->deadline - now));
}

}  // namespace tarifon
