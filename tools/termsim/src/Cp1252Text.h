#pragma once

#include <string>
#include <string_view>

// Terminals speak Windows-1252; the console and the files we write speak UTF-8.
// The table is our own so the simulator needs no Qt.
namespace termsim::cp1252 {

// Every byte maps to a character (the five unassigned ones to the C1 controls
// of the same value, as Windows does), so bytes -> UTF-8 -> bytes is lossless.
std::string toUtf8(std::string_view bytes);

// Characters outside Windows-1252 and broken UTF-8 sequences become '?'.
std::string fromUtf8(std::string_view utf8);

}  // namespace termsim::cp1252
