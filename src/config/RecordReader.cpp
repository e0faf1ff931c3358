#include "config/RecordReader.h"

#include "platform/Cp1252.h"

namespace tarifon {

namespace {

constexpr size_t kReplyFlagField = 4;

}  // namespace

RecordReader::RecordReader(std::span<const uint8_t> record)
    : m_record(record), m_offset(kReplyFlagField) {}

std::string RecordReader::text(size_t width) {
    const std::span<const uint8_t> field = next(width);
    return cp1252::decodeField(reinterpret_cast<const char*>(field.data()), field.size())
        .toStdString();
}

uint8_t RecordReader::byte() {
    return next(1)[0];
}

std::span<const uint8_t> RecordReader::next(size_t width) {
    const std::span<const uint8_t> field = m_record.subspan(m_offset, width);
    m_offset += width;
    return field;
}

}  // namespace tarifon
