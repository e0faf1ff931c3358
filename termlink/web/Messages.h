#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "base/Result.h"
#include "config/UpdConfig.h"
#include "wire/Wire.h"

// The JSON the web side speaks: the kiosk page's messages in both directions (one JSON
// object per WebSocket text message, docs/web.md) and the answers of /api/price.  Texts
// are UTF-8 here and Windows-1252 towards the program.
namespace termlink::web {

// ---- from the kiosk page ----------------------------------------------------

struct PageScan {
    std::string code;  // as the page sent it; web::scannedCode() makes it a terminal's code
    std::optional<uint32_t> seq;
};
struct PageAlive {};
struct PageResponse {
    int32_t code = 0;
    std::optional<int32_t> second;
};
// The idle texts and their display time that the page keeps (the answer to getNetConfig).
struct PageNetConfig {
    std::array<std::string, 4> texts;
    int32_t time = 0;
};
// What the page was last given by setUpdConfig (the answer to getUpdConfig).
struct PageUpdConfig {
    tarifon::UpdConfig upd;
};
using PageMessage = std::variant<PageScan, PageAlive, PageResponse, PageNetConfig, PageUpdConfig>;

// One message of the page; the error says what is wrong with it.
tarifon::Result<PageMessage> parsePageMessage(std::string_view text);

// The network reply as the program reads it (the wire payload, without the record's first
// field): the page's texts and time beside the addresses of the connection as the server
// sees them; a browser's netmask is not ours to know and stays empty.
wire::Bytes netConfigReply(const PageNetConfig& page, std::string_view serverAddress,
                           std::string_view pageAddress);
wire::Bytes updConfigReply(const PageUpdConfig& page);

// ---- to the kiosk page ------------------------------------------------------

std::string welcomeMessage(int32_t socket, uint32_t idleTimeoutMs, std::string_view pageAddress);
std::string failedMessage(uint32_t seq);

// Why a server message gives the page nothing.
enum class Unsent {
    NotForBrowsers,     // extras, Wi-Fi and MAC address requests and writes; frames to a server
    UnshowablePicture,  // a picture of the set in a format browsers do not show (TIFF)
};
// The page's message for what the program sends a terminal.
tarifon::Result<std::string, Unsent> pageMessage(const wire::Message& message);

// The MIME type of picture bytes a browser shows (JPEG, PNG, GIF, BMP, WebP); empty for
// anything else.
std::string_view pictureType(std::span<const uint8_t> bytes);

// ---- /api/price -------------------------------------------------------------

// {"code","found","description","price"}: found false carries empty texts.
std::string priceJson(std::string_view code, bool found, std::string_view description,
                      std::string_view price);
// {"code","error"}, for a lookup that failed or a request without a code.
std::string errorJson(std::string_view code, std::string_view error);

}  // namespace termlink::web
