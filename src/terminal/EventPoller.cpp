#include "terminal/EventPoller.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include <termlink.h>

#include "platform/Cp1252.h"

namespace tarifon {

namespace {

constexpr int32_t kImageRequest = TERMLINK_RESPONSE_WANTS_PICTURES;
constexpr int32_t kPairedResponse = TERMLINK_RESPONSE_ERROR_PAIR;
constexpr size_t kBarcodeBufferSize = TERMLINK_BARCODE_BUFFER_SIZE;

struct ReplyPoll {
    ReplyKind kind;
    size_t size;
    Lamp lamp;
    uint8_t (TerminalLibrary::*receive)(uint8_t*);
};

constexpr std::array<ReplyPoll, 5> kReplyPolls = {{
    {ReplyKind::Param, TERMLINK_PARAM_SIZE, Lamp::ParamRead, &TerminalLibrary::bReceiveParam},
    {ReplyKind::UpdConfig, TERMLINK_UPD_CONFIG_SIZE, Lamp::UpdConfigRead,
     &TerminalLibrary::bReceiveUpdConfig},
    {ReplyKind::WlanConfig, TERMLINK_WLAN_CONFIG_SIZE, Lamp::WlanRead,
     &TerminalLibrary::bReceiveWlanConfig},
    {ReplyKind::MacAddrConfig, TERMLINK_MAC_ADDR_SIZE, Lamp::MacRead,
     &TerminalLibrary::bReceiveMacAddrConfig},
    {ReplyKind::Config, TERMLINK_NET_CONFIG_SIZE, Lamp::ConfigRead,
     &TerminalLibrary::bReceiveConfig},
}};

constexpr size_t kLargestReply =
    std::max_element(kReplyPolls.begin(), kReplyPolls.end(),
                     [](const auto& a, const auto& b) { return a.size < b.size; }) -> size;

// The library marks a filled reply by a nonzero first 32-bit field.
bool isFilled(const uint8_t* record) {
    return std::any_of(record, record + 4, [](uint8_t b) { return b != 0; });
}

// Negative codes print as their 32-bit two's complement (FFFFFFFF), never with a sign.
QString hex(int32_t code, int minDigits) {
    return QString::number(static_cast<uint32_t>(code), 16)
        .toUpper()
        .rightJustified(minDigits, QLatin1Char('0'));
}

// Response codes that answer a command, and the status lamp each turns green.
constexpr std::array<std::pair<int32_t, Lamp>, 7> kResponseLamps = {{
    {TERMLINK_RESPONSE_SOFTWARE_UPDATED, Lamp::UpdateSoftware},
    {TERMLINK_RESPONSE_ALWAYS_LIVE, Lamp::AllwaysLive},
    {TERMLINK_RESPONSE_CHECK_LIVE, Lamp::CheckLive},
    {TERMLINK_RESPONSE_RESTART_SOFT, Lamp::RestartSoft},
    {TERMLINK_RESPONSE_PARAM_WRITTEN, Lamp::ParamWrite},
    {TERMLINK_RESPONSE_UPD_CONFIG_WRITTEN, Lamp::UpdConfigWrite},
    {TERMLINK_RESPONSE_WLAN_WRITTEN, Lamp::WlanWrite},
}};

std::optional<Lamp> responseLamp(int32_t code) {
    for (const auto& [response, lamp] : kResponseLamps)
        if (response == code)
            return lamp;
    return std::nullopt;
}

}  // namespace

EventPoller::EventPoller(TerminalLibrary& library, PollerSink& sink)
    : m_library(library), m_sink(sink) {}

void EventPoller::tick() {
    if (m_queue)
        takeScans();
    else if (!pollBarcode())
        return;
    pollReplies();
    pollResponses();
}

EventPoller::Received EventPoller::receiveScan(int32_t& socket, QString& code) {
    int32_t spare = 0;
    int32_t length = 0;
    std::array<char, kBarcodeBufferSize> buffer{};
    if (m_library.bReceiveBarcode(&socket, &spare, buffer.data(), &length) == 0)
        return Received::Nothing;
    if (length <= 0)
        return Received::Unusable;
    // The first byte is the library's own; the code runs to the first zero or the buffer end.
    code = cp1252::decodeField(buffer.data() + 1, buffer.size() - 1);
    return Received::Scan;
}

// False when the lookup took its failure path: the rest of the tick waits for the next one.
bool EventPoller::pollBarcode() {
    int32_t socket = 0;
    QString code;
    if (receiveScan(socket, code) != Received::Scan)
        return true;
    if (!m_sink.lookupPrice(socket, code))
        return false;
    m_sink.appendLog(QLatin1Char('#') + code);
    return true;
}

int EventPoller::takeScans() {
    int taken = 0;
    for (; m_queue && taken < kMaxScansPerTick && m_queue->hasRoom(); ++taken) {
        int32_t socket = 0;
        QString code;
        const Received received = receiveScan(socket, code);
        if (received == Received::Nothing)
            break;
        if (received == Received::Scan)
            m_queue->submit(socket, code);
    }
    return taken;
}

void EventPoller::pollReplies() {
    for (const ReplyPoll& poll : kReplyPolls) {
        std::array<uint8_t, kLargestReply> record{};
        (m_library.*poll.receive)(record.data());
        if (!isFilled(record.data()))
            continue;
        m_sink.lampGreen(poll.lamp);
        m_sink.configReply(poll.kind, std::span<const uint8_t>(record.data(), poll.size));
    }
}

void EventPoller::pollResponses() {
    int32_t socket = 0;
    int32_t code = 0;
    // The cap is checked before asking, so no response is taken and then dropped.
    for (int taken = 0;
         taken < kMaxResponsesPerTick && m_library.GetResponseCtr(&socket, &code) != 0; ++taken) {
        if (const auto lamp = responseLamp(code)) {
            m_sink.lampGreen(*lamp);
        } else if (code == kImageRequest) {
            m_sink.startImageWorker(socket);
        } else if (code == kPairedResponse) {
            // 390 carries a second entry whose code belongs on the same line.
            if (m_library.GetResponseCtr(&socket, &code) != 0) {
                m_sink.appendLog(QStringLiteral("Response: ") + hex(kPairedResponse, 4) +
                                 QLatin1Char('/') + hex(code, 2));
                code = 0;
            }
        }
        if (code != 0)
            m_sink.appendLog(QStringLiteral("Response: ") + hex(code, 4));
    }
}

}  // namespace tarifon
