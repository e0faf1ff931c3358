#include "termsim/Terminal.h"

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "termsim/Lines.h"
#include "support/TempDir.h"

using namespace termsim;
using wire::Type;

namespace {

// The messages a list of frames carries, decoded as the server would.
std::vector<wire::Message> decodeAll(const std::vector<wire::Bytes>& frames) {
    std::vector<wire::Message> out;
    for (const wire::Bytes& bytes : frames) {
        wire::FrameDecoder decoder(wire::kMaxTerminalBody);
        std::vector<wire::Frame> decoded;
        EXPECT_TRUE(decoder.feed(bytes, decoded));
        EXPECT_EQ(decoded.size(), 1u);
        for (const auto& f : decoded) {
            auto m = wire::decode(f);
            EXPECT_TRUE(m) << "undecodable frame of type " << int(f.type);
            if (m)
                out.push_back(*m);
        }
    }
    return out;
}

std::vector<int32_t> responseCodes(const Outcome& outcome) {
    std::vector<int32_t> codes;
    for (const auto& m : decodeAll(outcome.frames)) {
        if (const auto* r = std::get_if<wire::Response>(&m))
            codes.push_back(r->code);
    }
    return codes;
}

wire::Bytes onlyRecord(const Outcome& outcome, Type type) {
    const auto messages = decodeAll(outcome.frames);
    EXPECT_EQ(messages.size(), 1u);
    if (messages.size() != 1)
        return {};
    const auto* reply = std::get_if<wire::ConfigReply>(&messages[0]);
    EXPECT_TRUE(reply && reply->type == type);
    return reply ? reply->record : wire::Bytes{};
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(Terminal, HelloCarriesIdentity) {
    TerminalState s = defaultState(0x01020304);
    s.model = 5;
    s.firmware = "fw";
    const auto messages = decodeAll({Terminal(s).hello()});
    ASSERT_EQ(messages.size(), 1u);
    const auto& hello = std::get<wire::Hello>(messages[0]);
    EXPECT_EQ(hello.model, 5);
    EXPECT_EQ(hello.mac, (MacAddress{2, 0, 1, 2, 3, 4}));
    EXPECT_EQ(hello.firmware, "fw");
    EXPECT_EQ(hello.version, wire::kProtocolVersion);
}

TEST(Terminal, ScansNumberedFromOne) {
    Terminal t(defaultState(1));
    uint32_t first = 0, second = 0;
    const auto a = decodeAll({t.scan("123", first)});
    t.scan("456", second);
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(second, 2u);
    EXPECT_EQ(std::get<wire::Scan>(a.at(0)).code, "123");
}

TEST(Terminal, WelcomeAsksForPicturesOnlyFromModelTwo) {
    TerminalState s = defaultState(1);
    for (const int32_t model : {-1, 0, 1, 2, 7}) {
        s.model = model;
        Terminal t(s);
        const Outcome out = t.handle(wire::Welcome{wire::kProtocolVersion, 17, 30000});
        EXPECT_EQ(responseCodes(out),
                  model >= 2 ? std::vector<int32_t>{392} : std::vector<int32_t>{})
            << "model " << model;
        ASSERT_EQ(out.events.size(), 1u);
        EXPECT_EQ(std::get<wire::Welcome>(out.events[0]).socket, 17);
    }
    // A Welcome of another protocol version is no welcome.
    const Outcome other = Terminal(s).handle(wire::Welcome{1, 17, 30000});
    EXPECT_TRUE(other.frames.empty());
    EXPECT_TRUE(std::holds_alternative<Warning>(other.events.at(0)));
}

TEST(Terminal, ReadRequestsAnswerFromTheState) {
    TerminalState s = defaultState(1);
    s.net.server = "10.1.1.1";
    s.net.displayTime = 9;
    s.upd.updateServer = std::string(120, 'u');
    s.extras = {0, 1};
    s.wlan.enabled = 1;
    s.wlan.ssid = "loja";
    Terminal t(s);

    const wire::Bytes net =
        onlyRecord(t.handle(wire::Command{Type::GetNetConfig}), Type::NetConfigReply);
    EXPECT_EQ(net, encodeNetConfig(s.net));
    EXPECT_EQ(decodeNetConfig(net).server, "10.1.1.1");
    const wire::Bytes upd =
        onlyRecord(t.handle(wire::Command{Type::GetUpdConfig}), Type::UpdConfigReply);
    EXPECT_EQ(decodeUpdConfig(upd).updateServer, std::string(99, 'u'));
    EXPECT_EQ(onlyRecord(t.handle(wire::Command{Type::GetParam}), Type::ParamReply),
              (wire::Bytes{0, 1}));
    const wire::Bytes wlan =
        onlyRecord(t.handle(wire::Command{Type::GetWlanConfig}), Type::WlanConfigReply);
    EXPECT_EQ(decodeWlanConfig(wlan).ssid, "loja");

    // Wired and wireless as asked; "current" (9) follows the WLAN switch.
    for (const auto& [asked, answered] : {std::pair{0, 0}, {1, 1}, {9, 1}}) {
        const wire::Bytes mac =
            onlyRecord(t.handle(wire::GetMacAddr{uint8_t(asked)}), Type::MacAddrReply);
        EXPECT_EQ(mac[0], answered) << "asked " << asked;
        EXPECT_EQ(std::string(mac.begin() + 1, mac.end()), "02:00:00:00:00:01");
    }
    s.wlan.enabled = 0;
    Terminal wired(s);
    EXPECT_EQ(onlyRecord(wired.handle(wire::GetMacAddr{9}), Type::MacAddrReply)[0], 0);
}

TEST(Terminal, WritesUpdateStateReportTheirCodesAndReachTheFile) {
    TempDir dir;
    const auto path = dir.path() / "state.txt";
    Terminal t(defaultState(1));
    t.setStateFile(path);

    NetConfig net;
    net.terminal = "192.168.0.77";
    net.displayTime = 3;
    Outcome out = t.handle(wire::SetConfig{Type::SetNetConfig, encodeNetConfig(net)});
    EXPECT_TRUE(out.frames.empty());  // network writes are not acknowledged
    EXPECT_EQ(t.state().net.terminal, "192.168.0.77");

    UpdConfig upd;
    upd.terminalName = "Caixa \xE7";
    out = t.handle(wire::SetConfig{Type::SetUpdConfig, encodeUpdConfig(upd)});
    EXPECT_EQ(responseCodes(out), std::vector<int32_t>{388});

    out = t.handle(wire::SetConfig{Type::SetParam, wire::Bytes{2, 0}});
    EXPECT_EQ(responseCodes(out), std::vector<int32_t>{386});
    EXPECT_EQ(t.state().extras.dynamicIp, 2);

    WlanConfig wlan{1, 0, "rede", 44, 255, "chave"};
    out = t.handle(wire::SetConfig{Type::SetWlanConfig, encodeWlanConfig(wlan)});
    EXPECT_EQ(responseCodes(out), std::vector<int32_t>{400});
    ASSERT_EQ(out.events.size(), 1u);
    EXPECT_EQ(std::get<SettingsWritten>(out.events[0]).code, 400);
    EXPECT_EQ(std::get<SettingsWritten>(out.events[0]).settings,
              "wlan.enabled=1 wlan.mode=0 wlan.ssid=\"rede\" wlan.channel=44 wlan.wep=255 "
              "wlan.wep_key=\"chave\"");

    // The next read returns what was written, and so does a restart from the file.
    const wire::Bytes back =
        onlyRecord(t.handle(wire::Command{Type::GetWlanConfig}), Type::WlanConfigReply);
    EXPECT_EQ(back, encodeWlanConfig(wlan));
    auto reloaded = loadStateFile(path, defaultState(9));
    ASSERT_TRUE(reloaded) << reloaded.error();
    EXPECT_EQ(reloaded.value().net.terminal, "192.168.0.77");
    EXPECT_EQ(reloaded.value().upd.terminalName, "Caixa \xE7");
    EXPECT_EQ(reloaded.value().extras.dynamicIp, 2);
    EXPECT_EQ(encodeWlanConfig(reloaded.value().wlan), encodeWlanConfig(wlan));
    EXPECT_EQ(reloaded.value().mac, defaultState(1).mac);
}

TEST(Terminal, FailedSaveStillAppliesAndWarns) {
    TempDir dir;
    Terminal t(defaultState(1));
    t.setStateFile(dir.path() / "missing-folder" / "state.txt");
    const Outcome out = t.handle(wire::SetConfig{Type::SetParam, wire::Bytes{1, 1}});
    EXPECT_EQ(responseCodes(out), std::vector<int32_t>{386});
    ASSERT_EQ(out.events.size(), 2u);
    EXPECT_NE(std::get<Warning>(out.events[1]).text.find("memory only"), std::string::npos);
    EXPECT_EQ(t.state().extras.findServer, 1);
}

TEST(Terminal, CommandsAndKeepAlives) {
    Terminal t(defaultState(1));
    const std::pair<Type, int32_t> commands[] = {{Type::AlwaysLive, 372},
                                                 {Type::CheckLive, 374},
                                                 {Type::RestartSoft, 378},
                                                 {Type::UpdateSoftware, 370}};
    for (const auto& [type, code] : commands) {
        EXPECT_EQ(responseCodes(t.handle(wire::Command{type})), std::vector<int32_t>{code});
    }
    for (int i = 0; i < 3; ++i) {
        const auto replies = decodeAll(t.handle(wire::Command{Type::KeepAlive}).frames);
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_TRUE(std::holds_alternative<wire::Alive>(replies[0]));
    }
    EXPECT_EQ(t.keepAlives(), 3u);
}

TEST(Terminal, DisplayAndRepliesReachTheCaller) {
    Terminal t(defaultState(1));
    Outcome out = t.handle(wire::DisplayMsg{"Promo\xE7\xE3o", "Tab\there", 70, 1});
    EXPECT_TRUE(out.frames.empty());
    ASSERT_EQ(out.events.size(), 1u);
    EXPECT_EQ(lines::display(std::get<wire::DisplayMsg>(out.events[0])),
              "display: Promoção | Tab here (time 70)");

    out = t.handle(wire::Price{4, "Caf\xE9", "R$ 1,99"});
    ASSERT_EQ(out.events.size(), 1u);
    EXPECT_EQ(lines::price("123", std::get<wire::Price>(out.events[0])), "123\tCafé\tR$ 1,99");
    out = t.handle(wire::NotFound{5});
    EXPECT_EQ(std::get<wire::NotFound>(out.events.at(0)).seq, 5u);
}

TEST(Terminal, MalformedOrMisdirectedFramesOnlyWarn) {
    Terminal t(defaultState(1));
    // A Welcome too short for its layout.
    Outcome out = t.handleFrame(wire::Frame{Type::Welcome, {1}});
    EXPECT_TRUE(out.frames.empty());
    ASSERT_EQ(out.events.size(), 1u);
    EXPECT_NE(std::get<Warning>(out.events[0]).text.find("malformed"), std::string::npos);
    // A set record of the wrong size is refused by the codec, so the state stays.
    out = t.handleFrame(wire::Frame{Type::SetParam, {1, 1, 1}});
    EXPECT_TRUE(out.frames.empty());
    EXPECT_EQ(t.state().extras.dynamicIp, 0);
    // A terminal-side message sent our way.
    out = t.handle(wire::Alive{});
    EXPECT_TRUE(out.frames.empty());
    EXPECT_TRUE(std::holds_alternative<Warning>(out.events.at(0)));
}

TEST(Terminal, PicturesAreStoredAndLogged) {
    TempDir dir;
    const auto pictures = dir.path() / "pics";
    {
        Terminal t(defaultState(1));
        auto store = PictureStore::open(pictures);
        ASSERT_TRUE(store) << store.error();
        t.setPictureStore(std::move(store.value()));

        const wire::Bytes bmp = {'B', 'M', 0, 1, 2};
        Outcome out =
            t.handle(wire::Picture{128, 64, 0, 0, 254, 1, bmp, wire::PictureKind::UploadBegin});
        EXPECT_TRUE(out.frames.empty());
        const auto& first = std::get<PictureReceived>(out.events.at(0));
        EXPECT_EQ(first.file, "0001-0.bmp");
        EXPECT_EQ(first.bytes, 5u);
        EXPECT_EQ(readFile(pictures / "0001-0.bmp"), std::string("BM\0\1\2", 5));

        out = t.handle(wire::Picture{0, 0, 255, 0, 0, 0, {}, wire::PictureKind::UploadClear});
        EXPECT_EQ(std::get<PictureReceived>(out.events.at(0)).file, "-");
        out = t.handle(
            wire::Picture{128, 64, 3, 2, 5, 1, {0xFF, 0xD8}, wire::PictureKind::UploadPicture});
        EXPECT_EQ(lines::picture(std::get<PictureReceived>(out.events.at(0))),
                  "picture: 0003-3.bin upload-picture width 128 height 64 index 3 loop 2 pause 5 "
                  "flag 1, 2 bytes");
    }
    // A second run into the same folder continues the numbering.
    auto store = PictureStore::open(pictures);
    ASSERT_TRUE(store);
    auto name = store.value().store(
        wire::Picture{128, 64, 0, 0, 0, 1, {'B', 'M'}, wire::PictureKind::UploadEnd});
    ASSERT_TRUE(name) << name.error();
    EXPECT_EQ(name.value(), "0004-0.bmp");
    EXPECT_EQ(readFile(pictures / "pictures.log"),
              "0001-0.bmp 128 64 0 0 254 1 5 upload-begin\n"
              "- 0 0 255 0 0 0 0 upload-clear\n"
              "0003-3.bin 128 64 3 2 5 1 2 upload-picture\n"
              "0004-0.bmp 128 64 0 0 0 1 2 upload-end\n");
}

TEST(Terminal, PictureFolderThatIsAFileIsRefused) {
    TempDir dir;
    std::ofstream(dir.path() / "file") << "x";
    auto store = PictureStore::open(dir.path() / "file");
    ASSERT_FALSE(store);
    EXPECT_NE(store.error().find("picture folder"), std::string::npos);
}
