#include <csignal>

#include <gtest/gtest.h>

#include "ProgramTest.h"
#include "support/RawTerminal.h"
#include "support/TermsimProcess.h"

namespace {

using MalformedClientE2e = ProgramTest;

using namespace std::chrono_literals;

constexpr uint8_t kWelcome = 0x81;
constexpr uint8_t kBye = 0x94;
constexpr uint8_t kProtocolError = 1;

// "dropped" when the client got, after any keep-alives, Bye(ProtocolError) and
// then the end of the connection; otherwise what went wrong.
std::string howTheServerEnded(RawTerminal& client) {
    const RawTerminal::Received received = client.readUntilClosed(10s);
    if (!received.closed) {
        return "connection still open";
    }
    const auto frames = RawTerminal::frames(received.bytes);
    if (frames.empty() || frames.back().type != kBye ||
        frames.back().payload != std::vector<uint8_t>{kProtocolError}) {
        return "no Bye(ProtocolError) before the close";
    }
    return "dropped";
}

}  // namespace

// Garbage bytes and frames announcing more than a terminal may send end those
// connections at once (without waiting for the announced bytes), while a terminal
// connected all along goes on getting its answers, and new ones are served.
TEST_F(MalformedClientE2e, BrokenClientsAreDroppedWhileAWellBehavedTerminalIsServed) {
    ASSERT_NO_FATAL_FAILURE(addDemoDatabase());
    ASSERT_NO_FATAL_FAILURE(start());

    const std::string leite = "7891000100103\tLeite Condensado Moça 395g\tR$6,99";
    TermsimProcess terminal({QStringLiteral("--server"), m_folder.server(),
                             QStringLiteral("--interactive"), QStringLiteral("--timeout"),
                             QStringLiteral("10")});
    terminal.writeLine(QStringLiteral("7891000100103"));
    ASSERT_EQ(terminal.waitForLine("7891000100103\t", 15s), leite);

    RawTerminal garbage;
    ASSERT_TRUE(garbage.connectTo(m_folder.port()));
    ASSERT_TRUE(garbage.send({'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '/', '1', '.', '1',
                              '\r', '\n', '\r', '\n'}));

    // Welcomed first, then a frame one byte over the limit, then the largest length.
    std::vector<RawTerminal> oversized(2);
    const std::vector<std::vector<uint8_t>> headers = {{0x01, 0x08, 0x00, 0x00, 0x02, 1, 2, 3},
                                                       {0xFF, 0xFF, 0xFF, 0xFF, 0x02, 1, 2, 3}};
    for (size_t i = 0; i < oversized.size(); ++i) {
        ASSERT_TRUE(oversized[i].connectTo(m_folder.port()));
        ASSERT_TRUE(oversized[i].send(RawTerminal::hello()));
        const auto welcome = RawTerminal::frames(oversized[i].read(11, 10s).bytes);
        ASSERT_EQ(welcome.size(), 1u) << "client " << i;
        EXPECT_EQ(welcome[0].type, kWelcome) << "client " << i;
        ASSERT_TRUE(oversized[i].send(headers[i]));
    }

    EXPECT_EQ(howTheServerEnded(garbage), "dropped") << "garbage client";
    for (size_t i = 0; i < oversized.size(); ++i) {
        EXPECT_EQ(howTheServerEnded(oversized[i]), "dropped") << "client " << i;
    }

    terminal.writeLine(QStringLiteral("7891910000197"));
    EXPECT_EQ(terminal.waitForLine("7891910000197\t", 15s),
              "7891910000197\tAçúcar Refinado União 1kg\tR$4,79");
    const auto result = terminal.finish(15s);
    EXPECT_EQ(result.exitCode, 0) << result.errors;

    const auto newcomer = runTermsim(scanArguments(m_folder.server(), {"7891000100103"}));
    EXPECT_EQ(newcomer.lines, std::vector<std::string>{leite}) << newcomer.errors;
    EXPECT_EQ(stop(SIGTERM), "exit 0");
}
