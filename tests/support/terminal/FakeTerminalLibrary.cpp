#include "support/FakeTerminalLibrary.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/LittleEndian.h"

namespace tarifon {

void FakeTerminalLibrary::setSlot(int slot, int32_t socket, uint32_t address) {
    std::lock_guard lock(m_mutex);
    le::write32(table.data() + 4 * slot, static_cast<uint32_t>(socket));
    le::write32(table.data() + 4 * TERMLINK_TABLE_SLOTS + 4 * slot, address);
}

void FakeTerminalLibrary::setCount(int32_t count) {
    std::lock_guard lock(m_mutex);
    le::write32(table.data() + 8 * TERMLINK_TABLE_SLOTS, static_cast<uint32_t>(count));
}

void FakeTerminalLibrary::queueBarcode(int32_t socket, const std::string& code,
                                       std::optional<int32_t> length, bool result) {
    std::lock_guard lock(m_mutex);
    m_barcodes.push_back(
        {socket, code, length.value_or(static_cast<int32_t>(code.size())), result});
}

void FakeTerminalLibrary::queueResponse(int32_t socket, int32_t code) {
    std::lock_guard lock(m_mutex);
    m_responses.emplace_back(socket, code);
}

void FakeTerminalLibrary::queueReply(const std::string& kind, std::vector<uint8_t> record) {
    std::lock_guard lock(m_mutex);
    m_replies.emplace_back(kind, std::move(record));
}

void FakeTerminalLibrary::setModel(int32_t socket, int32_t model) {
    std::lock_guard lock(m_mutex);
    m_models.emplace_back(socket, model);
}

void FakeTerminalLibrary::queuePageRequest(int32_t id, const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_pageRequests.emplace_back(id, path);
}

std::vector<FakeTerminalLibrary::Call> FakeTerminalLibrary::calls() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<FakeTerminalLibrary::Call> FakeTerminalLibrary::callsNamed(
    const std::string& name) const {
    std::lock_guard lock(m_mutex);
    std::vector<Call> out;
    std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(out),
                 [&](const Call& c) { return c.name == name; });
    return out;
}

std::vector<std::string> FakeTerminalLibrary::callNames() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> out;
    for (const auto& c : m_calls)
        out.push_back(c.name);
    return out;
}

void FakeTerminalLibrary::clearCalls() {
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

void FakeTerminalLibrary::addCall(Call call) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(std::move(call));
}

uint8_t FakeTerminalLibrary::takeReply(const std::string& kind, uint8_t* out, size_t size,
                                       const char* name) {
    addCall(Call::of(name, 0));
    std::lock_guard lock(m_mutex);
    auto it = std::find_if(m_replies.begin(), m_replies.end(),
                           [&](const auto& r) { return r.first == kind; });
    if (it == m_replies.end())
        return 0;
    std::memcpy(out, it->second.data(), std::min(size, it->second.size()));
    m_replies.erase(it);
    return 1;
}

void FakeTerminalLibrary::vInitialize() {
    addCall(Call::of("vInitialize", 0));
}

uint32_t FakeTerminalLibrary::dll_version() {
    addCall(Call::of("dll_version", 0));
    return version;
}

int32_t FakeTerminalLibrary::tc_startserver() {
    addCall(Call::of("tc_startserver", 0));
    return startResult;
}

void FakeTerminalLibrary::GetTabConectados(uint8_t* table, int32_t flag) {
    addCall(Call::of("GetTabConectados", 0, flag));
    std::lock_guard lock(m_mutex);
    std::memcpy(table, this->table.data(), this->table.size());
}

void FakeTerminalLibrary::TCinet_ntoa(uint32_t address, char* text) {
    addCall(Call::of("TCinet_ntoa", 0, address));
    const auto* b = reinterpret_cast<const uint8_t*>(&address);
    std::snprintf(text, TERMLINK_NTOA_BUFFER_SIZE, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
}

uint8_t FakeTerminalLibrary::bReceiveBarcode(int32_t* socket, int32_t* spare, char* buffer,
                                             int32_t* length) {
    addCall(Call::of("bReceiveBarcode", 0));
    std::lock_guard lock(m_mutex);
    if (m_barcodes.empty())
        return 0;
    Barcode b = m_barcodes.front();
    m_barcodes.pop_front();
    *socket = b.socket;
    *spare = 0;
    *length = b.length;
    buffer[0] = 2;
    const size_t n = std::min<size_t>(b.code.size(), TERMLINK_BARCODE_BUFFER_SIZE - 2);
    std::memcpy(buffer + 1, b.code.data(), n);
    buffer[1 + n] = 0;
    return b.result ? 1 : 0;
}

uint8_t FakeTerminalLibrary::GetResponseCtr(int32_t* socket, int32_t* code) {
    addCall(Call::of("GetResponseCtr", 0));
    std::lock_guard lock(m_mutex);
    if (m_responses.empty())
        return 0;
    *socket = m_responses.front().first;
    *code = m_responses.front().second;
    m_responses.pop_front();
    return 1;
}

uint8_t FakeTerminalLibrary::bReceiveConfig(uint8_t* record) {
    return takeReply("config", record, TERMLINK_NET_CONFIG_SIZE, "bReceiveConfig");
}
uint8_t FakeTerminalLibrary::bReceiveUpdConfig(uint8_t* record) {
    return takeReply("updconfig", record, TERMLINK_UPD_CONFIG_SIZE, "bReceiveUpdConfig");
}
uint8_t FakeTerminalLibrary::bReceiveParam(uint8_t* record) {
    return takeReply("param", record, TERMLINK_PARAM_SIZE, "bReceiveParam");
}
uint8_t FakeTerminalLibrary::bReceiveWlanConfig(uint8_t* record) {
    return takeReply("wlan", record, TERMLINK_WLAN_CONFIG_SIZE, "bReceiveWlanConfig");
}
uint8_t FakeTerminalLibrary::bReceiveMacAddrConfig(uint8_t* record) {
    return takeReply("mac", record, TERMLINK_MAC_ADDR_SIZE, "bReceiveMacAddrConfig");
}

int32_t FakeTerminalLibrary::iTypeTerm(int32_t socket) {
    addCall(Call::of("iTypeTerm", 0, socket));
    std::lock_guard lock(m_mutex);
    for (const auto& [s, model] : m_models)
        if (s == socket)
            return model;
    return 0;
}

uint8_t FakeTerminalLibrary::bSendLookupFailed(int32_t socket) {
    addCall(Call::of("bSendLookupFailed", 0, socket));
    return 1;
}

// The addresses of the table's terminals; other sockets are unknown.
uint8_t FakeTerminalLibrary::bTermAddress(int32_t socket, char* text) {
    addCall(Call::of("bTermAddress", 0, socket));
    std::lock_guard lock(m_mutex);
    for (size_t slot = 0; socket != 0 && slot < TERMLINK_TABLE_SLOTS; ++slot) {
        if (le::readI32(table.data() + 4 * slot) != socket)
            continue;
        const uint8_t* b = table.data() + 4 * TERMLINK_TABLE_SLOTS + 4 * slot;
        std::snprintf(text, TERMLINK_ADDRESS_BUFFER_SIZE, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
        return 1;
    }
    return 0;
}

uint8_t FakeTerminalLibrary::bReceivePageRequest(int32_t* id, char* path) {
    std::lock_guard lock(m_mutex);
    if (m_pageRequests.empty())
        return 0;
    *id = m_pageRequests.front().first;
    std::snprintf(path, TERMLINK_PAGE_PATH_SIZE, "%s", m_pageRequests.front().second.c_str());
    m_pageRequests.pop_front();
    return 1;
}

// The body is recorded as text, whole.
uint8_t FakeTerminalLibrary::bSendPage(int32_t id, int32_t status, const char* contentType,
                                       const char* body, int32_t length) {
    Call call = Call::of("bSendPage", 0, id, status, contentType);
    call.texts.emplace_back(body, static_cast<size_t>(length));
    addCall(std::move(call));
    return 1;
}

uint8_t FakeTerminalLibrary::bReadCounters(uint64_t* out) {
    std::lock_guard lock(m_mutex);
    std::copy(counters.begin(), counters.end(), out);
    return 1;
}

// No wake-up: scans are found by the window's ticks.
int32_t FakeTerminalLibrary::iBarcodeEventFd() {
    return -1;
}

// Every command is recorded with its arguments and answers 1.
#define TARIFON_FAKE_COMMAND(ret, name, params, args, bytes)          \
    ret FakeTerminalLibrary::name params {                            \
        addCall(Call::of(#name, bytes, TARIFON_UNPARENTHESISE args)); \
        return 1;                                                     \
    }
#define TARIFON_UNPARENTHESISE(...) __VA_ARGS__
TERMLINK_COMMAND_FUNCTIONS(TARIFON_FAKE_COMMAND)
#undef TARIFON_FAKE_COMMAND
#undef TARIFON_UNPARENTHESISE

}  // namespace tarifon
