#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

// A bare TCP client on loopback that sends whatever bytes a test gives it: the
// stand-in for a broken or hostile terminal, which termsim never is.
class RawTerminal {
public:
    struct Frame {
        uint8_t type = 0;
        std::vector<uint8_t> payload;
    };
    struct Received {
        std::vector<uint8_t> bytes;
        bool closed = false;  // the server closed the connection within the limit
    };

    RawTerminal() = default;
    ~RawTerminal();
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

    bool connectTo(uint16_t port);
    bool send(const std::vector<uint8_t>& bytes);
    // Reads until `count` bytes have arrived, the server closes or the limit passes.
    Received read(size_t count, std::chrono::milliseconds limit);
    // Reads until the server closes the connection or the limit passes.
    Received readUntilClosed(std::chrono::milliseconds limit);

    // Whole frames at the front of `bytes`; a trailing partial frame is left out.
    static std::vector<Frame> frames(const std::vector<uint8_t>& bytes);
    // A valid Hello: magic, version 1, model 1, a fixed MAC address, firmware "v".
    static std::vector<uint8_t> hello();

private:
    int m_fd = -1;
};
