#include "config/WlanConfig.h"

#include <algorithm>

#include "config/RecordReader.h"
#include "config/RecordWriter.h"

namespace tarifon {

namespace {

constexpr size_t kTextField = 22;
constexpr int32_t kLastItem = 1;  // every radio group of the record has two items

int32_t radioItem(uint8_t byte) {
    return std::min<int32_t>(byte, kLastItem);
}

}  // namespace

WlanConfigRecord encodeWlanConfig(int32_t socket, const WlanConfig& wlan) {
    WlanConfigRecord record;
    RecordWriter out(record, socket);
    out.byte(wlan.enabled);
    out.byte(wlan.mode);
    out.text(wlan.ssid, kTextField);
    out.byte(wlan.channel);
    out.byte(wlan.wep);
    out.text(wlan.wepKey, kTextField);
    return record;
}

WlanConfig decodeWlanConfig(std::span<const uint8_t, TERMLINK_WLAN_CONFIG_SIZE> record) {
    RecordReader in(record);
    WlanConfig wlan;
    wlan.enabled = radioItem(in.byte());
    wlan.mode = radioItem(in.byte());
    wlan.ssid = in.text(kTextField);
    wlan.channel = in.byte();
    wlan.wep = radioItem(in.byte());
    wlan.wepKey = in.text(kTextField);
    return wlan;
}

}  // namespace tarifon
