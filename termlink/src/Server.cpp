#include "termlink/Server.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>

#include <boost/asio/post.hpp>

#include "base/Cp1252.h"
#include "base/LittleEndian.h"
#include "termlink/Connection.h"
#include "termlink/Listening.h"
#include "termlink/Limits.h"
#include "termlink/Report.h"

namespace termlink {

namespace {

// Leading byte of the program's barcode buffer, before the code text.
constexpr char kBarcodeLead = 0x02;
constexpr size_t kMaxPathBytes = 4096;

std::string boundedText(const char* text) {
    return std::string(text, strnlen(text, wire::kMaxTextBytes));
}

// How the program marks an upload of the picture set: its picture "upd.bmp" at
// index 0 first with pause 254, then again at the end; (0, 0, 255) in between.
constexpr std::string_view kUploadMarkerFile = "upd.bmp";
constexpr int32_t kUploadBeginPause = 254;
constexpr int32_t kUploadClearIndex = 255;

// What a picture is for, told from its numbers and its file's name, so that the
// terminal need not guess: the instant image may carry any display time, 254 and
// 0 included.
wire::PictureKind pictureKind(std::string_view path, int32_t width, int32_t height, int32_t index,
                              int32_t pause) {
    if (width == 0 && height == 0 && index == kUploadClearIndex)
        return wire::PictureKind::UploadClear;
    if (index > 0)
        return wire::PictureKind::UploadPicture;
    const size_t slash = path.find_last_of('/');
    if (path.substr(slash == std::string_view::npos ? 0 : slash + 1) != kUploadMarkerFile)
        return wire::PictureKind::Instant;
    return pause == kUploadBeginPause ? wire::PictureKind::UploadBegin
                                      : wire::PictureKind::UploadEnd;
}

enum class PictureFile { Read, Missing, TooLarge };

// Reads until the end of the file, stopping as soon as it is past the limit, so a
// huge (or growing) file costs little.
PictureFile readPicture(const std::string& path, wire::Bytes& data) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return PictureFile::Missing;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxPictureBytes)
        return PictureFile::TooLarge;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return PictureFile::Missing;
    data.clear();
    char chunk[16 * 1024];
    while (data.size() <= kMaxPictureBytes && in) {
        in.read(chunk, sizeof chunk);
        data.insert(data.end(), chunk, chunk + in.gcount());
    }
    if (in.bad()) {
        data.clear();
        return PictureFile::Missing;
    }
    if (data.size() > kMaxPictureBytes) {
        data.clear();
        return PictureFile::TooLarge;
    }
    return PictureFile::Read;
}

}  // namespace

Server::Server(ServerConfig config)
    : m_config(std::move(config)),
      m_work(asio::make_work_guard(m_io)),
      m_acceptor(m_io),
      m_acceptRetry(m_io),
      m_refusalTimer(m_io),
      m_accepting{m_acceptor, m_acceptRetry,
                  [this](const asio::ip::address& peer) { return admit(peer); },
                  [this](asio::ip::tcp::socket socket) { holdRefused(std::move(socket)); },
                  [this](asio::ip::tcp::socket socket) { start(std::move(socket)); }},
      m_heldTimer(m_io),
      m_connectionRate(m_config.connectLimit),
      // One gate for both ports: the terminals' allow list and connection rate.
      m_web(m_config.web.enabled
                ? std::make_unique<WebListener>(
                      m_io, m_registry, m_programPages, m_config, m_accepting.admit,
                      m_accepting.refused,
                      [this](const asio::ip::address& peer) { consoleRefused(peer); })
                : nullptr),
      m_thread([this] { runNetworkThread(); }) {}

void Server::runNetworkThread() {
    runReportingFailures(m_io);
}

Server::~Server() {
    stop();
    m_registry.clear();
}

bool Server::listen() {
    std::lock_guard lock(m_controlMutex);
    if (m_stopped)
        return false;
    std::packaged_task<bool()> task([this] { return listenOnNetworkThread(); });
    auto result = task.get_future();
    asio::post(m_io, std::move(task));
    return result.get();
}

// The terminals first: a web side set to their port must not take it from them.  The web
// side is tried at every call, whether or not the terminals could listen.
bool Server::listenOnNetworkThread() {
    bool listening = m_acceptor.is_open();
    if (!listening && listenOn(m_acceptor, m_config.address, m_config.port, "")) {
        boost::system::error_code ec;
        m_port = m_acceptor.local_endpoint(ec).port();
        m_accepting.run();
        listening = true;
    }
    if (m_web)
        m_web->listen();
    return listening;
}

void Server::start(asio::ip::tcp::socket socket) {
    size_t places = 0;
    for (const auto& c : m_connections)
        places += c->holdsPlace() ? 1 : 0;
    auto connection = std::make_shared<Connection>(
        std::move(socket), m_registry, m_config,
        [this](const std::shared_ptr<Connection>& c) { m_connections.erase(c); });
    m_connections.insert(connection);
    if (places >= kMaxTerminals)
        connection->reject(wire::ByeReason::ServerFull);
    else
        connection->start();
}

bool Server::admit(const asio::ip::address& peer) {
    const auto now = std::chrono::steady_clock::now();
    std::string_view why;
    if (!m_config.allow.allows(peer)) {
        ++m_refused;
        why = "not in allow list";
    } else if (!m_connectionRate.admit(peer, now)) {
        ++m_rateRefused;
        why = "over connect_rate";
    } else {
        return true;
    }
    if (auto line = m_refusalLog.refused(AllowList::plain(peer).to_string(), now, why))
        report(*line);
    reportRefusalsWhenDue();
    return false;
}

void Server::consoleRefused(const asio::ip::address& peer) {
    ++m_consoleRefused;
    const auto now = std::chrono::steady_clock::now();
    if (auto line = m_refusalLog.refused(AllowList::plain(peer).to_string(), now,
                                         "not in the console allow list"))
        report(*line);
    reportRefusalsWhenDue();
}

void Server::holdRefused(asio::ip::tcp::socket socket) {
    if (m_held.size() >= kMaxHeldRefused) {
        boost::system::error_code ignored;
        m_held.front().socket.close(ignored);
        m_held.pop_front();
    }
    m_held.push_back({std::chrono::steady_clock::now() + kRefusedHold, std::move(socket)});
    closeHeldWhenDue();
}

void Server::closeHeldWhenDue() {
    if (m_heldTimerArmed || m_held.empty())
        return;
    m_heldTimerArmed = true;
    m_heldTimer.expires_at(m_held.front().until);
    m_heldTimer.async_wait([this](const std::error_code& ec) {
        m_heldTimerArmed = false;
        if (ec)
            return;
        const auto now = std::chrono::steady_clock::now();
        boost::system::error_code ignored;
        while (!m_held.empty() && m_held.front().until <= now) {
            m_held.front().socket.close(ignored);
            m_held.pop_front();
        }
        closeHeldWhenDue();
    });
}

void Server::reportRefusalsWhenDue() {
    const auto next = m_refusalLog.nextDue();
    if (m_refusalTimerArmed || !next)
        return;
    m_refusalTimerArmed = true;
    m_refusalTimer.expires_at(*next);
    m_refusalTimer.async_wait([this](const std::error_code& ec) {
        m_refusalTimerArmed = false;
        if (ec || !m_acceptor.is_open())
            return;
        for (const auto& line : m_refusalLog.due(std::chrono::steady_clock::now()))
            report(line);
        reportRefusalsWhenDue();
    });
}

void Server::stop() {
    std::lock_guard lock(m_controlMutex);
    if (m_stopped)
        return;
    m_stopped = true;
    asio::post(m_io, [this] { stopOnNetworkThread(); });
    if (m_thread.joinable())
        m_thread.join();
}

void Server::stopOnNetworkThread() {
    boost::system::error_code ignored;
    m_acceptor.close(ignored);
    m_acceptRetry.cancel();
    m_refusalTimer.cancel();
    m_heldTimer.cancel();
    m_held.clear();
    // closeNow() ends each connection's pending work; the set is dropped afterwards.
    auto connections = std::move(m_connections);
    m_connections.clear();
    for (const auto& c : connections)
        c->closeNow();
    if (m_web)
        m_web->stop();
    m_programPages.clear();
    m_registry.clear();
    m_port = 0;
    m_work.reset();
    m_io.stop();
}

bool Server::sendTo(int32_t socket, const wire::Message& message) {
    const auto target = m_registry.target(socket);
    if (!target)
        return false;
    return target->outlet->send(wire::encode(message));
}

bool Server::sendRecord(wire::Type type, const uint8_t* record) {
    if (!record)
        return false;
    const size_t n = wire::recordBytes(type);
    const uint8_t* payload = record + wire::kRecordLeadBytes;
    return sendTo(tarifon::le::readI32(record),
                  wire::SetConfig{type, wire::Bytes(payload, payload + n)});
}

void Server::GetTabConectados(uint8_t* table, int32_t) const {
    m_registry.fillTable(table);
}

void Server::TCinet_ntoa(uint32_t address, char* text) {
    if (!text)
        return;
    // The value's bytes, lowest first, are the address in network order.
    std::snprintf(text, TERMLINK_NTOA_BUFFER_SIZE, "%u.%u.%u.%u", address & 0xFFu,
                  (address >> 8) & 0xFFu, (address >> 16) & 0xFFu, (address >> 24) & 0xFFu);
}

uint8_t Server::bReceiveBarcode(int32_t* socket, int32_t* spare, char* buffer, int32_t* length) {
    if (!socket || !spare || !buffer || !length)
        return 0;
    const auto scan = m_registry.takeScan();
    if (!scan)
        return 0;
    const size_t n = std::min(scan->code.size(), wire::kMaxCodeBytes);
    buffer[0] = kBarcodeLead;
    std::memcpy(buffer + 1, scan->code.data(), n);
    buffer[1 + n] = '\0';
    *socket = scan->socket;
    *spare = 0;
    *length = static_cast<int32_t>(n);
    return 1;
}

uint8_t Server::GetResponseCtr(int32_t* socket, int32_t* code) {
    if (!socket || !code)
        return 0;
    return m_registry.takeResponse(*socket, *code);
}

// clang-format off
// Each configuration reply kind, the function that takes it and the request and
// write that go with it.
#define TERMLINK_RECORDS(X)                                                                  \
    X(Net, bReceiveConfig, bPedeConfig, GetNetConfig, bMandaConfig, SetNetConfig)            \
    X(Upd, bReceiveUpdConfig, bPedeUpdConfig, GetUpdConfig, bMandaUpdConfig, SetUpdConfig)   \
    X(Param, bReceiveParam, bPedeParam, GetParam, bMandaParam, SetParam)                     \
    X(Wlan, bReceiveWlanConfig, bPedeWlanConfig, GetWlanConfig, bMandaWlanConfig, SetWlanConfig)
#define TERMLINK_RECORD_METHODS(kind, take, ask, askType, write, writeType)                  \
    uint8_t Server::take(uint8_t* record) {                                                  \
        return m_registry.takeReply(ReplyKind::kind, record);                                \
    }                                                                                        \
    uint8_t Server::ask(int32_t socket) {                                                    \
        return sendTo(socket, wire::Command{wire::Type::askType});                           \
    }                                                                                        \
    uint8_t Server::write(const uint8_t* record) {                                           \
        return sendRecord(wire::Type::writeType, record);                                    \
    }
TERMLINK_RECORDS(TERMLINK_RECORD_METHODS)
#undef TERMLINK_RECORD_METHODS
#undef TERMLINK_RECORDS

// The commands without a payload, and the message each one sends.
#define TERMLINK_PLAIN_COMMANDS(X)                                                           \
    X(bEnviaVivo, KeepAlive) X(bSendAllwaysLive, AlwaysLive) X(bSendCheckLive, CheckLive)     \
    X(bSendRestartSoft, RestartSoft) X(bUpdateSoftware, UpdateSoftware)
#define TERMLINK_PLAIN_COMMAND(name, type)                                                   \
    uint8_t Server::name(int32_t socket) {                                                   \
        return sendTo(socket, wire::Command{wire::Type::type});                              \
    }
TERMLINK_PLAIN_COMMANDS(TERMLINK_PLAIN_COMMAND)
#undef TERMLINK_PLAIN_COMMAND
#undef TERMLINK_PLAIN_COMMANDS
// clang-format on

uint8_t Server::bReceiveMacAddrConfig(uint8_t* record) {
    return m_registry.takeReply(ReplyKind::MacAddr, record);
}

uint8_t Server::bPedeMacAddr(int32_t socket, uint8_t interfaceCode) {
    return sendTo(socket, wire::GetMacAddr{interfaceCode});
}

uint8_t Server::bSendProdPrice(int32_t socket, const char* description, const char* price) {
    if (!description || !price)
        return 0;
    const auto target = m_registry.target(socket);
    if (!target)
        return 0;
    return target->outlet->send(
        wire::encode(wire::Price{target->lastSeq, boundedText(description), boundedText(price)}));
}

uint8_t Server::bSendProdNotFound(int32_t socket) {
    const auto target = m_registry.target(socket);
    if (!target)
        return 0;
    return target->outlet->send(wire::encode(wire::NotFound{target->lastSeq}));
}

uint8_t Server::bSendLookupFailed(int32_t socket) {
    const auto target = m_registry.target(socket);
    if (!target)
        return 0;
    return target->outlet->lookupFailed(target->lastSeq);
}

uint8_t Server::bTermAddress(int32_t socket, char* text) {
    const auto address = text ? m_registry.addressText(socket) : std::nullopt;
    if (!address)
        return 0;
    const size_t n = std::min(address->size(), size_t{TERMLINK_ADDRESS_BUFFER_SIZE} - 1);
    std::memcpy(text, address->data(), n);
    text[n] = '\0';
    return 1;
}

uint8_t Server::bSendDisplayMsg(int32_t socket, const char* line1, const char* line2, uint16_t time,
                                int32_t flag) {
    if (!line1 || !line2)
        return 0;
    return sendTo(socket, wire::DisplayMsg{boundedText(line1), boundedText(line2), time, flag});
}

int32_t Server::iTypeTerm(int32_t socket) {
    return m_registry.model(socket);
}

uint8_t Server::bSendImageFromFile(int32_t socket, const char* path, int32_t width, int32_t height,
                                   int32_t index, int32_t loop, int32_t pause, int32_t flag) {
    if (!path || !m_registry.target(socket))
        return 0;
    // The path comes in Windows-1252, the file system's names are UTF-8.  A missing
    // file still sends the numbers (they also mark the start and end of an upload);
    // a file over the limit is refused whole rather than cut.
    const auto name = tarifon::cp1252::toUtf8(std::string_view(path, strnlen(path, kMaxPathBytes)));
    wire::Picture picture{width, height, index, loop,
                          pause, flag,   {},    pictureKind(name, width, height, index, pause)};
    // Clearing the set needs no picture, whichever file the program named.
    if (picture.kind != wire::PictureKind::UploadClear &&
        readPicture(name, picture.data) == PictureFile::TooLarge)
        return 0;
    return sendTo(socket, picture);
}

uint8_t Server::bReceivePageRequest(int32_t* id, char* path) {
    if (!id || !path)
        return 0;
    std::string taken;
    if (!m_programPages.take(*id, taken))
        return 0;
    const size_t n = std::min(taken.size(), size_t{TERMLINK_PAGE_PATH_SIZE} - 1);
    std::memcpy(path, taken.data(), n);
    path[n] = '\0';
    return 1;
}

uint8_t Server::bSendPage(int32_t id, int32_t status, const char* contentType, const char* body,
                          int32_t length) {
    if (!contentType || length < 0 || (!body && length > 0) || status < 100 || status > 599)
        return 0;
    const std::string type(contentType, strnlen(contentType, wire::kMaxTextBytes));
    // A line end in a header would let the body's writer add headers of its own.
    if (std::any_of(type.begin(), type.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return 0;
    return m_programPages.answer(
        id, {status, type, std::string(body ? body : "", static_cast<size_t>(length))});
}

uint8_t Server::bReadCounters(uint64_t* counters) {
    if (!counters)
        return 0;
    const Registry::Counts counts = m_registry.counts();
    std::fill(counters, counters + TERMLINK_COUNTERS, 0);
    counters[TERMLINK_COUNTER_REFUSED] = m_refused.load();
    counters[TERMLINK_COUNTER_RATE_REFUSED] = m_rateRefused.load();
    counters[TERMLINK_COUNTER_CONSOLE_REFUSED] = m_consoleRefused.load();
    counters[TERMLINK_COUNTER_DROPPED_SCANS] = counts.droppedScans;
    counters[TERMLINK_COUNTER_PAGES_UNANSWERED] = m_web ? m_web->unansweredPages() : 0;
    counters[TERMLINK_COUNTER_CONNECTED_TCP] = counts.terminals;
    counters[TERMLINK_COUNTER_CONNECTED_WS] = counts.browsers;
    return 1;
}

}  // namespace termlink
