#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <boost/asio.hpp>

#include "termsim/Connection.h"
#include "termsim/LatencyStats.h"
#include "termsim/Options.h"
#include "base/Result.h"
#include "termsim/Runner.h"
#include "termsim/WebClient.h"

namespace termsim {

// Codes for load mode: one per line (UTF-8), blank lines skipped, converted to
// Windows-1252.  An empty list or a code the wire cannot carry is an error.
tarifon::Result<std::vector<std::string>> loadCodes(const std::string& path);

// Many terminals in one process on one thread: connect them all, then scan on
// a fixed schedule per terminal (or stay idle) for the duration, then report.
class LoadRun {
public:
    LoadRun(const Options& options, const RunIo& io);
    ~LoadRun();
    int run();

private:
    using Clock = std::chrono::steady_clock;
    struct Slot;
    enum class Phase { Connecting, Running, Idle, Draining, Done };

    void settled();
    void startRunning();
    void tick(Slot& slot);
    void sendScan(Slot& slot);
    void scanEnded(Slot& slot);
    void endWindow();
    void finish();

    const Options& m_options;
    const RunIo& m_io;
    asio::io_context m_context;
    asio::steady_timer m_timer;  // connect deadline, then end of the window
    asio::signal_set m_signals;
    std::vector<std::string> m_codes;
    std::vector<std::unique_ptr<Slot>> m_slots;
    Phase m_phase = Phase::Connecting;
    int m_settled = 0;
    std::string m_firstFailure;
    Clock::time_point m_start, m_end;
    Clock::duration m_period{};
    std::vector<double> m_latenciesMs;
    LoadReport m_report;
    int m_status = 0;
};

}  // namespace termsim
