#include "support/TestTerminal.h"

#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace termlink;
using std::chrono::steady_clock;

TestTerminal::TestTerminal(uint16_t port, const char* host, const char* from) {
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    if (from) {
        int one = 1;  // the port is left to connect(): a storm must not run out of them
        ::setsockopt(m_fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &one, sizeof one);
        ::inet_pton(AF_INET, from, &addr.sin_addr);
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            close();
            return;
        }
    }
    addr.sin_port = htons(port);
    ::inet_pton(AF_INET, host, &addr.sin_addr);
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

TestTerminal::~TestTerminal() {
    close();
}

void TestTerminal::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool TestTerminal::sendRaw(std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (m_fd >= 0 && done < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return m_fd >= 0;
}

bool TestTerminal::send(const wire::Message& message) {
    return sendRaw(wire::encode(message));
}

bool TestTerminal::fill(steady_clock::time_point deadline) {
    if (m_fd < 0 || m_eof || m_decoder.failed())
        return false;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady_clock::now());
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(std::max<int64_t>(left.count(), 0))) <= 0)
        return true;
    uint8_t buffer[65536];
    const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
        m_eof = true;
        return false;
    }
    std::vector<wire::Frame> frames;
    const bool ok = m_decoder.feed(std::span(buffer, static_cast<size_t>(n)), frames);
    m_frames.insert(m_frames.end(), frames.begin(), frames.end());
    return ok;
}

std::optional<wire::Message> TestTerminal::receive(std::chrono::milliseconds timeout) {
    const auto deadline = steady_clock::now() + timeout;
    while (m_frames.empty()) {
        if (!fill(deadline) || steady_clock::now() >= deadline) {
            if (m_frames.empty())
                return std::nullopt;
        }
    }
    const wire::Frame frame = std::move(m_frames.front());
    m_frames.pop_front();
    return wire::decode(frame);
}

int32_t TestTerminal::handshake(int32_t model) {
    wire::Hello hello;
    hello.model = model;
    hello.mac = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
    hello.firmware = "test-1.0";
    if (!send(hello))
        return 0;
    const auto welcome = receiveAs<wire::Welcome>();
    return welcome ? welcome->socket : 0;
}

bool TestTerminal::waitClosed(std::chrono::milliseconds timeout, std::vector<wire::Message>* seen) {
    const auto deadline = steady_clock::now() + timeout;
    while (steady_clock::now() < deadline) {
        const bool open = fill(deadline);
        while (!m_frames.empty()) {
            auto m = wire::decode(m_frames.front());
            m_frames.pop_front();
            if (seen && m)
                seen->push_back(std::move(*m));
        }
        if (!open)
            return m_eof;
    }
    return false;
}

std::optional<wire::ByeReason> TestTerminal::expectBye(std::chrono::milliseconds timeout) {
    std::vector<wire::Message> seen;
    if (!waitClosed(timeout, &seen))
        return std::nullopt;
    for (const auto& m : seen) {
        if (const auto* bye = std::get_if<wire::Bye>(&m))
            return bye->reason;
    }
    return std::nullopt;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = steady_clock::now() + timeout;
    while (!condition()) {
        if (steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
