#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Windows-1252, the 8-bit text of the terminal library, its records and the older
// files; everything else here speaks UTF-8.  The one table of the code page.
namespace tarifon::cp1252 {

// Every byte stands for a character: the five the code page leaves unassigned
// stand for the C1 controls of the same value, as on Windows, so that
// bytes -> UTF-8 -> bytes is lossless.
char32_t toUnicode(uint8_t byte);
// The byte for a character; '?' for one the code page lacks.
char fromUnicode(char32_t c);

std::string toUtf8(std::string_view bytes);
// Characters outside the code page and broken UTF-8 sequences become '?'.
std::string fromUtf8(std::string_view utf8);

// A fixed-width text field: up to its first zero byte, never past its width.
std::string_view field(const char* data, size_t width);
std::string_view field(std::span<const uint8_t> bytes);

}  // namespace tarifon::cp1252
