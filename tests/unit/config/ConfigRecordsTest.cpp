#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/Extras.h"
#include "config/MacAddress.h"
#include "config/NetConfig.h"
#include "config/UpdConfig.h"
#include "config/WlanConfig.h"

using namespace tarifon;

namespace {

using Bytes = std::vector<uint8_t>;

// A whole record: zeros, the socket 300 (2C 01 00 00), and the given bytes at their offsets.
Bytes expected(size_t size, const std::vector<std::pair<size_t, std::string>>& fields) {
    Bytes record(size, 0);
    record[0] = 0x2C;
    record[1] = 0x01;
    for (const auto& [offset, bytes] : fields)
        std::copy(bytes.begin(), bytes.end(), record.begin() + static_cast<long>(offset));
    return record;
}

template <class Record>
Bytes bytes(const Record& record) {
    return Bytes(record.begin(), record.end());
}

const std::string k21(21, 'x');

}  // namespace

// Every record is cleared before it is filled: bytes after each terminator are zero,
// and a decoded reply gives back what was encoded.
TEST(ConfigRecords, FieldMapsBothWays) {
    const NetConfig net{
        "192.168.0.10", "192.168.0.53", "255.255.255.0", k21, "Promoção", "t3", "t4", 99};
    const Bytes netRecord = expected(159, {{4, "192.168.0.10"},
                                           {26, "192.168.0.53"},
                                           {48, "255.255.255.0"},
                                           {70, k21},
                                           {92, "Promo\xE7\xE3o"},
                                           {114, "t3"},
                                           {136, "t4"},
                                           {158, "\x63"}});
    EXPECT_EQ(bytes(encodeNetConfig(300, net)), netRecord);
    EXPECT_EQ(decodeNetConfig(std::span<const uint8_t, 159>(netRecord.data(), 159)), net);

    const UpdConfig upd{"gw", "ns", "Caixa 3", std::string(99, 'u'), "user", "senha"};
    const Bytes updRecord = expected(214, {{4, "gw"},
                                           {26, "ns"},
                                           {48, "Caixa 3"},
                                           {70, std::string(99, 'u')},
                                           {170, "user"},
                                           {192, "senha"}});
    EXPECT_EQ(bytes(encodeUpdConfig(300, upd)), updRecord);
    EXPECT_EQ(decodeUpdConfig(std::span<const uint8_t, 214>(updRecord.data(), 214)), upd);

    const Extras extras{.dynamicIp = true, .findServer = false};
    const Bytes extrasRecord = expected(6, {{4, "\x01"}});
    EXPECT_EQ(bytes(encodeExtras(300, extras)), extrasRecord);
    EXPECT_EQ(decodeExtras(std::span<const uint8_t, 6>(extrasRecord.data(), 6)), extras);

    const WlanConfig wlan{1, 0, "loja", 6, 1, "chave"};
    const Bytes wlanRecord =
        expected(52, {{4, "\x01"}, {6, "loja"}, {28, "\x06"}, {29, "\x01"}, {30, "chave"}});
    EXPECT_EQ(bytes(encodeWlanConfig(300, wlan)), wlanRecord);
    EXPECT_EQ(decodeWlanConfig(std::span<const uint8_t, 52>(wlanRecord.data(), 52)), wlan);
}

TEST(ConfigRecords, NumbersTravelAsTheirLowByteAndNoItemAs255) {
    // value written -> byte
    const std::vector<std::pair<int32_t, uint8_t>> cases = {
        {99, 99}, {300, 44}, {-1, 255}, {256, 0}, {255, 255}};
    for (const auto& [value, byte] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(encodeNetConfig(1, {.displayTime = value})[158], byte);
        const WlanConfigRecord wlan = encodeWlanConfig(1, {.channel = value});
        EXPECT_EQ(wlan[28], byte);
    }
    // A fresh window chose no item in any of the three groups.
    const WlanConfigRecord fresh = encodeWlanConfig(1, WlanConfig{});
    EXPECT_EQ((Bytes{fresh[4], fresh[5], fresh[28], fresh[29]}), (Bytes{255, 255, 1, 255}));
}

TEST(ConfigRecords, RepliesChooseTheLastItemFromTwoOnAndShowWholeBytes) {
    // reply byte -> item chosen in each radio group
    for (const auto& [byte, item] :
         std::vector<std::pair<uint8_t, int32_t>>{{0, 0}, {1, 1}, {2, 1}, {255, 1}}) {
        Bytes record(52, 0);
        record[4] = record[5] = record[29] = byte;
        record[28] = 200;
        const WlanConfig wlan = decodeWlanConfig(std::span<const uint8_t, 52>(record.data(), 52));
        EXPECT_EQ((std::vector{wlan.enabled, wlan.mode, wlan.wep}), (std::vector{item, item, item}))
            << int{byte};
        EXPECT_EQ(wlan.channel, 200);
    }
    const Bytes extras = {1, 0, 0, 0, 2, 2};
    EXPECT_EQ(decodeExtras(std::span<const uint8_t, 6>(extras.data(), 6)), (Extras{true, true}));
}

TEST(ConfigRecords, TextsAreCutToTheirFieldAndReadNoFurther) {
    // A 25-character SSID keeps 21 bytes and its terminator; the channel after it stays.
    const WlanConfigRecord wlan = encodeWlanConfig(1, {.ssid = std::string(25, 's'), .channel = 6});
    EXPECT_EQ(std::string(wlan.begin() + 6, wlan.begin() + 28), std::string(21, 's') + '\0');
    EXPECT_EQ(wlan[28], 6);
    // 100 characters in the update-server field: 99 and the terminator.
    const UpdConfigRecord upd = encodeUpdConfig(1, {.updateServer = std::string(100, 'u')});
    EXPECT_EQ(upd[168], 'u');
    EXPECT_EQ(upd[169], 0);
    // Outside the code page a character becomes '?'; the euro sign is in it.
    const NetConfigRecord net = encodeNetConfig(1, {.server = "a→€"});
    EXPECT_EQ(std::string(net.begin() + 4, net.begin() + 8), std::string("a?\x80\0", 4));

    // A field without terminator ends at its width, not in the next field.
    Bytes reply(159, 'n');
    reply[0] = 1;
    const NetConfig read = decodeNetConfig(std::span<const uint8_t, 159>(reply.data(), 159));
    EXPECT_EQ(read.server, std::string(22, 'n'));
    EXPECT_EQ(read.text4, std::string(22, 'n'));
    EXPECT_EQ(read.displayTime, 'n');
}

TEST(ConfigRecords, MacReplyAndInterfaceCodes) {
    Bytes reply(22, 0);
    reply[0] = 1;
    reply[4] = 1;
    const std::string mac = "00:1A:2B:3C:4D:5E";
    std::copy(mac.begin(), mac.end(), reply.begin() + 5);  // all 17 bytes, no terminator
    EXPECT_EQ(decodeMacAddress(std::span<const uint8_t, 22>(reply.data(), 22)),
              (MacAddress{1, mac}));

    EXPECT_EQ((Bytes{macRequestCode(0), macRequestCode(1), macRequestCode(2)}), (Bytes{0, 1, 9}));
    EXPECT_EQ(macReplyItem(0), 0);
    EXPECT_EQ(macReplyItem(1), 1);
    EXPECT_EQ(macReplyItem(9), std::nullopt);
}
