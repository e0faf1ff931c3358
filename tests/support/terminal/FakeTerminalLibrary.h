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

        // Files each argument under its kind; a record holds `recordBytes` bytes.
        template <class... Args>
        static Call of(const char* name, [[maybe_unused]] size_t recordBytes, Args... args) {
            Call call{name, {}, {}, {}};
            (call.add(args, recordBytes), ...);
            return call;
        }

    private:
        void add(const char* text, size_t) { texts.emplace_back(text ? text : ""); }
        void add(const uint8_t* bytes, size_t size) {
            if (bytes)
                record.assign(bytes, bytes + size);
        }
        void add(int64_t number, size_t) { ints.push_back(number); }
    };

    // --- scripting ---
    uint32_t version = 0x00010000;
    int32_t startResult = 1;
    std::array<uint8_t, TERMLINK_TABSOCK_SIZE> table{};  // what GetTabConectados copies out
    void setSlot(int slot, int32_t socket, uint32_t address);
    void setCount(int32_t count);
    // `length` defaults to the code's size; any other value, negative included, is reported as is.
    void queueBarcode(int32_t socket, const std::string& code,
                      std::optional<int32_t> length = std::nullopt, bool result = true);
    void queueResponse(int32_t socket, int32_t code);
    void queueReply(const std::string& kind, std::vector<uint8_t> record);  // "config", ...
    void setModel(int32_t socket, int32_t model);
    void queuePageRequest(int32_t id, const std::string& path);
    std::array<uint64_t, TERMLINK_COUNTERS> counters{};  // what bReadCounters copies out

    // --- inspection ---
    std::vector<Call> calls() const;
    std::vector<Call> callsNamed(const std::string& name) const;
    std::vector<std::string> callNames() const;
    void clearCalls();

    // --- TerminalLibrary ---
    // The commands record their arguments and answer 1; the rest play the script.
    TERMLINK_FUNCTIONS(TARIFON_LIBRARY_OVERRIDE)

private:
    struct Barcode {
        int32_t socket;
        std::string code;
        int32_t length;
        bool result;
    };
    void addCall(Call call);
    uint8_t takeReply(const std::string& kind, uint8_t* out, size_t size, const char* name);

    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    std::deque<Barcode> m_barcodes;
    std::deque<std::pair<int32_t, int32_t>> m_responses;
    std::deque<std::pair<std::string, std::vector<uint8_t>>> m_replies;
    std::vector<std::pair<int32_t, int32_t>> m_models;
    std::deque<std::pair<int32_t, std::string>> m_pageRequests;
};

}  // namespace tarifon
