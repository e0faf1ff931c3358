#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "terminal/TerminalLibrary.h"

namespace tarifon {

// A scripted terminal library for tests: events are queued by the test and handed
// out by the poll methods; every call is recorded with its arguments.  Thread-safe.
class FakeTerminalLibrary final : public TerminalLibrary {
public:
    struct Call {
        std::string name;
        std::vector<int64_t> ints;       // numeric arguments in order (socket first)
        std::vector<std::string> texts;  // text arguments as raw 8-bit bytes
        std::vector<uint8_t> record;     // record argument bytes, when there is one
    };

    // --- scripting ---
    uint32_t version = 0x00010000;
    int32_t startResult = 1;
    std::array<uint8_t, 8196> table{};  // what GetTabConectados copies out
    void setSlot(int slot, int32_t socket, uint32_t address);
    void setCount(int32_t count);
    // `length` defaults to the code's size; any other value, negative included, is reported as is.
    void queueBarcode(int32_t socket, const std::string& code,
                      std::optional<int32_t> length = std::nullopt, bool result = true);
    void queueResponse(int32_t socket, int32_t code);
    void queueReply(const std::string& kind, std::vector<uint8_t> record);  // "config", ...
    void setModel(int32_t socket, int32_t model);

    // --- inspection ---
    std::vector<Call> calls() const;
    std::vector<Call> callsNamed(const std::string& name) const;
    std::vector<std::string> callNames() const;
    void clearCalls();

    // --- TerminalLibrary ---
    void vInitialize() override;
    uint32_t dll_version() override;
    int32_t tc_startserver() override;
    void GetTabConectados(uint8_t* tabsock8196, int32_t flag) override;
    void TCinet_ntoa(uint32_t address, char* text21) override;
    uint8_t bEnviaVivo(int32_t socket) override;
    uint8_t bReceiveBarcode(int32_t* socket, int32_t* spare, char* buffer1024,
                            int32_t* length) override;
    uint8_t GetResponseCtr(int32_t* socket, int32_t* code) override;
    uint8_t bReceiveConfig(uint8_t* record159) override;
    uint8_t bReceiveUpdConfig(uint8_t* record214) override;
    uint8_t bReceiveParam(uint8_t* record6) override;
    uint8_t bReceiveWlanConfig(uint8_t* record52) override;
    uint8_t bReceiveMacAddrConfig(uint8_t* record22) override;
    uint8_t bPedeConfig(int32_t socket) override;
    uint8_t bPedeUpdConfig(int32_t socket) override;
    uint8_t bPedeParam(int32_t socket) override;
    uint8_t bPedeWlanConfig(int32_t socket) override;
    uint8_t bPedeMacAddr(int32_t socket, uint8_t interfaceCode) override;
    uint8_t bMandaConfig(const uint8_t* record159) override;
    uint8_t bMandaUpdConfig(const uint8_t* record214) override;
    uint8_t bMandaParam(const uint8_t* record6) override;
    uint8_t bMandaWlanConfig(const uint8_t* record52) override;
    uint8_t bSendAllwaysLive(int32_t socket) override;
    uint8_t bSendCheckLive(int32_t socket) override;
    uint8_t bSendRestartSoft(int32_t socket) override;
    uint8_t bUpdateSoftware(int32_t socket) override;
    uint8_t bSendProdPrice(int32_t socket, const char* description, const char* price) override;
    uint8_t bSendProdNotFound(int32_t socket) override;
    uint8_t bSendDisplayMsg(int32_t socket, const char* line1, const char* line2, uint16_t time,
                            int32_t flag) override;
    int32_t iTypeTerm(int32_t socket) override;
    uint8_t bSendImageFromFile(int32_t socket, const char* path, int32_t width, int32_t height,
                               int32_t index, int32_t loop, int32_t pause, int32_t flag) override;

private:
    struct Barcode {
        int32_t socket;
        std::string code;
        int32_t length;
        bool result;
    };
    void record(Call call);
    uint8_t takeReply(const std::string& kind, uint8_t* out, size_t size, const char* name);

    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    std::deque<Barcode> m_barcodes;
    std::deque<std::pair<int32_t, int32_t>> m_responses;
    std::deque<std::pair<std::string, std::vector<uint8_t>>> m_replies;
    std::vector<std::pair<int32_t, int32_t>> m_models;
};

}  // namespace tarifon
