#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include <boost/asio.hpp>

#include "termsim/Connection.h"
#include "termsim/Options.h"
#include "termsim/Runner.h"

namespace termsim {

// One terminal: scans from the command line or standard input, or just serves
// the server (listen mode).  One scan at a time; a reply counts only when its
// sequence number matches the scan still waiting.
class SingleRun : public Connection::Listener {
public:
    SingleRun(const Options& options, const RunIo& io);
    int run();

private:
    void onEvent(Connection& connection, const Event& event) override;
    void onClosed(Connection& connection, const std::string& why) override;

    void welcomed();
    void nextScan();
    void answered(const std::string& line);
    void readInput();
    void takeInput(std::string_view chunk, bool end);
    void finish(int status);
    int scanStatus() const { return m_missed ? 1 : 0; }
    void print(const std::string& line);
    void warn(const std::string& text);

    const Options& m_options;
    const RunIo& m_io;
    asio::io_context m_context;
    asio::steady_timer m_timer;     // welcome, then reply time-out
    asio::steady_timer m_duration;  // listen mode, and lingering after --scan
    asio::signal_set m_signals;
    std::optional<asio::posix::stream_descriptor> m_input;
    int m_inputFlags = -1;
    std::string m_inputBuffer;
    std::string m_partialLine;
    std::shared_ptr<Connection> m_connection;
    std::deque<std::string> m_queue;  // codes (UTF-8) still to scan
    std::optional<std::pair<uint32_t, std::string>> m_waiting;
    bool m_welcomed = false;
    bool m_inputDone = false;
    bool m_missed = false;
    std::optional<int> m_status;
};

}  // namespace termsim
