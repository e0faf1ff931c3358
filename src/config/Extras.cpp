#include "config/Extras.h"

#include "config/RecordReader.h"
#include "config/RecordWriter.h"

namespace tarifon {

ExtrasRecord encodeExtras(int32_t socket, const Extras& extras) {
    ExtrasRecord record;
    RecordWriter out(record, socket);
    out.byte(extras.dynamicIp ? 1 : 0);
    out.byte(extras.findServer ? 1 : 0);
    return record;
}

Extras decodeExtras(std::span<const uint8_t, TERMLINK_PARAM_SIZE> record) {
    RecordReader in(record);
    Extras extras;
    extras.dynamicIp = in.byte() != 0;
    extras.findServer = in.byte() != 0;
    return extras;
}

}  // namespace tarifon
