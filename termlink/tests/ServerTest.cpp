#include <cstring>
#include <filesystem>
#include <fstream>

#include "ServerFixture.h"
#include "base/LittleEndian.h"
#include "support/TestBytes.h"

using namespace termlink;
using namespace std::chrono_literals;

namespace {

struct TempDir {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("termlink-test-" + std::to_string(::getpid()) + "-" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    TempDir() { std::filesystem::create_directories(path); }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string write(const std::string& name, const wire::Bytes& bytes) const {
        const auto file = (path / name).string();
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return file;
    }
};

}  // namespace

class ServerTest : public ServerFixture {};

TEST_F(ServerTest, ListsHandshakenTerminalsWithTheirAddressesAndModels) {
    std::vector<uint8_t> table(8196, 0xEE);
    server->GetTabConectados(table.data(), 1);
    EXPECT_EQ(table, std::vector<uint8_t>(8196, 0));

    // Connected but silent: not listed until its Hello is accepted.
    TestTerminal silent(server->port());
    ASSERT_TRUE(silent.connected());
    int32_t a = 0, b = 0;
    auto ta = connect(2, &a);
    auto tb = connect(5, &b);
    EXPECT_NE(a, b);
    server->GetTabConectados(table.data(), 1);
    EXPECT_EQ(tarifon::le::readI32(&table[8192]), 2);
    EXPECT_EQ(tarifon::le::readI32(&table[0]), a);
    EXPECT_EQ(tarifon::le::readI32(&table[4]), b);
    EXPECT_EQ(tarifon::le::readI32(&table[8]), 0);
    // Address bytes in memory are 127.0.0.1 in network order.
    EXPECT_EQ((std::vector<uint8_t>(&table[4096], &table[4100])),
              (std::vector<uint8_t>{127, 0, 0, 1}));
    char text[21];
    std::memset(text, 'x', sizeof text);
    Server::TCinet_ntoa(static_cast<uint32_t>(tarifon::le::readI32(&table[4096])), text);
    EXPECT_STREQ(text, "127.0.0.1");
    Server::TCinet_ntoa(0xFFFFFFFF, text);
    EXPECT_STREQ(text, "255.255.255.255");
    Server::TCinet_ntoa(0x0A0200C0, text);
    EXPECT_STREQ(text, "192.0.2.10");
    Server::TCinet_ntoa(1, nullptr);  // must not crash

    EXPECT_EQ(server->iTypeTerm(a), 2);
    EXPECT_EQ(server->iTypeTerm(b), 5);
    EXPECT_EQ(server->iTypeTerm(999), 0);
    EXPECT_EQ(server->iTypeTerm(-1), 0);

    // Leaving frees the slot, the model and the socket value; pending codes go too.
    ASSERT_TRUE(ta->send(wire::Scan{1, "lost"}));
    ASSERT_TRUE(ta->send(wire::Response{374, std::nullopt}));
    int32_t s = 0, code = 0;
    ASSERT_TRUE(waitUntil([&] { return server->GetResponseCtr(&s, &code); }));
    ta->close();
    ASSERT_TRUE(waitUntil([&] { return count() == 1; }));
    EXPECT_EQ(server->iTypeTerm(a), 0);
    EXPECT_EQ(server->bEnviaVivo(a), 0);
    int32_t spare = 0, length = 0;
    char buffer[1024];
    EXPECT_EQ(server->bReceiveBarcode(&s, &spare, buffer, &length), 0);
    server->GetTabConectados(table.data(), 1);
    EXPECT_EQ(tarifon::le::readI32(&table[0]), 0);
    EXPECT_EQ(tarifon::le::readI32(&table[4]), b);
}

// Codes come out one terminal at a time, so a terminal that queued many does not
// delay one that queued a single code; replies echo the seq of the scan answered.
TEST_F(ServerTest, BarcodesRoundRobinAndRepliesEchoTheScan) {
    int32_t a = 0, b = 0;
    auto ta = connect(2, &a);
    auto tb = connect(2, &b);
    // A response behind a terminal's scans tells when they are all queued; A goes first.
    const auto queued = [&](TestTerminal& t) {
        ASSERT_TRUE(t.send(wire::Response{1, std::nullopt}));
        int32_t s = 0, code = 0;
        ASSERT_TRUE(waitUntil([&] { return server->GetResponseCtr(&s, &code); }));
    };
    for (uint32_t i = 1; i <= 10; ++i)
        ASSERT_TRUE(ta->send(wire::Scan{i, "A" + std::to_string(i)}));
    ASSERT_TRUE(ta->send(wire::Scan{11, "\r\n \t"}));  // a scanner's suffix alone: no code
    queued(*ta);
    ASSERT_TRUE(tb->send(wire::Scan{500, "7891234567890 \r\n"}));
    queued(*tb);

    std::vector<std::string> codes;
    char buffer[1024];
    int32_t socket = 0, spare = 77, length = 0;
    while (server->bReceiveBarcode(&socket, &spare, buffer, &length)) {
        ASSERT_EQ(buffer[0], 0x02);
        ASSERT_EQ(buffer[1 + length], '\0');
        EXPECT_EQ(spare, 0);
        codes.emplace_back(buffer + 1, static_cast<size_t>(length));
        if (codes.size() == 2) {
            EXPECT_EQ(socket, b);
            EXPECT_EQ(length, 13);
            ASSERT_EQ(server->bSendProdPrice(b, "Caf\xE9", "R$1.234,50"), 1);
        }
    }
    EXPECT_EQ(codes.size(), 11u);
    EXPECT_EQ(codes[0], "A1");
    EXPECT_EQ(codes[1], "7891234567890");
    EXPECT_EQ(codes[2], "A2");
    EXPECT_EQ(codes[10], "A10");
    // Nothing pending: the outputs are left alone.
    socket = -5;
    EXPECT_EQ(server->bReceiveBarcode(&socket, &spare, buffer, &length), 0);
    EXPECT_EQ(socket, -5);

    const auto price = tb->receiveAs<wire::Price>();
    ASSERT_TRUE(price);
    EXPECT_EQ(price->seq, 500u);
    EXPECT_EQ(price->description, "Caf\xE9");
    EXPECT_EQ(price->price, "R$1.234,50");

    ASSERT_EQ(server->bSendProdNotFound(a), 1);
    const auto notFound = ta->receiveAs<wire::NotFound>();
    ASSERT_TRUE(notFound);
    EXPECT_EQ(notFound->seq, 10u);

    // Texts are read up to their zero and cut at 255 bytes.
    const std::string longText(400, 'd');
    ASSERT_EQ(server->bSendProdPrice(a, longText.c_str(), "x"), 1);
    const auto cut = ta->receiveAs<wire::Price>();
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->description, std::string(255, 'd'));

    EXPECT_EQ(server->bSendProdPrice(a, nullptr, "x"), 0);
    EXPECT_EQ(server->bSendProdPrice(4242, "d", "p"), 0);
    EXPECT_EQ(server->bSendProdNotFound(0), 0);
    EXPECT_EQ(server->bReceiveBarcode(nullptr, &spare, buffer, &length), 0);
}

// Each of the five kinds: request reaches the terminal, its reply comes back as a
// record with the socket in front; each write reaches the terminal byte for byte.
TEST_F(ServerTest, ConfigurationRoundTripsForAllFiveRecords) {
    int32_t socket = 0;
    auto t = connect(2, &socket);
    const struct {
        const char* name;
        uint8_t (Server::*request)(int32_t);
        wire::Type requestType;
        wire::Type replyType;
        uint8_t (Server::*receive)(uint8_t*);
        size_t recordSize;
        uint8_t (Server::*write)(const uint8_t*);
        wire::Type writeType;
    } kinds[] = {
        {"net", &Server::bPedeConfig, wire::Type::GetNetConfig, wire::Type::NetConfigReply,
         &Server::bReceiveConfig, 159, &Server::bMandaConfig, wire::Type::SetNetConfig},
        {"upd", &Server::bPedeUpdConfig, wire::Type::GetUpdConfig, wire::Type::UpdConfigReply,
         &Server::bReceiveUpdConfig, 214, &Server::bMandaUpdConfig, wire::Type::SetUpdConfig},
        {"param", &Server::bPedeParam, wire::Type::GetParam, wire::Type::ParamReply,
         &Server::bReceiveParam, 6, &Server::bMandaParam, wire::Type::SetParam},
        {"wlan", &Server::bPedeWlanConfig, wire::Type::GetWlanConfig, wire::Type::WlanConfigReply,
         &Server::bReceiveWlanConfig, 52, &Server::bMandaWlanConfig, wire::Type::SetWlanConfig},
        {"mac", nullptr, wire::Type::GetMacAddr, wire::Type::MacAddrReply,
         &Server::bReceiveMacAddrConfig, 22, nullptr, wire::Type::Hello},
    };
    uint8_t seed = 1;
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.name);
        if (k.request) {
            ASSERT_EQ((server.get()->*k.request)(socket), 1);
            const auto request = t->receiveAs<wire::Command>();
            ASSERT_TRUE(request);
            EXPECT_EQ(request->type, k.requestType);
        } else {
            ASSERT_EQ(server->bPedeMacAddr(socket, 9), 1);
            const auto request = t->receiveAs<wire::GetMacAddr>();
            ASSERT_TRUE(request);
            EXPECT_EQ(request->interfaceCode, 9);
        }
        std::vector<uint8_t> record(k.recordSize, 0xAA);
        EXPECT_EQ((server.get()->*k.receive)(record.data()), 0);
        EXPECT_EQ(record, std::vector<uint8_t>(k.recordSize, 0xAA));

        const wire::Bytes payload = pattern(k.recordSize - 4, seed++);
        ASSERT_TRUE(t->send(wire::ConfigReply{k.replyType, payload}));
        ASSERT_TRUE(waitUntil([&] { return (server.get()->*k.receive)(record.data()) == 1; }));
        EXPECT_EQ(tarifon::le::readI32(record.data()), socket);
        EXPECT_EQ(wire::Bytes(record.begin() + 4, record.end()), payload);

        if (k.write) {
            std::vector<uint8_t> out(k.recordSize);
            out[0] = static_cast<uint8_t>(socket);
            out[1] = static_cast<uint8_t>(socket >> 8);
            const wire::Bytes body = pattern(k.recordSize - 4, seed++);
            std::copy(body.begin(), body.end(), out.begin() + 4);
            ASSERT_EQ((server.get()->*k.write)(out.data()), 1);
            const auto set = t->receiveAs<wire::SetConfig>();
            ASSERT_TRUE(set);
            EXPECT_EQ(set->type, k.writeType);
            EXPECT_EQ(set->record, body);
            out[0] = 0;
            out[1] = 0;
            EXPECT_EQ((server.get()->*k.write)(out.data()), 0);  // socket 0: nobody
            EXPECT_EQ((server.get()->*k.write)(nullptr), 0);
        }
    }
    EXPECT_EQ(server->bReceiveConfig(nullptr), 0);
}

TEST_F(ServerTest, CommandsDisplayMessagesAndKeepAlive) {
    int32_t socket = 0;
    auto t = connect(2, &socket);
    ASSERT_EQ(server->bSendDisplayMsg(socket, "Promo\xE7\xE3o", "", 4464, 1), 1);
    const auto msg = t->receiveAs<wire::DisplayMsg>();
    ASSERT_TRUE(msg);
    EXPECT_EQ(msg->line1, "Promo\xE7\xE3o");
    EXPECT_EQ(msg->line2, "");
    EXPECT_EQ(msg->time, 4464);
    EXPECT_EQ(msg->flag, 1);
    EXPECT_EQ(server->bSendDisplayMsg(socket, nullptr, "", 1, 1), 0);

    const std::pair<uint8_t (Server::*)(int32_t), wire::Type> commands[] = {
        {&Server::bSendAllwaysLive, wire::Type::AlwaysLive},
        {&Server::bSendCheckLive, wire::Type::CheckLive},
        {&Server::bSendRestartSoft, wire::Type::RestartSoft},
        {&Server::bUpdateSoftware, wire::Type::UpdateSoftware},
        {&Server::bEnviaVivo, wire::Type::KeepAlive},
    };
    for (const auto& [call, type] : commands) {
        ASSERT_EQ((server.get()->*call)(socket), 1);
        const auto m = t->receive();
        ASSERT_TRUE(m);
        const auto* c = std::get_if<wire::Command>(&*m);
        ASSERT_TRUE(c);
        EXPECT_EQ(c->type, type);
        EXPECT_EQ((server.get()->*call)(socket + 1), 0);
    }
}

// 390 and its second code stay together even while another terminal reports.
TEST_F(ServerTest, ResponsePairsArriveConsecutively) {
    int32_t a = 0, b = 0;
    auto ta = connect(2, &a);
    auto tb = connect(2, &b);
    std::thread other([&] {
        for (int i = 0; i < 200; ++i)
            tb->send(wire::Response{374, std::nullopt});
    });
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(ta->send(wire::Response{390, i}));
    other.join();
    std::vector<std::pair<int32_t, int32_t>> entries;
    ASSERT_TRUE(waitUntil([&] {
        int32_t s = 0, code = 0;
        while (server->GetResponseCtr(&s, &code))
            entries.emplace_back(s, code);
        return entries.size() == 300;
    }));
    int pairs = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].second != 390)
            continue;
        ASSERT_LT(i + 1, entries.size());
        EXPECT_EQ(entries[i].first, a);
        EXPECT_EQ(entries[i + 1].first, a);
        EXPECT_EQ(entries[i + 1].second, pairs);
        ++pairs;
    }
    EXPECT_EQ(pairs, 50);
    EXPECT_EQ(server->GetResponseCtr(nullptr, nullptr), 0);
}

TEST_F(ServerTest, PicturesCarryTheirNumbersAndBytes) {
    TempDir dir;
    int32_t socket = 0;
    auto t = connect(2, &socket);
    const wire::Bytes bmp = pattern(1086, 3);
    const auto file = dir.write("upd.bmp", bmp);
    ASSERT_EQ(server->bSendImageFromFile(socket, file.c_str(), 128, 64, 3, 2, 5, 1), 1);
    auto picture = t->receiveAs<wire::Picture>();
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 128);
    EXPECT_EQ(picture->height, 64);
    EXPECT_EQ(picture->index, 3);
    EXPECT_EQ(picture->loop, 2);
    EXPECT_EQ(picture->pause, 5);
    EXPECT_EQ(picture->flag, 1);
    EXPECT_EQ(picture->data, bmp);

    // The program names files in Windows-1252; on disk the name is UTF-8.
    dir.write("Promoção.bmp", bmp);
    const std::string cp1252Path = (dir.path / "Promo\xE7\xE3o.bmp").string();
    ASSERT_EQ(server->bSendImageFromFile(socket, cp1252Path.c_str(), 128, 64, 4, 0, 0, 1), 1);
    picture = t->receiveAs<wire::Picture>();
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->data, bmp);

    // The kind says what a picture is for, even where the numbers are alike.
    const auto instant = dir.write("temp.bmp", bmp);
    const struct {
        const std::string& path;
        int32_t width, index, pause;
        wire::PictureKind kind;
    } kinds[] = {
        {file, 128, 0, 254, wire::PictureKind::UploadBegin},
        {file, 0, 255, 0, wire::PictureKind::UploadClear},
        {instant, 128, 1, 5, wire::PictureKind::UploadPicture},
        {file, 128, 0, 0, wire::PictureKind::UploadEnd},
        {instant, 128, 0, 254, wire::PictureKind::Instant},
        {instant, 128, 0, 0, wire::PictureKind::Instant},
    };
    for (const auto& k : kinds) {
        ASSERT_EQ(server->bSendImageFromFile(socket, k.path.c_str(), k.width, k.width / 2, k.index,
                                             0, k.pause, 1),
                  1);
        picture = t->receiveAs<wire::Picture>();
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->kind, k.kind) << k.path << " " << k.index << " " << k.pause;
        EXPECT_EQ(picture->data.empty(), k.kind == wire::PictureKind::UploadClear);
    }

    // A missing file (or a folder) still sends the numbers.
    for (const std::string& path : {(dir.path / "missing.bmp").string(), dir.path.string()}) {
        ASSERT_EQ(server->bSendImageFromFile(socket, path.c_str(), 0, 0, 255, 0, 0, 0), 1);
        picture = t->receiveAs<wire::Picture>();
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->index, 255);
        EXPECT_TRUE(picture->data.empty());
    }

    // At the limit it goes; one byte over and nothing is sent.
    const auto atLimit = dir.write("big.bmp", pattern(kMaxPictureBytes, 1));
    ASSERT_EQ(server->bSendImageFromFile(socket, atLimit.c_str(), 128, 64, 1, 0, 0, 1), 1);
    picture = t->receiveAs<wire::Picture>();
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->data.size(), kMaxPictureBytes);
    const auto overLimit = dir.write("huge.bmp", pattern(kMaxPictureBytes + 1, 1));
    EXPECT_EQ(server->bSendImageFromFile(socket, overLimit.c_str(), 128, 64, 2, 0, 0, 1), 0);
    ASSERT_EQ(server->bEnviaVivo(socket), 1);
    const auto next = t->receive();
    ASSERT_TRUE(next);
    EXPECT_TRUE(std::holds_alternative<wire::Command>(*next));  // no picture came first

    EXPECT_EQ(server->bSendImageFromFile(socket, nullptr, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(server->bSendImageFromFile(socket + 1, file.c_str(), 0, 0, 0, 0, 0, 0), 0);
}

// A terminal that does not read: the queue towards it stops at its limit and
// sends are refused instead of growing memory; once it reads, sends go again.
TEST_F(ServerTest, OutboundQueueIsBounded) {
    TempDir dir;
    int32_t socket = 0;
    auto t = connect(2, &socket);
    const auto file = dir.write("p.bmp", pattern(kMaxPictureBytes, 7));
    const size_t maxTries = 2 * kMaxOutboundBytesPerConnection / kMaxPictureBytes + 200;
    size_t accepted = 0;
    bool refused = false;
    for (size_t i = 0; i < maxTries && !refused; ++i) {
        if (server->bSendImageFromFile(socket, file.c_str(), 128, 64, 1, 0, 0, 1))
            ++accepted;
        else
            refused = true;
    }
    EXPECT_TRUE(refused);
    EXPECT_GE(accepted, kMaxOutboundBytesPerConnection / kMaxPictureBytes);
    for (size_t i = 0; i < accepted; ++i)
        ASSERT_TRUE(t->receiveAs<wire::Picture>()) << i;
    EXPECT_TRUE(waitUntil([&] { return server->bEnviaVivo(socket) == 1; }));
}
