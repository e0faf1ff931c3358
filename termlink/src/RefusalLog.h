#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/OncePerPeriod.h"

// What the operator is told about refused connections (from outside the allow list, or
// too many too fast): at most one line per address, reason and minute, so a scanner on
// the internet cannot flood the log.  The first refusal is told at once; those that
// follow within its minute are counted and told together when the minute is over.
// Network thread only.
namespace termlink {

class RefusalLog {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kPeriod{60};
    // Addresses followed one by one; refusals from further addresses are told together.
    static constexpr size_t kMaxAddresses = 1024;

    // The line to write now, if any.  `why` is told in brackets after the address.
    std::optional<std::string> refused(const std::string& address, Clock::time_point now,
                                       std::string_view why = "not in allow list");
    // The lines whose minute is over; addresses with nothing left to tell are forgotten.
    std::vector<std::string> due(Clock::time_point now);
    // When due() next has a line to give.
    std::optional<Clock::time_point> nextDue() const;

private:
    using Key = std::pair<std::string, std::string>;  // address, why
    static std::string line(const Key& key, uint64_t count);

    tarifon::OncePerPeriod<Key> m_counts{kPeriod, kMaxAddresses, [](const Key& key) {
                                             return Key{"other addresses", key.second};
                                         }};
};

}  // namespace termlink
