#include "config/RecordReader.h"

#include "base/Cp1252.h"

namespace tarifon {

namespace {

constexpr size_t kReplyFlagField = 4;

}  // namespace

RecordReader::RecordReader(std::span<const uint8_t> record)
    : m_record(record), m_offset(kReplyFlagField) {}

std::string RecordReader::text(size_t width) {
    return cp1252::toUtf8(cp1252::field(next(width)));
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
