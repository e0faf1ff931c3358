#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace tarifon {

// The Windows-1252 codec (base/Cp1252.h) for QString: text that crosses to the
// terminal library or to 8-bit files.  Characters it cannot represent become '?'.
namespace cp1252 {

std::string encode(const QString& text);
QString decode(std::string_view bytes);

// Text up to the first zero byte, never past `size` bytes.
QString decodeField(const char* data, size_t size);

}  // namespace cp1252

}  // namespace tarifon
