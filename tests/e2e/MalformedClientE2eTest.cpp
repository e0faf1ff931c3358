#include <csignal>

#include <gtest/gtest.h>

#include "ProgramTest.h"
#include "support/TermsimProcess.h"
#include "support/TestTerminal.h"

namespace {

using MalformedClientE2e = ProgramTest;

using namespace std::chrono_literals;
namespace wire = termlink::wire;

// "dropped" when the client got, after any keep-alives, Bye(ProtocolError) and
// then the end of the connection; otherwise what went wrong.
std::string howTheServerEnded(TestTerminal& client) {
    const auto reason = client.expectBye(10s);
    if (!reason) {
        return "no Bye before the close, or still open";
    }
    return *reason == wire::ByeReason::ProtocolError ? "dropped" : "Bye for another reason";
}

}  // namespace

// Garbage bytes and frames announcing more than a terminal may send end those
// connections at once (without waiting for the announced bytes), while a terminal
// connected all along goes on getting its answers, and new ones are served.
TEST_F(MalformedClientE2e, BrokenClientsAreDroppedWhileAWellBehavedTerminalIsServed) {
    ASSERT_NO_FATAL_FAILURE(addDemoDatabase());
    ASSERT_NO_FATAL_FAILURE(start());

    const std::string leite = "7891000100103\tLeite Condensado Moça 395g\tR$6,99";
    TermsimProcess terminal({QStringLiteral("--server"), server(), QStringLiteral("--interactive"),
                             QStringLiteral("--timeout"), QStringLiteral("10")});
    terminal.writeLine(QStringLiteral("7891000100103"));
    ASSERT_EQ(terminal.waitForLine("7891000100103\t", 15s), leite);

    TestTerminal garbage(port());
    ASSERT_TRUE(garbage.connected());
    const std::string request = "GET / HTTP/1.1\r\n\r\n";
    ASSERT_TRUE(garbage.sendRaw(std::vector<uint8_t>(request.begin(), request.end())));

    // Welcomed first, then a frame one byte over the limit, then the largest length.
    const std::vector<std::vector<uint8_t>> headers = {{0x01, 0x08, 0x00, 0x00, 0x02, 1, 2, 3},
                                                       {0xFF, 0xFF, 0xFF, 0xFF, 0x02, 1, 2, 3}};
    std::vector<std::unique_ptr<TestTerminal>> oversized;
    for (size_t i = 0; i < headers.size(); ++i) {
        oversized.push_back(std::make_unique<TestTerminal>(port()));
        ASSERT_GT(oversized[i]->handshake(), 0) << "client " << i;
        ASSERT_TRUE(oversized[i]->sendRaw(headers[i]));
    }

    EXPECT_EQ(howTheServerEnded(garbage), "dropped") << "garbage client";
    for (size_t i = 0; i < oversized.size(); ++i) {
        EXPECT_EQ(howTheServerEnded(*oversized[i]), "dropped") << "client " << i;
    }

    terminal.writeLine(QStringLiteral("7891910000197"));
    EXPECT_EQ(terminal.waitForLine("7891910000197\t", 15s),
              "7891910000197\tAçúcar Refinado União 1kg\tR$4,79");
    const auto result = terminal.finish(15s);
    EXPECT_EQ(result.exitCode, 0) << result.errors;

    const auto newcomer = runTermsim(scanArguments(server(), {"7891000100103"}));
    EXPECT_EQ(newcomer.lines, std::vector<std::string>{leite}) << newcomer.errors;
    EXPECT_EQ(stop(SIGTERM), "exit 0");
}
