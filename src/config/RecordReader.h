#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tarifon {

// Reads a configuration reply field after field, past its 32-bit reply flag.
class RecordReader {
public:
    explicit RecordReader(std::span<const uint8_t> record);

    // A text field as UTF-8: up to its first zero byte, never past its width, so a
    // field with no terminator ends where the field ends.
    std::string text(size_t width);
    uint8_t byte();

private:
    std::span<const uint8_t> next(size_t width);

    std::span<const uint8_t> m_record;
    size_t m_offset;
};

}  // namespace tarifon
