// Terminal configuration: the read requests, the writes, the MAC query, the
// maintenance commands and the replies the poller hands over.
#include <array>

#include "app/Controller.h"
#include "config/MacAddress.h"
#include "platform/IntText.h"

namespace tarifon {

namespace {

struct RequestCall {
    TerminalRequest request;
    int lamp;
    uint8_t (TerminalLibrary::*send)(int32_t socket);
};

constexpr std::array<RequestCall, 8> kRequestCalls = {{
    {TerminalRequest::Config, 7, &TerminalLibrary::bPedeConfig},
    {TerminalRequest::UpdConfig, 5, &TerminalLibrary::bPedeUpdConfig},
    {TerminalRequest::Param, 8, &TerminalLibrary::bPedeParam},
    {TerminalRequest::WlanConfig, 10, &TerminalLibrary::bPedeWlanConfig},
    {TerminalRequest::AllwaysLive, 1, &TerminalLibrary::bSendAllwaysLive},
    {TerminalRequest::CheckLive, 2, &TerminalLibrary::bSendCheckLive},
    {TerminalRequest::RestartSoft, 3, &TerminalLibrary::bSendRestartSoft},
    {TerminalRequest::UpdateSoftware, 4, &TerminalLibrary::bUpdateSoftware},
}};

constexpr int kMacLamp = 12;
constexpr int kUpdConfigWriteLamp = 6;
constexpr int kExtrasWriteLamp = 9;
constexpr int kWlanWriteLamp = 11;

}  // namespace

void Controller::request(TerminalRequest request) {
    const std::optional<int32_t> socket = requireTerminal();
    if (!socket)
        return;
    for (const RequestCall& call : kRequestCalls) {
        if (call.request != request)
            continue;
        m_view.setLamp(call.lamp, LampColor::Yellow);
        (m_library.*call.send)(*socket);
    }
}

void Controller::requestMacAddress(int interfaceItem) {
    const std::optional<int32_t> socket = requireTerminal();
    if (!socket)
        return;
    const uint8_t code = macRequestCode(interfaceItem);
    m_view.setLamp(kMacLamp, LampColor::Yellow);
    m_library.bPedeMacAddr(*socket, code);
}

std::optional<int32_t> Controller::typedNumber(const QString& text) {
    const Result<int32_t, QString> number = typedInteger(text);
    if (!number) {
        m_view.showApplicationError(number.error());
        return std::nullopt;
    }
    return *number;
}

// No lamp belongs to the network write, and no response code.
void Controller::sendNetConfig(NetConfig net, const QString& displayTime) {
    const std::optional<int32_t> socket = requireTerminal();
    if (!socket)
        return;
    const std::optional<int32_t> time = typedNumber(displayTime);
    if (!time)
        return;
    net.displayTime = *time;
    const NetConfigRecord record = encodeNetConfig(*socket, net);
    m_library.bMandaConfig(record.data());
}

void Controller::sendUpdConfig(const UpdConfig& upd) {
    const std::optional<int32_t> socket = requireTerminal();
    if (!socket)
        return;
    const UpdConfigRecord record = encodeUpdConfig(*socket, upd);
    m_view.setLamp(kUpdConfigWriteLamp, LampColor::Yellow);
    m_library.bMandaUpdConfig(record.data());
}

// The one lamp that turns yellow after its record has gone to the library.
void Controller::sendExtras(const Extras& extras) {
    const std::optional<int32_t> socket = requireTerminal();
    if (!socket)
        return;
    const ExtrasRecord record = encodeExtras(*socket, extras);
    m_library.bMandaParam(record.data());
    m_view.setLamp(kExtrasWriteLamp, LampColor::Yellow);
}

void Controller::sendWlanConfig(WlanConfig wlan, const QString& channel) {
    const std::optional<int32_t> socket = requireTerminal();
    if (!socket)
        return;
    const std::optional<int32_t> number = typedNumber(channel);
    if (!number)
        return;
    wlan.channel = *number;
    const WlanConfigRecord record = encodeWlanConfig(*socket, wlan);
    m_view.setLamp(kWlanWriteLamp, LampColor::Yellow);
    m_library.bMandaWlanConfig(record.data());
}

// The poller has turned the reply's lamp green; the reply fills its group whichever
// terminal sent it.
void Controller::configReply(ReplyKind kind, std::span<const uint8_t> record) {
    switch (kind) {
        case ReplyKind::Param:
            m_view.showExtras(decodeExtras(record.first<TERMLINK_PARAM_SIZE>()));
            break;
        case ReplyKind::UpdConfig:
            m_view.showUpdConfig(decodeUpdConfig(record.first<TERMLINK_UPD_CONFIG_SIZE>()));
            break;
        case ReplyKind::WlanConfig:
            m_view.showWlanConfig(decodeWlanConfig(record.first<TERMLINK_WLAN_CONFIG_SIZE>()));
            break;
        case ReplyKind::MacAddrConfig:
            m_view.showMacAddress(decodeMacAddress(record.first<TERMLINK_MAC_ADDR_SIZE>()));
            break;
        case ReplyKind::Config:
            m_view.showNetConfig(decodeNetConfig(record.first<TERMLINK_NET_CONFIG_SIZE>()));
            break;
    }
}

}  // namespace tarifon
