// The kiosk page's messages: any text a page sends is a message or an error, and what the
// program sends a page is always valid JSON, whatever texts it carries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <boost/json.hpp>

#include "web/Messages.h"

using namespace termlink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto message = web::parsePageMessage(text)) {
        if (const auto* net = std::get_if<web::PageNetConfig>(&*message)) {
            if (web::netConfigReply(*net, "10.0.0.1", "10.0.0.2").size() != wire::kNetConfigBytes)
                std::abort();
        } else if (const auto* upd = std::get_if<web::PageUpdConfig>(&*message)) {
            if (web::updConfigReply(*upd).size() != wire::kUpdConfigBytes)
                std::abort();
        }
    }
    // The same bytes as a frame the program's calls could make: type, then payload.
    if (size == 0)
        return 0;
    const auto sent =
        wire::decode({static_cast<wire::Type>(data[0]), wire::Bytes(data + 1, data + size)});
    if (!sent)
        return 0;
    if (const auto json = web::pageMessage(*sent)) {
        boost::json::error_code ec;
        boost::json::parse(*json, ec);
        if (ec)
            std::abort();
    }
    return 0;
}
