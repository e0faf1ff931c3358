#include "config/MacAddress.h"

#include "config/RecordReader.h"

namespace tarifon {

namespace {

constexpr size_t kMacText = 17;
constexpr uint8_t kCurrentInterface = 9;

}  // namespace

MacAddress decodeMacAddress(std::span<const uint8_t, TERMLINK_MAC_ADDR_SIZE> record) {
    RecordReader in(record);
    MacAddress mac;
    mac.interfaceCode = in.byte();
    mac.text = in.text(kMacText);
    return mac;
}

uint8_t macRequestCode(int item) {
    return item == 0 || item == 1 ? static_cast<uint8_t>(item) : kCurrentInterface;
}

std::optional<int> macReplyItem(uint8_t interfaceCode) {
    if (interfaceCode <= 1)
        return interfaceCode;
    return std::nullopt;
}

}  // namespace tarifon
