#include "termsim/TerminalState.h"

#include <fstream>

#include <gtest/gtest.h>

#include "support/TempDir.h"

using namespace termsim;

namespace {

TerminalState sampleState() {
    TerminalState s = defaultState(7);
    s.model = 3;
    s.firmware = "fw 2.1";
    s.net = {"192.168.0.10",
             "192.168.0.50",
             "255.255.255.0",
             "Promo\xE7\xE3o",
             "",
             "  spaced  ",
             "tab\there\nnew\\line",
             42};
    s.upd = {"192.168.0.1", "8.8.8.8", "Caixa 3", "ftp://upd.example/x", "op", "s=cr\x80t"};
    s.extras = {1, 2};
    s.wlan = {1, 255, "loja", 11, 0, "#key"};
    return s;
}

void expectSameState(const TerminalState& a, const TerminalState& b) {
    EXPECT_EQ(a.model, b.model);
    EXPECT_EQ(a.mac, b.mac);
    EXPECT_EQ(a.firmware, b.firmware);
    EXPECT_EQ(encodeNetConfig(a.net), encodeNetConfig(b.net));
    EXPECT_EQ(a.net.text4, b.net.text4);
    EXPECT_EQ(encodeUpdConfig(a.upd), encodeUpdConfig(b.upd));
    EXPECT_EQ(encodeExtras(a.extras), encodeExtras(b.extras));
    EXPECT_EQ(encodeWlanConfig(a.wlan), encodeWlanConfig(b.wlan));
}

}  // namespace

TEST(TerminalState, FileRoundTripKeepsEveryByte) {
    const TerminalState s = sampleState();
    const std::string text = formatStateFile(s);
    // One value per line however the texts look.
    EXPECT_NE(text.find("net.text4=tab\\there\\nnew\\\\line\n"), std::string::npos) << text;
    EXPECT_NE(text.find("net.text1=Promoção\n"), std::string::npos) << text;
    EXPECT_NE(text.find("mac=02:00:00:00:00:07\n"), std::string::npos) << text;
    auto parsed = parseStateFile(text, defaultState(1));
    ASSERT_TRUE(parsed) << parsed.error();
    expectSameState(parsed.value(), s);

    TempDir dir;
    const auto path = dir.path() / "state.txt";
    ASSERT_TRUE(saveStateFile(path, s));
    auto loaded = loadStateFile(path, defaultState(1));
    ASSERT_TRUE(loaded) << loaded.error();
    expectSameState(loaded.value(), s);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(TerminalState, PartialFileKeepsTheOtherValues) {
    const std::string text =
        "\xEF\xBB\xBF# written by hand\r\n\n  wlan.channel = 6 \r\nupd.user=  x \nmodel=1\n";
    auto parsed = parseStateFile(text, sampleState());
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed.value().wlan.channel, 6);
    EXPECT_EQ(parsed.value().upd.user, "  x ");  // texts keep their blanks
    EXPECT_EQ(parsed.value().model, 1);
    EXPECT_EQ(parsed.value().wlan.ssid, "loja");
    EXPECT_EQ(parsed.value().net.displayTime, 42);
}

TEST(TerminalState, MalformedFilesSayWhereAndWhy) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"model=2\nnonsense\n", "line 2: expected key=value"},
        {"net.colour=blue\n", "line 1: unknown key 'net.colour'"},
        {"wlan.channel=256\n", "0 to 255"},
        {"wlan.channel=-1\n", "0 to 255"},
        {"model=two\n", "whole number"},
        {"mac=02-00-00-00-00-01\n", "MAC"},
        {"net.text1=a\\qb\n", "unknown escape"},
        {"net.text1=a\\x4\n", "two hexadecimal"},
        {"net.text1=a\\\n", "backslash at the end"},
    };
    for (const auto& [text, expected] : cases) {
        auto parsed = parseStateFile(text, defaultState(1));
        ASSERT_FALSE(parsed) << text;
        EXPECT_NE(parsed.error().find(expected), std::string::npos) << parsed.error();
    }
}

TEST(TerminalState, LoadingMissingOrUnreadableFiles) {
    TempDir dir;
    auto missing = loadStateFile(dir.path() / "none.txt", sampleState());
    ASSERT_TRUE(missing) << missing.error();
    EXPECT_EQ(missing.value().wlan.ssid, "loja");

    // A folder where the file should be (tests run as root, so permissions prove nothing).
    auto folder = loadStateFile(dir.path(), sampleState());
    ASSERT_FALSE(folder);
    EXPECT_NE(folder.error().find("cannot read state file " + dir.path().string()),
              std::string::npos)
        << folder.error();

    std::ofstream(dir.path() / "bad.txt") << "wlan.mode=x\n";
    auto bad = loadStateFile(dir.path() / "bad.txt", sampleState());
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().find("bad.txt: line 1"), std::string::npos) << bad.error();

    EXPECT_FALSE(saveStateFile(dir.path() / "no" / "such" / "dir.txt", sampleState()));
}

TEST(TerminalState, RecordLayouts) {
    NetConfig net;
    net.server = "10.0.0.1";
    net.text4 = std::string(30, 'x');  // longer than its field
    net.displayTime = 255;
    const wire::Bytes r = encodeNetConfig(net);
    ASSERT_EQ(r.size(), wire::kNetConfigBytes);
    EXPECT_EQ(std::string(r.begin(), r.begin() + 9), std::string("10.0.0.1\0", 9));
    EXPECT_EQ(r[132 + 20], 'x');
    EXPECT_EQ(r[132 + 21], 0);  // cut to 21 bytes and terminated
    EXPECT_EQ(r[154], 255);
    EXPECT_EQ(decodeNetConfig(r).text4, std::string(21, 'x'));

    // A field filled to the brim is read to its end and not into the next one.
    wire::Bytes full(wire::kUpdConfigBytes, 'g');
    const UpdConfig upd = decodeUpdConfig(full);
    EXPECT_EQ(upd.gateway, std::string(22, 'g'));
    EXPECT_EQ(upd.updateServer, std::string(100, 'g'));
    UpdConfig named;
    named.terminalName = "Caixa";
    named.password = "pw";
    const wire::Bytes u = encodeUpdConfig(named);
    EXPECT_EQ(u[44], 'C');
    EXPECT_EQ(u[188], 'p');
    EXPECT_EQ(decodeUpdConfig(u).password, "pw");

    WlanConfig wlan{255, 1, "ssid", 11, 1, "k"};
    const wire::Bytes w = encodeWlanConfig(wlan);
    ASSERT_EQ(w.size(), wire::kWlanConfigBytes);
    EXPECT_EQ(w[0], 255);
    EXPECT_EQ(w[2], 's');
    EXPECT_EQ(w[24], 11);
    EXPECT_EQ(w[25], 1);
    EXPECT_EQ(w[26], 'k');
    EXPECT_EQ(decodeWlanConfig(w).ssid, "ssid");

    const wire::Bytes m = encodeMacReply(1, MacAddress{0x02, 0, 0, 0xAB, 0, 1});
    ASSERT_EQ(m.size(), wire::kMacAddrBytes);
    EXPECT_EQ(m[0], 1);
    EXPECT_EQ(std::string(m.begin() + 1, m.end()), "02:00:00:AB:00:01");
}
