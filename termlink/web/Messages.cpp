#include "web/Messages.h"

#include <limits>

#include <boost/json.hpp>

#include "base/Cp1252.h"
#include "config/NetConfig.h"

namespace termlink::web {

namespace json = boost::json;
using tarifon::cp1252::toUtf8;

namespace {

// One flat object; anything nested deeper is not ours.
constexpr unsigned kMaxDepth = 2;
constexpr int64_t kMaxU32 = std::numeric_limits<uint32_t>::max();
constexpr int64_t kMinI32 = std::numeric_limits<int32_t>::min();
constexpr int64_t kMaxI32 = std::numeric_limits<int32_t>::max();
constexpr size_t kNetTexts = 4;

std::string quoted(std::string_view key) {
    return "'" + std::string(key) + "'";
}

// A text field; a missing one reads as empty unless it is required.
tarifon::Result<std::string> textField(const json::object& o, std::string_view key,
                                       bool required = false) {
    const json::value* v = o.if_contains(key);
    if (!v && !required)
        return std::string();
    if (!v)
        return tarifon::fail(quoted(key) + " is missing");
    if (!v->is_string())
        return tarifon::fail(quoted(key) + " is not a text");
    return std::string(v->get_string());
}

// A whole-number field within [min, max]; nullopt when missing.
tarifon::Result<std::optional<int64_t>> numberField(const json::object& o, std::string_view key,
                                                    int64_t min, int64_t max) {
    const json::value* v = o.if_contains(key);
    if (!v)
        return std::optional<int64_t>();
    json::error_code ec;
    const int64_t n = v->is_number() ? v->to_number<int64_t>(ec) : 0;
    if (!v->is_number() || ec || n < min || n > max)
        return tarifon::fail(quoted(key) + " must be a whole number from " + std::to_string(min) +
                             " to " + std::to_string(max));
    return std::optional<int64_t>(n);
}

tarifon::Result<PageMessage> scanMessage(const json::object& o) {
    auto code = textField(o, "code", true);
    auto seq = numberField(o, "seq", 0, kMaxU32);
    if (!code)
        return tarifon::fail(code.error());
    if (!seq)
        return tarifon::fail(seq.error());
    PageScan scan{std::move(*code), {}};
    if (*seq)
        scan.seq = static_cast<uint32_t>(**seq);
    return PageMessage(std::move(scan));
}

tarifon::Result<PageMessage> responseMessage(const json::object& o) {
    auto code = numberField(o, "code", kMinI32, kMaxI32);
    auto second = numberField(o, "second", kMinI32, kMaxI32);
    if (!code || !*code)
        return tarifon::fail(code ? quoted("code") + " is missing" : code.error());
    if (!second)
        return tarifon::fail(second.error());
    PageResponse response{static_cast<int32_t>(**code), {}};
    if (*second)
        response.second = static_cast<int32_t>(**second);
    return PageMessage(response);
}

tarifon::Result<PageMessage> netConfigMessage(const json::object& o) {
    PageNetConfig net;
    for (size_t i = 0; i < kNetTexts; ++i) {
        auto t = textField(o, "text" + std::to_string(i + 1));
        if (!t)
            return tarifon::fail(t.error());
        net.texts[i] = std::move(*t);
    }
    auto time = numberField(o, "time", 0, 255);
    if (!time)
        return tarifon::fail(time.error());
    net.time = static_cast<int32_t>(time->value_or(0));
    return PageMessage(std::move(net));
}

tarifon::Result<PageMessage> updConfigMessage(const json::object& o) {
    PageUpdConfig page;
    tarifon::UpdConfig& upd = page.upd;
    for (const auto& [key, field] :
         {std::pair{"gateway", &upd.gateway}, std::pair{"nameServer", &upd.nameServer},
          std::pair{"terminalName", &upd.terminalName},
          std::pair{"updateServer", &upd.updateServer}, std::pair{"user", &upd.user},
          std::pair{"password", &upd.password}}) {
        auto t = textField(o, key);
        if (!t)
            return tarifon::fail(t.error());
        *field = std::move(*t);
    }
    return PageMessage(std::move(page));
}

// A record payload with the program's leading field put back, for the program's decoders.
template <size_t N>
std::array<uint8_t, N> withLead(const wire::Bytes& payload) {
    std::array<uint8_t, N> record{};
    std::copy_n(payload.begin(), std::min(payload.size(), N - wire::kRecordLeadBytes),
                record.begin() + wire::kRecordLeadBytes);
    return record;
}

json::object setNetConfig(const wire::Bytes& payload) {
    const auto net = tarifon::decodeNetConfig(withLead<TERMLINK_NET_CONFIG_SIZE>(payload));
    return {{"type", "setNetConfig"}, {"server", net.server}, {"terminal", net.terminal},
            {"netmask", net.netmask}, {"text1", net.text1},   {"text2", net.text2},
            {"text3", net.text3},     {"text4", net.text4},   {"time", net.displayTime}};
}

json::object setUpdConfig(const wire::Bytes& payload) {
    const auto upd = tarifon::decodeUpdConfig(withLead<TERMLINK_UPD_CONFIG_SIZE>(payload));
    return {{"type", "setUpdConfig"},           {"gateway", upd.gateway},
            {"nameServer", upd.nameServer},     {"terminalName", upd.terminalName},
            {"updateServer", upd.updateServer}, {"user", upd.user},
            {"password", upd.password}};
}

const char* pictureKind(wire::PictureKind kind) {
    switch (kind) {
        case wire::PictureKind::Instant:
            return "instant";
        case wire::PictureKind::UploadBegin:
            return "uploadBegin";
        case wire::PictureKind::UploadClear:
            return "uploadClear";
        case wire::PictureKind::UploadPicture:
            return "uploadPicture";
        case wire::PictureKind::UploadEnd:
            break;
    }
    return "uploadEnd";
}

std::string base64(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t group = static_cast<uint32_t>(bytes[i]) << 16;
        if (n > 1)
            group |= static_cast<uint32_t>(bytes[i + 1]) << 8;
        if (n > 2)
            group |= bytes[i + 2];
        for (size_t k = 0; k < 4; ++k)
            out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return out;
}

tarifon::Result<std::string, Unsent> pictureMessage(const wire::Picture& p) {
    json::object o{{"type", "picture"},
                   {"kind", pictureKind(p.kind)},
                   {"index", p.index},
                   {"loop", p.loop},
                   {"pause", p.pause}};
    const std::string_view mime = pictureType(p.data);
    if (!p.data.empty() && mime.empty() && p.kind == wire::PictureKind::UploadPicture)
        return Unsent::UnshowablePicture;
    if (!mime.empty()) {
        o["mime"] = mime;
        o["data"] = base64(p.data);
    }
    return json::serialize(o);
}

const char* commandName(wire::Type type) {
    switch (type) {
        case wire::Type::KeepAlive:
            return "keepAlive";
        case wire::Type::GetNetConfig:
            return "getNetConfig";
        case wire::Type::GetUpdConfig:
            return "getUpdConfig";
        case wire::Type::AlwaysLive:
            return "alwaysLive";
        case wire::Type::CheckLive:
            return "checkLive";
        case wire::Type::RestartSoft:
            return "restartSoft";
        case wire::Type::UpdateSoftware:
            return "updateSoftware";
        default:
            return nullptr;  // extras and Wi-Fi: a browser has none
    }
}

}  // namespace

tarifon::Result<PageMessage> parsePageMessage(std::string_view text) {
    json::parse_options options;
    options.max_depth = kMaxDepth;
    json::error_code ec;
    const json::value value = json::parse(text, ec, {}, options);
    if (ec)
        return tarifon::fail("not JSON: " + ec.message());
    const json::object* o = value.if_object();
    if (!o)
        return tarifon::fail("not a JSON object");
    auto type = textField(*o, "type", true);
    if (!type)
        return tarifon::fail(type.error());
    if (*type == "scan")
        return scanMessage(*o);
    if (*type == "alive")
        return PageMessage(PageAlive{});
    if (*type == "response")
        return responseMessage(*o);
    if (*type == "netConfig")
        return netConfigMessage(*o);
    if (*type == "updConfig")
        return updConfigMessage(*o);
    return tarifon::fail("unknown message type " + quoted(*type));
}

wire::Bytes netConfigReply(const PageNetConfig& page, std::string_view serverAddress,
                           std::string_view pageAddress) {
    const tarifon::NetConfig net{std::string(serverAddress),
                                 std::string(pageAddress),
                                 {},
                                 page.texts[0],
                                 page.texts[1],
                                 page.texts[2],
                                 page.texts[3],
                                 page.time};
    const auto record = tarifon::encodeNetConfig(0, net);
    return wire::Bytes(record.begin() + wire::kRecordLeadBytes, record.end());
}

wire::Bytes updConfigReply(const PageUpdConfig& page) {
    const auto record = tarifon::encodeUpdConfig(0, page.upd);
    return wire::Bytes(record.begin() + wire::kRecordLeadBytes, record.end());
}

std::string welcomeMessage(int32_t socket, uint32_t idleTimeoutMs, std::string_view pageAddress) {
    return json::serialize(json::object{{"type", "welcome"},
                                        {"socket", socket},
                                        {"idleTimeoutMs", idleTimeoutMs},
                                        {"address", pageAddress}});
}

std::string failedMessage(uint32_t seq) {
    return json::serialize(json::object{{"type", "failed"}, {"seq", seq}});
}

tarifon::Result<std::string, Unsent> pageMessage(const wire::Message& message) {
    if (const auto* price = std::get_if<wire::Price>(&message))
        return json::serialize(json::object{{"type", "price"},
                                            {"seq", price->seq},
                                            {"description", toUtf8(price->description)},
                                            {"price", toUtf8(price->price)}});
    if (const auto* notFound = std::get_if<wire::NotFound>(&message))
        return json::serialize(json::object{{"type", "notFound"}, {"seq", notFound->seq}});
    if (const auto* m = std::get_if<wire::DisplayMsg>(&message))
        return json::serialize(json::object{{"type", "message"},
                                            {"line1", toUtf8(m->line1)},
                                            {"line2", toUtf8(m->line2)},
                                            {"time", m->time}});
    if (const auto* picture = std::get_if<wire::Picture>(&message))
        return pictureMessage(*picture);
    if (const auto* set = std::get_if<wire::SetConfig>(&message)) {
        if (set->type == wire::Type::SetNetConfig)
            return json::serialize(setNetConfig(set->record));
        if (set->type == wire::Type::SetUpdConfig)
            return json::serialize(setUpdConfig(set->record));
        return Unsent::NotForBrowsers;
    }
    if (const auto* command = std::get_if<wire::Command>(&message)) {
        if (const char* name = commandName(command->type))
            return json::serialize(json::object{{"type", name}});
    }
    return Unsent::NotForBrowsers;
}

std::string_view pictureType(std::span<const uint8_t> b) {
    const auto starts = [&](std::initializer_list<uint8_t> sig, size_t at = 0) {
        return b.size() >= at + sig.size() && std::equal(sig.begin(), sig.end(), b.begin() + at);
    };
    if (starts({0xFF, 0xD8, 0xFF}))
        return "image/jpeg";
    if (starts({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}))
        return "image/png";
    if (starts({'G', 'I', 'F', '8'}))
        return "image/gif";
    if (starts({'B', 'M'}))
        return "image/bmp";
    if (starts({'R', 'I', 'F', 'F'}) && starts({'W', 'E', 'B', 'P'}, 8))
        return "image/webp";
    return {};
}

std::string priceJson(std::string_view code, bool found, std::string_view description,
                      std::string_view price) {
    return json::serialize(json::object{
        {"code", code}, {"found", found}, {"description", description}, {"price", price}});
}

std::string errorJson(std::string_view code, std::string_view error) {
    return json::serialize(json::object{{"code", code}, {"error", error}});
}

}  // namespace termlink::web
