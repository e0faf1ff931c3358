#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "termlink/Settings.h"

using namespace termlink;
using namespace std::chrono_literals;

TEST(Settings, DefaultsWhenNothingIsSet) {
    const auto s = parseSettings("");
    EXPECT_EQ(s.config.address, "0.0.0.0");
    EXPECT_EQ(s.config.port, 48731);
    EXPECT_EQ(s.config.idleTimeout, 30s);
    EXPECT_EQ(s.config.handshakeTimeout, 10s);
    EXPECT_TRUE(s.problems.empty());
    EXPECT_TRUE(loadSettings("/nonexistent/termlink.ini").problems.empty());
}

TEST(Settings, ReadsTheServerSectionCaseInsensitively) {
    const auto s = parseSettings(
        "\xEF\xBB\xBF; comment\r\n"
        "[other]\nport = 1\n"
        "[ Server ]\r\n"
        "  Address = \"127.0.0.1\"  \r\n"
        "PORT=0\n"
        "# another comment\n"
        "idle_timeout = 45\n"
        "handshake_timeout=3\n"
        "connect_rate = 0\n"
        "Connect_Burst = 1\n");
    EXPECT_TRUE(s.problems.empty()) << s.problems.front();
    EXPECT_EQ(s.config.address, "127.0.0.1");
    EXPECT_EQ(s.config.port, 0);
    EXPECT_EQ(s.config.idleTimeout, 45s);
    EXPECT_EQ(s.config.handshakeTimeout, 3s);
    EXPECT_EQ(s.config.connectLimit.perSecond, 0u);
    EXPECT_EQ(s.config.connectLimit.burst, 1u);
}

TEST(Settings, BadValuesKeepTheirDefaultAndAreReported) {
    const auto s = parseSettings(
        "[server]\n"
        "address = shop-server\n"
        "port = 70000\n"
        "idle_timeout = 0\n"
        "handshake_timeout = 5s\n"
        "connect_rate = -1\n"
        "connect_burst = 0\n"
        "colour = blue\n"
        "just text\n"
        "[broken\n");
    EXPECT_EQ(s.config.address, "0.0.0.0");
    EXPECT_EQ(s.config.port, 48731);
    EXPECT_EQ(s.config.idleTimeout, 30s);
    EXPECT_EQ(s.config.handshakeTimeout, 10s);
    EXPECT_EQ(s.config.connectLimit.burst, ConnectionRate::Limit{}.burst);
    ASSERT_EQ(s.problems.size(), 9u);
    EXPECT_NE(s.problems[0].find("line 2"), std::string::npos);
    EXPECT_NE(s.problems[1].find("port"), std::string::npos);
}

// Any shorter, and terminals that only answer the program's 3-second keep-alives drop.
TEST(Settings, IdleTimeoutIsRaisedToItsMinimum) {
    const auto s = parseSettings("[server]\nidle_timeout = 4\n");
    EXPECT_EQ(s.config.idleTimeout, 10s);
    EXPECT_EQ(s.problems,
              std::vector<std::string>{"line 2: idle_timeout below the minimum of 10 s; using 10"});
}

// A list that does not parse keeps the default: the server still starts, as private.
TEST(Settings, AllowListIsReadAndABadOneKeepsTheDefault) {
    const auto good = parseSettings("[server]\nallow = \"10.0.0.0/8, 2001:db8::/32\"\n");
    EXPECT_TRUE(good.problems.empty());
    EXPECT_EQ(good.config.allow.text(), "10.0.0.0/8, 2001:db8::/32");
    const auto bad = parseSettings("[server]\nallow = 10.0.0.0/8 10.0.0.0/40\n");
    EXPECT_EQ(bad.config.allow.text(), AllowList::privateNetworks().text());
    EXPECT_EQ(bad.problems,
              std::vector<std::string>{"line 2: allow: '10.0.0.0/40' is not an IP address or "
                                       "network (address/prefix); using " +
                                       AllowList::privateNetworks().text()});
}

TEST(Settings, FileLocationAndUnreadableFile) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("termlink-settings-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto ini = (dir / "termlink.ini").string();
    std::ofstream(ini) << "[server]\nport=4000\n";
    EXPECT_EQ(loadSettings(ini).config.port, 4000);
    const auto unreadable = loadSettings(dir.string());  // a folder, not a file
    ASSERT_EQ(unreadable.problems.size(), 1u);
    EXPECT_EQ(unreadable.config.port, 48731);

    ::setenv("TERMLINK_INI", ini.c_str(), 1);
    EXPECT_EQ(settingsPath(), ini);
    ::unsetenv("TERMLINK_INI");
    EXPECT_EQ(std::filesystem::path(settingsPath()).filename(), "termlink.ini");
    EXPECT_TRUE(std::filesystem::path(settingsPath()).is_absolute());
    std::filesystem::remove_all(dir);
}
