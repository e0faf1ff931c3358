#include "termlink/Registry.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include <sys/eventfd.h>
#include <unistd.h>

#include "base/LittleEndian.h"

namespace termlink {

namespace {

wire::Type wireTypeOf(ReplyKind kind) {
    switch (kind) {
        case ReplyKind::Net:
            return wire::Type::NetConfigReply;
        case ReplyKind::Upd:
            return wire::Type::UpdConfigReply;
        case ReplyKind::Param:
            return wire::Type::ParamReply;
        case ReplyKind::Wlan:
            return wire::Type::WlanConfigReply;
        case ReplyKind::MacAddr:
            break;
    }
    return wire::Type::MacAddrReply;
}

}  // namespace

size_t replyRecordBytes(ReplyKind kind) {
    return wire::kRecordLeadBytes + wire::recordBytes(wireTypeOf(kind));
}

std::optional<ReplyKind> replyKindOf(wire::Type type) {
    switch (type) {
        case wire::Type::NetConfigReply:
            return ReplyKind::Net;
        case wire::Type::UpdConfigReply:
            return ReplyKind::Upd;
        case wire::Type::ParamReply:
            return ReplyKind::Param;
        case wire::Type::WlanConfigReply:
            return ReplyKind::Wlan;
        case wire::Type::MacAddrReply:
            return ReplyKind::MacAddr;
        default:
            return std::nullopt;
    }
}

Registry::Registry() : m_scanEvent(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

Registry::~Registry() {
    if (m_scanEvent >= 0)
        ::close(m_scanEvent);
}

Registry::Terminal* Registry::find(int32_t socket) {
    return const_cast<Terminal*>(std::as_const(*this).find(socket));
}

const Registry::Terminal* Registry::find(int32_t socket) const {
    if (socket > kMaxSocketValue) {
        const auto it = m_transient.find(socket);
        return it == m_transient.end() ? nullptr : it->second.get();
    }
    if (socket <= 0)
        return nullptr;
    return m_terminals[static_cast<size_t>(socket)].get();
}

// A value given again no longer names the terminal that had it before.
void Registry::forget(int32_t socket) {
    m_goneAddresses.erase(socket);
}

std::optional<int32_t> Registry::add(uint32_t address, int32_t model,
                                     std::shared_ptr<Outlet> outlet, std::string addressText) {
    std::lock_guard lock(m_mutex);
    if (m_count >= kMaxTerminals)
        return std::nullopt;
    // Rotation: a value just freed is the last to come back, so a late reply meant
    // for a gone terminal is unlikely to reach its successor.
    int32_t socket = 0;
    for (int32_t tries = 0; tries < kMaxSocketValue && socket == 0; ++tries) {
        const int32_t candidate = m_nextSocket;
        m_nextSocket = candidate % kMaxSocketValue + 1;
        if (!m_terminals[static_cast<size_t>(candidate)])
            socket = candidate;
    }
    const auto slot = static_cast<size_t>(
        std::find(m_slots.begin(), m_slots.begin() + kMaxTerminals, 0) - m_slots.begin());
    if (socket == 0 || slot >= kMaxTerminals)
        return std::nullopt;
    auto t = std::make_unique<Terminal>();
    t->socket = socket;
    t->slot = slot;
    t->address = address;
    t->model = model;
    t->addressText = std::move(addressText);
    t->outlet = std::move(outlet);
    m_terminals[static_cast<size_t>(socket)] = std::move(t);
    m_slots[slot] = socket;
    ++m_count;
    forget(socket);
    return socket;
}

std::optional<int32_t> Registry::addTransient(std::string addressText,
                                              std::shared_ptr<Outlet> outlet) {
    std::lock_guard lock(m_mutex);
    constexpr int32_t kValues = kMaxTransientSocket - kFirstTransientSocket + 1;
    if (m_transient.size() >= static_cast<size_t>(kValues))
        return std::nullopt;
    int32_t socket = m_nextTransient;
    while (m_transient.contains(socket))
        socket = socket == kMaxTransientSocket ? kFirstTransientSocket : socket + 1;
    m_nextTransient = socket == kMaxTransientSocket ? kFirstTransientSocket : socket + 1;
    auto t = std::make_unique<Terminal>();
    t->socket = socket;
    t->model = TERMLINK_MODEL_WEB_CHECKER;
    t->addressText = std::move(addressText);
    t->outlet = std::move(outlet);
    m_transient.emplace(socket, std::move(t));
    forget(socket);
    return socket;
}

void Registry::remove(int32_t socket) {
    std::lock_guard lock(m_mutex);
    Terminal* t = find(socket);
    if (!t)
        return;
    m_ready.erase(std::remove(m_ready.begin(), m_ready.end(), socket), m_ready.end());
    if (!t->addressText.empty()) {
        if (m_gone.size() >= kRememberedAddresses) {
            // Unless the value left again since then: that is a newer entry.
            const auto oldest = m_goneAddresses.find(m_gone.front().first);
            if (oldest != m_goneAddresses.end() && oldest->second.first == m_gone.front().second)
                m_goneAddresses.erase(oldest);
            m_gone.pop_front();
        }
        m_goneAddresses[socket] = {++m_goneSerial, std::move(t->addressText)};
        m_gone.emplace_back(socket, m_goneSerial);
    }
    if (socket > kMaxSocketValue) {
        m_transient.erase(socket);
        return;
    }
    m_slots[t->slot] = 0;
    --m_count;
    m_terminals[static_cast<size_t>(socket)].reset();
}

void Registry::clear() {
    std::lock_guard lock(m_mutex);
    for (auto& t : m_terminals)
        t.reset();
    m_transient.clear();
    m_slots.fill(0);
    m_count = 0;
    m_ready.clear();
    for (auto& q : m_replies)
        q.clear();
    m_responses.clear();
    m_heldSecond.reset();
}

void Registry::pushScan(int32_t socket, uint32_t seq, std::string code) {
    std::lock_guard lock(m_mutex);
    Terminal* t = find(socket);
    if (!t)
        return;
    // The taker drains the queue after clearing the event, so only the first scan
    // into an empty queue needs to wake it.
    if (m_ready.empty() && m_scanEvent >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_scanEvent, &one, sizeof one);
    }
    if (t->codes.empty())
        m_ready.push_back(socket);
    if (t->codes.size() >= kMaxPendingCodesPerTerminal) {
        t->codes.pop_front();
        ++m_droppedScans;
    }
    t->codes.emplace_back(seq, std::move(code));
}

std::optional<Registry::Scan> Registry::takeScan() {
    std::lock_guard lock(m_mutex);
    if (m_ready.empty())
        return std::nullopt;
    const int32_t socket = m_ready.front();
    m_ready.pop_front();
    Terminal* t = find(socket);
    if (!t || t->codes.empty())
        return std::nullopt;  // cannot happen: remove() unlists
    Scan scan{socket, std::move(t->codes.front().second)};
    t->lastSeq = t->codes.front().first;
    t->codes.pop_front();
    if (!t->codes.empty())
        m_ready.push_back(socket);
    return scan;
}

void Registry::pushReply(ReplyKind kind, int32_t socket, wire::Bytes payload) {
    if (payload.size() + wire::kRecordLeadBytes != replyRecordBytes(kind))
        return;
    std::lock_guard lock(m_mutex);
    auto& q = m_replies[static_cast<size_t>(kind)];
    if (q.size() >= kMaxQueuedReplies)
        q.pop_front();
    q.push_back({socket, std::move(payload)});
}

bool Registry::takeReply(ReplyKind kind, uint8_t* record) {
    if (!record)
        return false;
    std::lock_guard lock(m_mutex);
    auto& q = m_replies[static_cast<size_t>(kind)];
    if (q.empty())
        return false;
    tarifon::le::write32(record, static_cast<uint32_t>(q.front().socket));
    std::memcpy(record + wire::kRecordLeadBytes, q.front().payload.data(),
                q.front().payload.size());
    q.pop_front();
    return true;
}

void Registry::pushResponse(int32_t socket, int32_t code, std::optional<int32_t> second) {
    std::lock_guard lock(m_mutex);
    if (m_responses.size() >= kMaxQueuedResponses)
        m_responses.pop_front();
    m_responses.push_back({socket, code, second});
}

bool Registry::takeResponse(int32_t& socket, int32_t& code) {
    std::lock_guard lock(m_mutex);
    if (m_heldSecond) {
        socket = m_heldSecond->first;
        code = m_heldSecond->second;
        m_heldSecond.reset();
        return true;
    }
    if (m_responses.empty())
        return false;
    const ResponseItem item = m_responses.front();
    m_responses.pop_front();
    socket = item.socket;
    code = item.code;
    // Kept apart from the queue so that dropping old items can never split a pair.
    if (item.second)
        m_heldSecond.emplace(item.socket, *item.second);
    return true;
}

void Registry::fillTable(uint8_t* table) const {
    if (!table)
        return;
    std::lock_guard lock(m_mutex);
    for (size_t slot = 0; slot < kTableSlots; ++slot) {
        const int32_t socket = m_slots[slot];
        const Terminal* t = find(socket);
        tarifon::le::write32(table + 4 * slot, static_cast<uint32_t>(socket));
        tarifon::le::write32(table + 4 * kTableSlots + 4 * slot, t ? t->address : 0);
    }
    tarifon::le::write32(table + 8 * kTableSlots, static_cast<uint32_t>(m_count));
}

int32_t Registry::model(int32_t socket) const {
    std::lock_guard lock(m_mutex);
    const Terminal* t = find(socket);
    return t ? t->model : 0;
}

std::optional<Registry::Target> Registry::target(int32_t socket) const {
    std::lock_guard lock(m_mutex);
    const Terminal* t = find(socket);
    if (!t)
        return std::nullopt;
    return Target{t->outlet, t->lastSeq};
}

size_t Registry::count() const {
    std::lock_guard lock(m_mutex);
    return m_count;
}

Registry::Counts Registry::counts() const {
    std::lock_guard lock(m_mutex);
    Counts counts;
    counts.droppedScans = m_droppedScans;
    for (const auto& t : m_terminals) {
        if (t)
            ++(t->model == TERMLINK_MODEL_BROWSER ? counts.browsers : counts.terminals);
    }
    return counts;
}

std::optional<std::string> Registry::addressText(int32_t socket) const {
    std::lock_guard lock(m_mutex);
    if (const Terminal* t = find(socket))
        return t->addressText;
    const auto gone = m_goneAddresses.find(socket);
    if (gone == m_goneAddresses.end())
        return std::nullopt;
    return gone->second.second;
}

}  // namespace termlink
