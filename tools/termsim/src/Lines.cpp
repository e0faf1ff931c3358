#include "termsim/Lines.h"

#include "base/Cp1252.h"

namespace termsim::lines {

namespace {

std::string printable(const std::string& bytes) {
    std::string utf8 = tarifon::cp1252::toUtf8(bytes);
    for (char& c : utf8) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    }
    return utf8;
}

const char* typeName(wire::Type type) {
    switch (type) {
        case wire::Type::GetNetConfig:
        case wire::Type::SetNetConfig:
            return "network";
        case wire::Type::GetUpdConfig:
        case wire::Type::SetUpdConfig:
            return "update server";
        case wire::Type::GetParam:
        case wire::Type::SetParam:
            return "extras";
        case wire::Type::GetWlanConfig:
        case wire::Type::SetWlanConfig:
            return "WLAN";
        case wire::Type::GetMacAddr:
            return "MAC address";
        case wire::Type::AlwaysLive:
            return "always live";
        case wire::Type::CheckLive:
            return "check live";
        case wire::Type::RestartSoft:
            return "restart soft";
        case wire::Type::UpdateSoftware:
            return "update software";
        default:
            return "unknown";
    }
}

}  // namespace

std::string price(const std::string& code, const wire::Price& price) {
    return code + '\t' + printable(price.description) + '\t' + printable(price.price);
}

std::string notFound(const std::string& code) {
    return code + "\tnot found";
}

std::string noReply(const std::string& code) {
    return code + "\tno reply";
}

std::string display(const wire::DisplayMsg& message) {
    return "display: " + printable(message.line1) + " | " + printable(message.line2) + " (time " +
           std::to_string(message.time) + ")";
}

std::string picture(const PictureReceived& p) {
    return "picture: " + p.file + " " + pictureKindName(p.kind) + " width " +
           std::to_string(p.width) + " height " + std::to_string(p.height) + " index " +
           std::to_string(p.index) + " loop " + std::to_string(p.loop) + " pause " +
           std::to_string(p.pause) + " flag " + std::to_string(p.flag) + ", " +
           std::to_string(p.bytes) + " bytes";
}

std::string settingsRead(const SettingsRead& read) {
    return std::string("settings: ") + typeName(read.type) + " read, " + read.settings;
}

std::string settingsWritten(const SettingsWritten& written) {
    std::string line = std::string("settings: ") + typeName(written.type) + " written";
    if (written.code)
        line += ", reported " + std::to_string(written.code);
    return line + ", " + written.settings;
}

std::string commandAcknowledged(const CommandAcknowledged& command) {
    return std::string("command: ") + typeName(command.type) + ", reported " +
           std::to_string(command.code);
}

std::string byeReason(wire::ByeReason reason) {
    switch (reason) {
        case wire::ByeReason::ProtocolError:
            return "protocol error";
        case wire::ByeReason::ServerFull:
            return "server full";
        case wire::ByeReason::UnsupportedVersion:
            return "unsupported protocol version";
        case wire::ByeReason::IdleTimeout:
            return "idle time-out";
        case wire::ByeReason::HandshakeTimeout:
            return "handshake time-out";
        case wire::ByeReason::ServerStopping:
            return "server stopping";
    }
    return "reason " + std::to_string(static_cast<unsigned>(reason));
}

}  // namespace termsim::lines
