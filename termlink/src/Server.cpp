#include "termlink/Server.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>

#include <asio/post.hpp>

#include "base/Cp1252.h"
#include "base/LittleEndian.h"
#include "termlink/Connection.h"
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

// 127.0.0.1:48731, [::1]:48731
std::string endpointText(const asio::ip::tcp::endpoint& endpoint) {
    const auto address = endpoint.address();
    const std::string text = address.to_string();
    return (address.is_v6() ? "[" + text + "]" : text) + ":" + std::to_string(endpoint.port());
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
      m_heldTimer(m_io),
      m_connectionRate(m_config.connectLimit),
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

bool Server::listenOnNetworkThread() {
    if (m_acceptor.is_open())
        return true;
    asio::error_code ec;
    const auto address = asio::ip::make_address(m_config.address, ec);
    if (ec) {
        report("cannot listen on '" + m_config.address + "': " + ec.message());
        return false;
    }
    const asio::ip::tcp::endpoint endpoint(address, m_config.port);
    m_acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        m_acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec)
        m_acceptor.bind(endpoint, ec);
    if (!ec)
        m_acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        // Typically a second program on the same port; the C result cannot say so.
        report("cannot listen on " + endpointText(endpoint) + ": " + ec.message());
        asio::error_code ignored;
        m_acceptor.close(ignored);
        return false;
    }
    const auto bound = m_acceptor.local_endpoint(ec);
    m_port = bound.port();
    // With port 0 this is how the operator, and a test, learn the port.
    report("listening on " + endpointText(bound));
    accept();
    return true;
}

void Server::accept() {
    m_acceptor.async_accept([this](const std::error_code& ec, asio::ip::tcp::socket socket) {
        if (!m_acceptor.is_open())
            return;
        if (ec) {
            // Typically out of file descriptors: try again shortly instead of spinning.
            m_acceptRetry.expires_after(kAcceptRetryDelay);
            m_acceptRetry.async_wait([this](const std::error_code& timerError) {
                if (!timerError && m_acceptor.is_open())
                    accept();
            });
            return;
        }
        asio::error_code peerError;
        const auto peer = socket.remote_endpoint(peerError);
        if (peerError || !admit(peer.address())) {
            // Never read; a peer already gone is not a refusal.
            if (peerError)
                socket.close(peerError);
            else
                holdRefused(std::move(socket));
            accept();
            return;
        }
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
        accept();
    });
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

void Server::holdRefused(asio::ip::tcp::socket socket) {
    if (m_held.size() >= kMaxHeldRefused) {
        asio::error_code ignored;
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
        asio::error_code ignored;
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
    asio::error_code ignored;
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

}  // namespace termlink
