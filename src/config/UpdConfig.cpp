#include "config/UpdConfig.h"

#include <utility>

#include "config/RecordReader.h"
#include "config/RecordWriter.h"

namespace tarifon {

namespace {

constexpr size_t kTextField = 22;
constexpr size_t kUpdateServerField = 100;

// The fields in record order with their widths.
template <class Config>
auto fields(Config& upd) {
    return std::array{
        std::pair{&upd.gateway, kTextField},      std::pair{&upd.nameServer, kTextField},
        std::pair{&upd.terminalName, kTextField}, std::pair{&upd.updateServer, kUpdateServerField},
        std::pair{&upd.user, kTextField},         std::pair{&upd.password, kTextField}};
}

}  // namespace

UpdConfigRecord encodeUpdConfig(int32_t socket, const UpdConfig& upd) {
    UpdConfigRecord record;
    RecordWriter out(record, socket);
    for (const auto& [text, width] : fields(upd))
        out.text(*text, width);
    return record;
}

UpdConfig decodeUpdConfig(std::span<const uint8_t, TERMLINK_UPD_CONFIG_SIZE> record) {
    RecordReader in(record);
    UpdConfig upd;
    for (const auto& [text, width] : fields(upd))
        *text = in.text(width);
    return upd;
}

}  // namespace tarifon
