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

// Zeros, the socket 300 (2C 01 00 00) and the given bytes at their offsets.
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

// The map of each record; every byte not in a field, after a terminator included, is
// zero.  Numbers take their low 8 bits, no item chosen is 255, long texts are cut.
TEST(ConfigRecords, FieldMapsWithClearedTails) {
    const NetConfig net{"192.168.0.10", "a→€", "255.255.255.0", k21, "Promoção", "", "t4", 300};
    EXPECT_EQ(bytes(encodeNetConfig(300, net)), expected(159, {{4, "192.168.0.10"},
                                                               {26, "a?\x80"},
                                                               {48, "255.255.255.0"},
                                                               {70, k21},
                                                               {92, "Promo\xE7\xE3o"},
                                                               {136, "t4"},
                                                               {158, "\x2C"}}));
    const UpdConfig upd{"gw", "ns", "Caixa 3", std::string(120, 'u'), "user", k21 + "yy"};
    EXPECT_EQ(bytes(encodeUpdConfig(300, upd)), expected(214, {{4, "gw"},
                                                               {26, "ns"},
                                                               {48, "Caixa 3"},
                                                               {70, std::string(99, 'u')},
                                                               {170, "user"},
                                                               {192, k21}}));
    EXPECT_EQ(bytes(encodeExtras(300, {.dynamicIp = false, .findServer = true})),
              expected(6, {{5, "\x01"}}));
    const WlanConfig wlan{.enabled = -1, .ssid = k21 + "z", .channel = 300, .wep = 1};
    EXPECT_EQ(bytes(encodeWlanConfig(300, wlan)),
              expected(52, {{4, "\xFF\xFF"}, {6, k21}, {28, "\x2C\x01"}}));
}

TEST(ConfigRecords, RepliesOnlyNamedValuesChooseAnItem) {
    EXPECT_EQ(decodeExtras(ExtrasRecord{1, 0, 0, 0, 2, 0}), (Extras{true, false}));
    WlanConfigRecord wlan{1, 0, 0, 0, 0, 2};  // mode 2: the last item, whatever the window does
    EXPECT_EQ(decodeWlanConfig(wlan).mode, 1);
    EXPECT_EQ(macReplyItem(9), std::nullopt);  // the interface edit stays as it was
}
