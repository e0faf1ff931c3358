// termlink.ini is read from disk: any bytes must parse without harm.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "termlink/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    termlink::parseSettings(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
