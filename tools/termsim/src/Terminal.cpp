#include "termsim/Terminal.h"

#include <termlink.h>

namespace termsim {

namespace {

wire::Bytes response(int32_t code) {
    return wire::encode(wire::Response{code, std::nullopt});
}

wire::Bytes reply(wire::Type type, wire::Bytes record) {
    return wire::encode(wire::ConfigReply{type, std::move(record)});
}

// "Current interface" (any code but wired 0 or wireless 1) is the wireless one
// only while WLAN is switched on.
uint8_t answeredInterface(uint8_t requested, const WlanConfig& wlan) {
    if (requested <= 1)
        return requested;
    return wlan.enabled == 1 ? 1 : 0;
}

// The state file's group of the settings a request reads or a write changes.
const char* settingsGroup(wire::Type type) {
    switch (type) {
        case wire::Type::GetNetConfig:
        case wire::Type::SetNetConfig:
            return "net";
        case wire::Type::GetUpdConfig:
        case wire::Type::SetUpdConfig:
            return "upd";
        case wire::Type::GetParam:
        case wire::Type::SetParam:
            return "extras";
        default:
            return "wlan";
    }
}

Warning otherVersion(const std::string& spoken) {
    return Warning{"the server speaks protocol version " + spoken + ", not " +
                   std::to_string(wire::kProtocolVersion)};
}

}  // namespace

Terminal::Terminal(TerminalState state) : m_state(std::move(state)) {}

wire::Bytes Terminal::hello() const {
    wire::Hello h;
    h.model = m_state.model;
    h.mac = m_state.mac;
    h.firmware = m_state.firmware;
    return wire::encode(h);
}

wire::Bytes Terminal::scan(std::string_view code, uint32_t& seq) {
    seq = m_nextSeq++;
    return wire::encode(wire::Scan{seq, std::string(code)});
}

Outcome Terminal::handleFrame(const wire::Frame& frame) {
    std::string error;
    const auto message = wire::decode(frame, &error);
    if (!message) {
        Outcome out;
        out.events.push_back(Warning{"ignored a malformed frame from the server: " + error});
        return out;
    }
    return handle(*message);
}

void Terminal::answered(Outcome& out, wire::Type request, wire::Type replyType,
                        wire::Bytes record) {
    out.frames.push_back(reply(replyType, std::move(record)));
    out.events.emplace_back(
        std::in_place_type<SettingsRead>,
        SettingsRead{request, describeSettings(m_state, settingsGroup(request))});
}

tarifon::Result<void> Terminal::setRenderFile(std::filesystem::path path) {
    m_renderPath = std::move(path);
    return m_sheet.writePng(*m_renderPath);
}

void Terminal::rendered(Outcome& out) {
    if (!m_renderPath)
        return;
    const auto written = m_sheet.writePng(*m_renderPath);
    if (!written)
        out.events.push_back(Warning{"display not rendered: " + written.error()});
}

void Terminal::written(Outcome& out, wire::Type type, int32_t code) {
    if (code)
        out.frames.push_back(response(code));
    out.events.emplace_back(
        std::in_place_type<SettingsWritten>,
        SettingsWritten{type, code, describeSettings(m_state, settingsGroup(type))});
    if (!m_statePath)
        return;
    const auto saved = saveStateFile(*m_statePath, m_state);
    if (!saved)
        out.events.push_back(Warning{"settings kept in memory only: " + saved.error()});
}

Outcome Terminal::handleCommand(wire::Type type) {
    using wire::Type;
    Outcome out;
    switch (type) {
        case Type::KeepAlive:
            ++m_keepAlives;
            out.frames.push_back(wire::encode(wire::Alive{}));
            out.events.emplace_back(std::in_place_type<KeepAliveReceived>);
            break;
        case Type::GetNetConfig:
            answered(out, type, Type::NetConfigReply, encodeNetConfig(m_state.net));
            break;
        case Type::GetUpdConfig:
            answered(out, type, Type::UpdConfigReply, encodeUpdConfig(m_state.upd));
            break;
        case Type::GetParam:
            answered(out, type, Type::ParamReply, encodeExtras(m_state.extras));
            break;
        case Type::GetWlanConfig:
            answered(out, type, Type::WlanConfigReply, encodeWlanConfig(m_state.wlan));
            break;
        case Type::AlwaysLive:
        case Type::CheckLive:
        case Type::RestartSoft:
        case Type::UpdateSoftware: {
            const int32_t code = type == Type::AlwaysLive    ? TERMLINK_RESPONSE_ALWAYS_LIVE
                                 : type == Type::CheckLive   ? TERMLINK_RESPONSE_CHECK_LIVE
                                 : type == Type::RestartSoft ? TERMLINK_RESPONSE_RESTART_SOFT
                                                             : TERMLINK_RESPONSE_SOFTWARE_UPDATED;
            out.frames.push_back(response(code));
            out.events.emplace_back(std::in_place_type<CommandAcknowledged>,
                                    CommandAcknowledged{type, code});
            break;
        }
        default:
            out.events.push_back(Warning{"ignored an unexpected command from the server"});
            break;
    }
    return out;
}

Outcome Terminal::handle(const wire::Message& message) {
    using wire::Type;
    Outcome out;
    if (const auto* command = std::get_if<wire::Command>(&message))
        return handleCommand(command->type);
    if (const auto* welcome = std::get_if<wire::Welcome>(&message)) {
        // Another version would lay out every message differently: not welcomed.
        if (welcome->version != wire::kProtocolVersion) {
            out.events.push_back(otherVersion(std::to_string(welcome->version)));
            return out;
        }
        // A terminal that can show pictures asks for them as soon as it is in.
        if (m_state.model >= 2)
            out.frames.push_back(response(TERMLINK_RESPONSE_WANTS_PICTURES));
        out.events.emplace_back(std::in_place_type<wire::Welcome>, *welcome);
    } else if (const auto* mac = std::get_if<wire::GetMacAddr>(&message)) {
        const uint8_t interfaceCode = answeredInterface(mac->interfaceCode, m_state.wlan);
        out.frames.push_back(reply(Type::MacAddrReply, encodeMacReply(interfaceCode, m_state.mac)));
        out.events.emplace_back(
            std::in_place_type<SettingsRead>,
            SettingsRead{Type::GetMacAddr, "asked for interface " +
                                               std::to_string(mac->interfaceCode) + ": interface " +
                                               std::to_string(interfaceCode) + " mac " +
                                               macText(m_state.mac)});
    } else if (const auto* set = std::get_if<wire::SetConfig>(&message)) {
        switch (set->type) {
            case Type::SetNetConfig:
                m_state.net = decodeNetConfig(set->record);
                written(out, set->type, 0);
                break;
            case Type::SetUpdConfig:
                m_state.upd = decodeUpdConfig(set->record);
                written(out, set->type, TERMLINK_RESPONSE_UPD_CONFIG_WRITTEN);
                break;
            case Type::SetParam:
                m_state.extras = decodeExtras(set->record);
                written(out, set->type, TERMLINK_RESPONSE_PARAM_WRITTEN);
                break;
            default:
                m_state.wlan = decodeWlanConfig(set->record);
                written(out, set->type, TERMLINK_RESPONSE_WLAN_WRITTEN);
                break;
        }
    } else if (const auto* picture = std::get_if<wire::Picture>(&message)) {
        PictureReceived received{
            picture->width, picture->height, picture->index,       picture->loop,
            picture->pause, picture->flag,   picture->data.size(), "-",
            picture->kind};
        if (m_pictures) {
            auto stored = m_pictures->store(*picture);
            if (stored)
                received.file = stored.value();
            else
                out.events.push_back(Warning{"picture not stored: " + stored.error()});
        }
        out.events.emplace_back(std::in_place_type<PictureReceived>, std::move(received));
        m_sheet.addPicture(*picture);
        rendered(out);
    } else if (const auto* display = std::get_if<wire::DisplayMsg>(&message)) {
        out.events.emplace_back(std::in_place_type<wire::DisplayMsg>, *display);
        m_sheet.showMessage(*display);
        rendered(out);
    } else if (const auto* versions = std::get_if<wire::Versions>(&message)) {
        // Only before Bye(UnsupportedVersion); termsim speaks one version, so it can only tell.
        std::string spoken;
        for (const uint16_t version : versions->versions)
            spoken += (spoken.empty() ? "" : ", ") + std::to_string(version);
        out.events.push_back(otherVersion(spoken));
    } else {
        std::visit(
            [&](const auto& m) {
                using T = std::decay_t<decltype(m)>;
                if constexpr (std::is_same_v<T, wire::Bye> || std::is_same_v<T, wire::Price> ||
                              std::is_same_v<T, wire::NotFound>)
                    out.events.emplace_back(std::in_place_type<T>, m);
                else
                    out.events.push_back(
                        Warning{"ignored a terminal-side message sent by the server"});
            },
            message);
    }
    return out;
}

}  // namespace termsim
