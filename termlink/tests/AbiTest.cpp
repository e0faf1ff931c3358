// Drives the real libtermlink.so through its C functions only.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "base/LittleEndian.h"
#include "support/TestBytes.h"
#include "support/TestTerminal.h"
#include <termlink.h>

using namespace termlink;

namespace {

// Holds a loopback port so that the library cannot bind it.
struct PortBlocker {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    uint16_t port = 0;
    PortBlocker() {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(fd, 1);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
    }
    ~PortBlocker() { release(); }
    void release() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

// Calls tc_startserver and returns what it wrote on standard error.
std::string startServer(int32_t& result) {
    testing::internal::CaptureStderr();
    result = tc_startserver();
    return testing::internal::GetCapturedStderr();
}

}  // namespace

TEST(TermlinkAbi, ServesATerminalThroughTheCFunctions) {
    // Before vInitialize every call answers "nothing".
    std::vector<uint8_t> table(TERMLINK_TABSOCK_SIZE, 0xEE);
    GetTabConectados(table.data(), 1);
    EXPECT_EQ(table, std::vector<uint8_t>(TERMLINK_TABSOCK_SIZE, 0));
    char buffer[TERMLINK_BARCODE_BUFFER_SIZE] = {};
    int32_t socket = 0, spare = 0, length = 0;
    EXPECT_EQ(bReceiveBarcode(&socket, &spare, buffer, &length), 0);
    EXPECT_EQ(iTypeTerm(1), 0);
    EXPECT_EQ(bEnviaVivo(1), 0);
    EXPECT_EQ(dll_version(), 0x00010000u);

    const auto dir =
        std::filesystem::temp_directory_path() / ("termlink-abi-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto ini = (dir / "termlink.ini").string();
    PortBlocker blocker;
    std::ofstream(ini) << "[server]\naddress = 127.0.0.1\nport = " << blocker.port
                       << "\nidle_timeout = 30\n[web]\naddress = 127.0.0.1\nport = 0\n";
    ::setenv("TERMLINK_INI", ini.c_str(), 1);

    vInitialize();
    vInitialize();
    int32_t started = 0;
    // The port is taken: the result says no, standard error says why.
    const std::string refused = startServer(started);
    EXPECT_EQ(started, 0);
    EXPECT_NE(refused.find("termlink: cannot listen on 127.0.0.1:" + std::to_string(blocker.port) +
                           ": Address already in use\n"),
              std::string::npos)
        << refused;
    blocker.release();
    // A retry succeeds once it is free, and says where it listens.
    EXPECT_EQ(startServer(started),
              "termlink: listening on 127.0.0.1:" + std::to_string(blocker.port) + "\n");
    ASSERT_NE(started, 0);
    EXPECT_NE(tc_startserver(), 0);  // and again while listening

    TestTerminal terminal(blocker.port);
    ASSERT_TRUE(terminal.connected());
    const int32_t mine = terminal.handshake(3);
    ASSERT_GT(mine, 0);
    ASSERT_TRUE(waitUntil([&] {
        GetTabConectados(table.data(), 1);
        return tarifon::le::readI32(&table[8192]) == 1;
    }));
    EXPECT_EQ(tarifon::le::readI32(&table[0]), mine);
    char text[TERMLINK_NTOA_BUFFER_SIZE];
    TCinet_ntoa(static_cast<uint32_t>(tarifon::le::readI32(&table[4096])), text);
    EXPECT_STREQ(text, "127.0.0.1");
    EXPECT_EQ(iTypeTerm(mine), 3);

    ASSERT_TRUE(terminal.send(wire::Scan{31, "7891234567890"}));
    ASSERT_TRUE(waitUntil([&] { return bReceiveBarcode(&socket, &spare, buffer, &length) != 0; }));
    EXPECT_EQ(socket, mine);
    EXPECT_EQ(length, 13);
    EXPECT_STREQ(buffer + 1, "7891234567890");
    EXPECT_EQ(bSendProdPrice(socket, "Arroz 5kg", "R$24,90"), 1);
    const auto price = terminal.receiveAs<wire::Price>();
    ASSERT_TRUE(price);
    EXPECT_EQ(price->seq, 31u);
    EXPECT_EQ(price->description, "Arroz 5kg");
    EXPECT_EQ(price->price, "R$24,90");

    std::vector<uint8_t> record(TERMLINK_PARAM_SIZE, 0);
    EXPECT_EQ(bReceiveParam(record.data()), 0);
    ASSERT_TRUE(terminal.send(wire::ConfigReply{wire::Type::ParamReply, {1, 0}}));
    ASSERT_TRUE(waitUntil([&] { return bReceiveParam(record.data()) != 0; }));
    EXPECT_EQ(record, (std::vector<uint8_t>{static_cast<uint8_t>(mine), 0, 0, 0, 1, 0}));

    // Null pointers are refused, not dereferenced.
    EXPECT_EQ(bReceiveBarcode(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(bMandaConfig(nullptr), 0);
    GetTabConectados(nullptr, 1);
    TCinet_ntoa(0, nullptr);
    std::filesystem::remove_all(dir);
    // The library's own shutdown at exit runs while this terminal is still connected.
}

// The process may end while terminals talk and other threads call the library:
// the library's shutdown at exit must neither crash nor hang, and calls after it
// answer 0.
TEST(TermlinkAbiDeathTest, ExitMidTrafficEndsCleanly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const auto ini = std::filesystem::temp_directory_path() /
                             ("termlink-exit-" + std::to_string(::getpid()) + ".ini");
            std::ofstream(ini) << "[server]\naddress = 127.0.0.1\nport = 0\n";
            ::setenv("TERMLINK_INI", ini.c_str(), 1);
            // Runs after the library's own exit hook, which is registered later.
            std::atexit([] {
                if (bEnviaVivo(1) != 0 || iTypeTerm(1) != 0)
                    std::_Exit(5);
            });
            int32_t started = 0;
            const std::string said = startServer(started);
            const auto at = said.find("listening on 127.0.0.1:");
            if (started == 0 || at == std::string::npos)
                std::_Exit(3);
            const auto port = static_cast<uint16_t>(std::stoi(said.substr(at + 23)));
            std::filesystem::remove(ini);
            std::atomic<int> scans{0};
            for (int i = 0; i < 3; ++i) {
                std::thread([port, &scans] {
                    TestTerminal t(port);
                    if (t.handshake() <= 0)
                        return;
                    for (uint32_t seq = 0;; ++seq) {
                        if (!t.send(wire::Scan{seq, "123"}))
                            return;
                        ++scans;
                        t.receive(std::chrono::milliseconds(1));
                    }
                }).detach();
            }
            std::thread([] {
                char buffer[TERMLINK_BARCODE_BUFFER_SIZE];
                int32_t socket = 0, spare = 0, length = 0;
                while (true) {
                    if (bReceiveBarcode(&socket, &spare, buffer, &length))
                        bSendProdPrice(socket, "d", "p");
                    bSendDisplayMsg(socket, "a", "b", 1, 1);
                }
            }).detach();
            if (!waitUntil([&] { return scans > 300; }))
                std::_Exit(4);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
