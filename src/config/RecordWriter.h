#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tarifon {

// Fills a configuration record to send, field after field with no gaps: the socket
// first, then each field at the offset where the last one ended.  The record is
// cleared first, so nothing of what the memory held travels after a terminator.
class RecordWriter {
public:
    RecordWriter(std::span<uint8_t> record, int32_t socket);

    // UTF-8 text as Windows-1252 and a zero byte in a field `width` bytes wide.  A
    // longer text is cut to width - 1 bytes; every character is one byte, so the cut
    // never splits one.
    void text(std::string_view utf8, size_t width);
    // A one-byte number: the low 8 bits, so -1 travels as 255 and 300 as 44.
    void byte(int32_t value);

    // Bytes filled so far, the socket included.
    size_t offset() const { return m_offset; }

private:
    std::span<uint8_t> next(size_t width);

    std::span<uint8_t> m_record;
    size_t m_offset = 0;
};

}  // namespace tarifon
