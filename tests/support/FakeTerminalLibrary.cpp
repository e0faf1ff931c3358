#include "support/FakeTerminalLibrary.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/LittleEndian.h"

namespace tarifon {

namespace {
std::vector<int64_t> ints(std::initializer_list<int64_t> values) {
    return values;
}
}  // namespace

void FakeTerminalLibrary::setSlot(int slot, int32_t socket, uint32_t address) {
    std::lock_guard lock(m_mutex);
    le::write32(table.data() + 4 * slot, static_cast<uint32_t>(socket));
    le::write32(table.data() + 4096 + 4 * slot, address);
}

void FakeTerminalLibrary::setCount(int32_t count) {
    std::lock_guard lock(m_mutex);
    le::write32(table.data() + 8192, static_cast<uint32_t>(count));
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

void FakeTerminalLibrary::record(Call call) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(std::move(call));
}

uint8_t FakeTerminalLibrary::takeReply(const std::string& kind, uint8_t* out, size_t size,
                                       const char* name) {
    record({name, {}, {}, {}});
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
    record({"vInitialize", {}, {}, {}});
}

uint32_t FakeTerminalLibrary::dll_version() {
    record({"dll_version", {}, {}, {}});
    return version;
}

int32_t FakeTerminalLibrary::tc_startserver() {
    record({"tc_startserver", {}, {}, {}});
    return startResult;
}

void FakeTerminalLibrary::GetTabConectados(uint8_t* tabsock8196, int32_t flag) {
    record({"GetTabConectados", ints({flag}), {}, {}});
    std::lock_guard lock(m_mutex);
    std::memcpy(tabsock8196, table.data(), table.size());
}

void FakeTerminalLibrary::TCinet_ntoa(uint32_t address, char* text21) {
    record({"TCinet_ntoa", ints({address}), {}, {}});
    const auto* b = reinterpret_cast<const uint8_t*>(&address);
    std::snprintf(text21, 21, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
}

uint8_t FakeTerminalLibrary::bEnviaVivo(int32_t socket) {
    record({"bEnviaVivo", ints({socket}), {}, {}});
    return 1;
}

uint8_t FakeTerminalLibrary::bReceiveBarcode(int32_t* socket, int32_t* spare, char* buffer1024,
                                             int32_t* length) {
    record({"bReceiveBarcode", {}, {}, {}});
    std::lock_guard lock(m_mutex);
    if (m_barcodes.empty())
        return 0;
    Barcode b = m_barcodes.front();
    m_barcodes.pop_front();
    *socket = b.socket;
    *spare = 0;
    *length = b.length;
    buffer1024[0] = 2;
    const size_t n = std::min<size_t>(b.code.size(), 1022);
    std::memcpy(buffer1024 + 1, b.code.data(), n);
    buffer1024[1 + n] = 0;
    return b.result ? 1 : 0;
}

uint8_t FakeTerminalLibrary::GetResponseCtr(int32_t* socket, int32_t* code) {
    record({"GetResponseCtr", {}, {}, {}});
    std::lock_guard lock(m_mutex);
    if (m_responses.empty())
        return 0;
    *socket = m_responses.front().first;
    *code = m_responses.front().second;
    m_responses.pop_front();
    return 1;
}

uint8_t FakeTerminalLibrary::bReceiveConfig(uint8_t* r) {
    return takeReply("config", r, 159, "bReceiveConfig");
}
uint8_t FakeTerminalLibrary::bReceiveUpdConfig(uint8_t* r) {
    return takeReply("updconfig", r, 214, "bReceiveUpdConfig");
}
uint8_t FakeTerminalLibrary::bReceiveParam(uint8_t* r) {
    return takeReply("param", r, 6, "bReceiveParam");
}
uint8_t FakeTerminalLibrary::bReceiveWlanConfig(uint8_t* r) {
    return takeReply("wlan", r, 52, "bReceiveWlanConfig");
}
uint8_t FakeTerminalLibrary::bReceiveMacAddrConfig(uint8_t* r) {
    return takeReply("mac", r, 22, "bReceiveMacAddrConfig");
}

uint8_t FakeTerminalLibrary::bPedeConfig(int32_t s) {
    record({"bPedeConfig", ints({s}), {}, {}});
    return 1;
}
uint8_t FakeTerminalLibrary::bPedeUpdConfig(int32_t s) {
    record({"bPedeUpdConfig", ints({s}), {}, {}});
    return 1;
}
uint8_t FakeTerminalLibrary::bPedeParam(int32_t s) {
    record({"bPedeParam", ints({s}), {}, {}});
    return 1;
}
uint8_t FakeTerminalLibrary::bPedeWlanConfig(int32_t s) {
    record({"bPedeWlanConfig", ints({s}), {}, {}});
    return 1;
}
uint8_t FakeTerminalLibrary::bPedeMacAddr(int32_t s, uint8_t iface) {
    record({"bPedeMacAddr", ints({s, iface}), {}, {}});
    return 1;
}

uint8_t FakeTerminalLibrary::bMandaConfig(const uint8_t* r) {
    record({"bMandaConfig", {}, {}, {r, r + 159}});
    return 1;
}
uint8_t FakeTerminalLibrary::bMandaUpdConfig(const uint8_t* r) {
    record({"bMandaUpdConfig", {}, {}, {r, r + 214}});
    return 1;
}
uint8_t FakeTerminalLibrary::bMandaParam(const uint8_t* r) {
    record({"bMandaParam", {}, {}, {r, r + 6}});
    return 1;
}
uint8_t FakeTerminalLibrary::bMandaWlanConfig(const uint8_t* r) {
    record({"bMandaWlanConfig", {}, {}, {r, r + 52}});
    return 1;
}

uint8_t FakeTerminalLibrary::bSendAllwaysLive(int32_t s) {
    record({"bSendAllwaysLive", ints({s}), {}, {}});
    return 1;
}
uint8_t FakeTerminalLibrary::bSendCheckLive(int32_t s) {
    record({"bSendCheckLive", ints({s}), {}, {}});
    return 1;
}
uint8_t FakeTerminalLibrary::bSendRestartSoft(int32_t s) {
    record({"bSendRestartSoft", ints({s}), {}, {}});
    return 1;
}
uint8_t FakeTerminalLibrary::bUpdateSoftware(int32_t s) {
    record({"bUpdateSoftware", ints({s}), {}, {}});
    return 1;
}

uint8_t FakeTerminalLibrary::bSendProdPrice(int32_t s, const char* description, const char* price) {
    record({"bSendProdPrice", ints({s}), {description, price}, {}});
    return 1;
}
uint8_t FakeTerminalLibrary::bSendProdNotFound(int32_t s) {
    record({"bSendProdNotFound", ints({s}), {}, {}});
    return 1;
}
uint8_t FakeTerminalLibrary::bSendDisplayMsg(int32_t s, const char* line1, const char* line2,
                                             uint16_t time, int32_t flag) {
    record({"bSendDisplayMsg", ints({s, time, flag}), {line1, line2}, {}});
    return 1;
}

int32_t FakeTerminalLibrary::iTypeTerm(int32_t s) {
    record({"iTypeTerm", ints({s}), {}, {}});
    std::lock_guard lock(m_mutex);
    for (const auto& [socket, model] : m_models)
        if (socket == s)
            return model;
    return 0;
}

uint8_t FakeTerminalLibrary::bSendImageFromFile(int32_t s, const char* path, int32_t width,
                                                int32_t height, int32_t index, int32_t loop,
                                                int32_t pause, int32_t flag) {
    record({"bSendImageFromFile", ints({s, width, height, index, loop, pause, flag}), {path}, {}});
    return 1;
}

}  // namespace tarifon
