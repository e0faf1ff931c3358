#include "config/NetConfig.h"

#include "config/RecordReader.h"
#include "config/RecordWriter.h"

namespace tarifon {

namespace {

constexpr size_t kTextField = 22;

// The seven texts in record order, all 22 bytes wide; the display time follows them.
template <class Config>
auto texts(Config& net) {
    return std::array{&net.server, &net.terminal, &net.netmask, &net.text1,
                      &net.text2,  &net.text3,    &net.text4};
}

}  // namespace

NetConfigRecord encodeNetConfig(int32_t socket, const NetConfig& net) {
    NetConfigRecord record;
    RecordWriter out(record, socket);
    for (const std::string* text : texts(net))
        out.text(*text, kTextField);
    out.byte(net.displayTime);
    return record;
}

NetConfig decodeNetConfig(std::span<const uint8_t, TERMLINK_NET_CONFIG_SIZE> record) {
    RecordReader in(record);
    NetConfig net;
    for (std::string* text : texts(net))
        *text = in.text(kTextField);
    net.displayTime = in.byte();
    return net;
}

}  // namespace tarifon
