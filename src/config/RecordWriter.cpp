#include "config/RecordWriter.h"

#include <algorithm>
#include <string>

#include "base/Cp1252.h"
#include "base/LittleEndian.h"

namespace tarifon {

namespace {

constexpr size_t kSocketField = 4;

}  // namespace

RecordWriter::RecordWriter(std::span<uint8_t> record, int32_t socket) : m_record(record) {
    std::fill(m_record.begin(), m_record.end(), uint8_t{0});
    le::write32(next(kSocketField).data(), static_cast<uint32_t>(socket));
}

void RecordWriter::text(std::string_view utf8, size_t width) {
    std::span<uint8_t> field = next(width);
    const std::string bytes = cp1252::fromUtf8(utf8);
    // The field was cleared: the byte after the text is already its terminator.
    std::copy_n(bytes.begin(), std::min(bytes.size(), width - 1), field.begin());
}

void RecordWriter::byte(int32_t value) {
    next(1)[0] = static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFFu);
}

std::span<uint8_t> RecordWriter::next(size_t width) {
    std::span<uint8_t> field = m_record.subspan(m_offset, width);
    m_offset += width;
    return field;
}

}  // namespace tarifon
