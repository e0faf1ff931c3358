// Terminal configuration: the read requests, the writes, the MAC query, the
// maintenance commands and the replies the poller hands over.
#include <array>

#include "app/Controller.h"
#include "base/LittleEndian.h"
#include "config/MacAddress.h"
#include "platform/IntText.h"
#include "terminal/ConnectedTerminals.h"

namespace tarifon {

namespace {

struct RequestCall {
    TerminalRequest request;
    Lamp lamp;
    uint8_t (TerminalLibrary::*send)(int32_t socket);
};

constexpr std::array<RequestCall, 8> kRequestCalls = {{
    {TerminalRequest::Config, Lamp::ConfigRead, &TerminalLibrary::bPedeConfig},
    {TerminalRequest::UpdConfig, Lamp::UpdConfigRead, &TerminalLibrary::bPedeUpdConfig},
    {TerminalRequest::Param, Lamp::ParamRead, &TerminalLibrary::bPedeParam},
    {TerminalRequest::WlanConfig, Lamp::WlanRead, &TerminalLibrary::bPedeWlanConfig},
    {TerminalRequest::AllwaysLive, Lamp::AllwaysLive, &TerminalLibrary::bSendAllwaysLive},
    {TerminalRequest::CheckLive, Lamp::CheckLive, &TerminalLibrary::bSendCheckLive},
    {TerminalRequest::RestartSoft, Lamp::RestartSoft, &TerminalLibrary::bSendRestartSoft},
    {TerminalRequest::UpdateSoftware, Lamp::UpdateSoftware, &TerminalLibrary::bUpdateSoftware},
}};

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
    m_view.setLamp(Lamp::MacRead, LampColor::Yellow);
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

Controller::TerminalId Controller::terminal(int32_t socket) const {
    return {socket, terminalAddress(m_library, m_tabConec, socket)};
}

QString Controller::terminalText(const TerminalId& terminal) {
    const QString address = terminal.address.isEmpty() ? QStringLiteral("?") : terminal.address;
    return address + QLatin1Char(':') + QString::number(terminal.socket);
}

// Read from one terminal and written to another, the network settings would give it the
// other's address; copying the display texts to several terminals is wanted, so the
// operator decides.
bool Controller::mayWrite(ConfigGroup group, int32_t socket) {
    const std::optional<TerminalId>& origin = m_configOrigins[static_cast<size_t>(group)];
    if (!origin || origin->socket == socket)
        return true;
    return m_view.confirm(
        m_configTexts.confirmCaption,
        m_configTexts.confirmWrite.arg(terminalText(*origin), terminalText(terminal(socket))));
}

void Controller::showConfigOrigins() {
    for (size_t group = 0; group < kConfigGroups; ++group) {
        const std::optional<TerminalId>& origin = m_configOrigins[group];
        m_view.showConfigOrigin(
            static_cast<ConfigGroup>(group),
            origin ? m_configTexts.origin.arg(terminalText(*origin)) : QString(),
            origin && origin->socket != m_selectedTerminal);
    }
}

// No lamp belongs to the network write, and no response code.
void Controller::sendNetConfig(NetConfig net, const QString& displayTime) {
    const std::optional<int32_t> socket = requireTerminal();
    if (!socket)
        return;
    const std::optional<int32_t> time = typedNumber(displayTime);
    if (!time || !mayWrite(ConfigGroup::Net, *socket))
        return;
    net.displayTime = *time;
    const NetConfigRecord record = encodeNetConfig(*socket, net);
    m_library.bMandaConfig(record.data());
}

// The name server, update server, user and password are out of the operator's sight:
// they may only go back to the terminal they came from, as it replied them.
void Controller::sendUpdConfig(std::string gateway, std::string terminalName) {
    const std::optional<int32_t> socket = requireTerminal();
    if (!socket)
        return;
    const std::optional<TerminalId>& origin =
        m_configOrigins[static_cast<size_t>(ConfigGroup::Upd)];
    if (!origin || origin->socket != *socket) {
        m_view.showNotice(m_configTexts.receiveFirst.arg(terminalText(terminal(*socket))));
        return;
    }
    UpdConfig upd = m_updReply;
    upd.gateway = std::move(gateway);
    upd.terminalName = std::move(terminalName);
    const UpdConfigRecord record = encodeUpdConfig(*socket, upd);
    m_view.setLamp(Lamp::UpdConfigWrite, LampColor::Yellow);
    m_library.bMandaUpdConfig(record.data());
}

// The one lamp that turns yellow after its record has gone to the library.
void Controller::sendExtras(const Extras& extras) {
    const std::optional<int32_t> socket = requireTerminal();
    if (!socket || !mayWrite(ConfigGroup::Extras, *socket))
        return;
    const ExtrasRecord record = encodeExtras(*socket, extras);
    m_library.bMandaParam(record.data());
    m_view.setLamp(Lamp::ParamWrite, LampColor::Yellow);
}

void Controller::sendWlanConfig(WlanConfig wlan, const QString& channel) {
    const std::optional<int32_t> socket = requireTerminal();
    if (!socket)
        return;
    const std::optional<int32_t> number = typedNumber(channel);
    if (!number || !mayWrite(ConfigGroup::Wlan, *socket))
        return;
    wlan.channel = *number;
    const WlanConfigRecord record = encodeWlanConfig(*socket, wlan);
    m_view.setLamp(Lamp::WlanWrite, LampColor::Yellow);
    m_library.bMandaWlanConfig(record.data());
}

// The poller has turned the reply's lamp green; the reply fills its group whichever
// terminal sent it, and the group names that terminal, marked when the operator has
// another one selected.  The library puts the replying terminal's socket value into
// the reply's first field.
void Controller::configReply(ReplyKind kind, std::span<const uint8_t> record) {
    ConfigGroup group = ConfigGroup::Net;
    switch (kind) {
        case ReplyKind::Param:
            group = ConfigGroup::Extras;
            m_view.showExtras(decodeExtras(record.first<TERMLINK_PARAM_SIZE>()));
            break;
        case ReplyKind::UpdConfig:
            group = ConfigGroup::Upd;
            m_updReply = decodeUpdConfig(record.first<TERMLINK_UPD_CONFIG_SIZE>());
            m_view.showUpdConfig(m_updReply);
            break;
        case ReplyKind::WlanConfig:
            group = ConfigGroup::Wlan;
            m_view.showWlanConfig(decodeWlanConfig(record.first<TERMLINK_WLAN_CONFIG_SIZE>()));
            break;
        case ReplyKind::MacAddrConfig:
            group = ConfigGroup::Mac;
            m_view.showMacAddress(decodeMacAddress(record.first<TERMLINK_MAC_ADDR_SIZE>()));
            break;
        case ReplyKind::Config:
            m_view.showNetConfig(decodeNetConfig(record.first<TERMLINK_NET_CONFIG_SIZE>()));
            break;
    }
    m_configOrigins[static_cast<size_t>(group)] = terminal(le::readI32(record.data()));
    showConfigOrigins();
}

}  // namespace tarifon
