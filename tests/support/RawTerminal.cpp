#include "support/RawTerminal.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

RawTerminal::~RawTerminal() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool RawTerminal::connectTo(uint16_t port) {
    m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_fd < 0) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

bool RawTerminal::send(const std::vector<uint8_t>& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        // MSG_NOSIGNAL: a server that has already hung up must not kill the test with SIGPIPE.
        const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

RawTerminal::Received RawTerminal::read(size_t count, std::chrono::milliseconds limit) {
    Received received;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (received.bytes.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd descriptor{m_fd, POLLIN, 0};
        if (::poll(&descriptor, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        uint8_t buffer[4096];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            // A reset after the server's Bye counts as closed too.
            received.closed = true;
            break;
        }
        received.bytes.insert(received.bytes.end(), buffer, buffer + n);
    }
    return received;
}

RawTerminal::Received RawTerminal::readUntilClosed(std::chrono::milliseconds limit) {
    return read(SIZE_MAX, limit);
}

std::vector<RawTerminal::Frame> RawTerminal::frames(const std::vector<uint8_t>& bytes) {
    std::vector<Frame> result;
    size_t at = 0;
    while (bytes.size() - at >= 5) {
        const uint32_t length = bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                static_cast<uint32_t>(bytes[at + 3]) << 24;
        if (length == 0 || bytes.size() - at - 4 < length) {
            break;
        }
        result.push_back({bytes[at + 4], std::vector<uint8_t>(bytes.begin() + at + 5,
                                                              bytes.begin() + at + 4 + length)});
        at += 4 + length;
    }
    return result;
}

std::vector<uint8_t> RawTerminal::hello() {
    return {0x13, 0x00, 0x00, 0x00, 0x01, 'T',  'R',  'F',  'N',  0x01, 0x00, 0x01,
            0x00, 0x00, 0x00, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x01, 'v'};
}
