// A request target as a browser or a web price checker sends it: whatever it decodes to,
// a served name stays one plain name and a code stays a terminal's code.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "web/Request.h"
#include "wire/Wire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view target(reinterpret_cast<const char*>(data), size);
    const auto route = termlink::web::route(target);
    using termlink::web::RouteKind;
    if ((route.kind == RouteKind::Asset || route.kind == RouteKind::TemplateFile) &&
        (!termlink::web::isServedName(route.value) || route.value.find('/') != std::string::npos ||
         route.value.front() == '.'))
        std::abort();
    if (const auto code = termlink::web::scannedCode(route.value)) {
        if (code->empty() || code->size() > termlink::wire::kMaxCodeBytes ||
            code->find('\0') != std::string::npos)
            std::abort();
    }
    termlink::web::sameOrigin(target, target.substr(size / 2));
    return 0;
}
