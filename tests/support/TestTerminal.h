#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "wire/Wire.h"

// A terminal for tests: a blocking loopback TCP client speaking the wire codec, or
// sending whatever bytes a test gives it (a broken or hostile terminal, which
// termsim never is), with every wait bounded by a timeout; `from` is the address it
// comes from (any of 127.0.0.0/8: another device).
class TestTerminal {
public:
    explicit TestTerminal(uint16_t port, const char* host = "127.0.0.1",
                          const char* from = nullptr);
    ~TestTerminal();
    TestTerminal(const TestTerminal&) = delete;
    TestTerminal& operator=(const TestTerminal&) = delete;

    bool connected() const { return m_fd >= 0; }
    bool sendRaw(std::span<const uint8_t> bytes);
    bool send(const termlink::wire::Message& message);
    // Next message, or nullopt on timeout, hang-up or a stream that does not decode.
    std::optional<termlink::wire::Message> receive(
        std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Next message of type T, skipping KeepAlive frames.
    template <typename T>
    std::optional<T> receiveAs(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (true) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            auto m = receive(std::max(left, std::chrono::milliseconds(0)));
            if (!m)
                return std::nullopt;
            if (auto* t = std::get_if<T>(&*m))
                return std::move(*t);
            if (auto* c = std::get_if<termlink::wire::Command>(&*m);
                c && c->type == termlink::wire::Type::KeepAlive)
                continue;
            return std::nullopt;
        }
    }
    // Hello then Welcome; the socket value the server gave, 0 on failure.
    int32_t handshake(int32_t model = 2);
    // Whether the server hangs up within the timeout; messages that came first go to `seen`.
    bool waitClosed(std::chrono::milliseconds timeout,
                    std::vector<termlink::wire::Message>* seen = nullptr);
    // The Bye the server sent before hanging up, if any.
    std::optional<termlink::wire::ByeReason> expectBye(
        std::chrono::milliseconds timeout = std::chrono::seconds(5));
    void close();

private:
    // Reads what is there (waiting at most until `deadline`); false on hang-up or error.
    bool fill(std::chrono::steady_clock::time_point deadline);

    int m_fd = -1;
    bool m_eof = false;
    termlink::wire::FrameDecoder m_decoder{termlink::wire::kMaxServerBody};
    std::deque<termlink::wire::Frame> m_frames;
};

// Polls `condition` until it holds or the timeout passes.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));
