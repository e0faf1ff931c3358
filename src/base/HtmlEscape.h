#pragma once

#include <string>
#include <string_view>

namespace tarifon {

// Text made safe anywhere in HTML, between tags and inside quoted attributes: & < > " '
// become character references.
std::string htmlEscape(std::string_view text);

}  // namespace tarifon
