// A shop's template and a value from the database or a scanned code: the value always
// arrives escaped, whatever the template around it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/HtmlEscape.h"
#include "web/Page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first byte says where the template ends and the value begins.
    const size_t split = size == 0 ? 0 : data[0] % size;
    const std::string_view text = input.substr(0, split), value = input.substr(split);
    termlink::web::fillTemplate(text, {{"code", value}, {"price", value}});
    const std::string escaped = tarifon::htmlEscape(value);
    if (escaped.find_first_of("<>\"'") != std::string::npos)
        std::abort();
    if (termlink::web::fillTemplate("[{{code}}]", {{"code", value}}) != "[" + escaped + "]")
        std::abort();
    return 0;
}
