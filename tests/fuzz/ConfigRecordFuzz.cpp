// libFuzzer target: any bytes as a terminal's configuration reply.  The first byte picks
// the record, the rest fill it.  Decoding must not read past the record, and what the
// program sends back after one edit-free round must survive the next round unchanged.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "config/Extras.h"
#include "config/MacAddress.h"
#include "config/NetConfig.h"
#include "config/UpdConfig.h"
#include "config/WlanConfig.h"

using namespace tarifon;

namespace {

// Exactly the record's size: a fuzz input shorter than it ends in zeros.
template <size_t N>
std::array<uint8_t, N> record(std::span<const uint8_t> bytes) {
    std::array<uint8_t, N> out{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), N), out.begin());
    return out;
}

template <size_t N, class Encode, class Decode>
void roundTrip(std::span<const uint8_t> bytes, Encode encode, Decode decode) {
    const auto sent = encode(0, decode(std::span<const uint8_t, N>(record<N>(bytes))));
    if (encode(0, decode(std::span<const uint8_t, N>(sent))) != sent)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::span<const uint8_t> bytes(data + 1, size - 1);
    switch (data[0] % 5) {
        case 0:
            roundTrip<TERMLINK_NET_CONFIG_SIZE>(bytes, encodeNetConfig, decodeNetConfig);
            break;
        case 1:
            roundTrip<TERMLINK_UPD_CONFIG_SIZE>(bytes, encodeUpdConfig, decodeUpdConfig);
            break;
        case 2:
            roundTrip<TERMLINK_WLAN_CONFIG_SIZE>(bytes, encodeWlanConfig, decodeWlanConfig);
            break;
        case 3:
            roundTrip<TERMLINK_PARAM_SIZE>(bytes, encodeExtras, decodeExtras);
            break;
        default: {
            const auto reply = record<TERMLINK_MAC_ADDR_SIZE>(bytes);
            // 17 characters of Windows-1252 at most, each three bytes of UTF-8 at most.
            if (decodeMacAddress(reply).text.size() > 17 * 3)
                std::abort();
        }
    }
    return 0;
}
