#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "termlink/Limits.h"
#include "termlink/Outlet.h"
#include "wire/Wire.h"

// The state the program polls: which terminals are live (slots and socket
// values), their pending scans, and the reply and response queues.  Written by
// the network thread, read by the program's threads; every method takes one lock.
// Besides the listed terminals it holds the web price checkers' requests: each one
// scan from a transient terminal, with a socket value past the table's and no slot.
namespace termlink {

enum class ReplyKind { Net, Upd, Param, Wlan, MacAddr };
inline constexpr size_t kReplyKinds = 5;
// Record size on the program's side: the LE socket value, then the wire payload.
size_t replyRecordBytes(ReplyKind kind);
std::optional<ReplyKind> replyKindOf(wire::Type type);

class Registry {
public:
    struct Scan {
        int32_t socket = 0;
        std::string code;
    };
    struct Target {
        std::shared_ptr<Outlet> outlet;
        uint32_t lastSeq = 0;  // seq of the last scan handed out for this terminal
    };

    Registry();
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Readable (an eventfd) when a scan was pushed while none was waiting; -1 when
    // the system could not make one.
    int scanEventFd() const { return m_scanEvent; }

    // Gives the terminal a socket value and the lowest free slot; nullopt when full.
    // `address` is the IPv4 address the table shows, `addressText` the peer as text.
    std::optional<int32_t> add(uint32_t address, int32_t model, std::shared_ptr<Outlet> outlet,
                               std::string addressText = {});
    // A terminal for one request, not listed: a socket value from kFirstTransientSocket on,
    // in rotation like the others; nullopt when every value is taken.
    std::optional<int32_t> addTransient(std::string addressText, std::shared_ptr<Outlet> outlet);
    // Frees the slot and drops the terminal's pending scans.  Its address is remembered
    // until the value is given again (see addressText()).
    void remove(int32_t socket);
    // Drops every terminal and queue (used when the server stops).
    void clear();

    void pushScan(int32_t socket, uint32_t seq, std::string code);
    // Next scan, taking terminals in turn so one busy terminal cannot hold up the others.
    std::optional<Scan> takeScan();

    void pushReply(ReplyKind kind, int32_t socket, wire::Bytes payload);
    // Copies the oldest reply of that kind into `record` (replyRecordBytes(kind) bytes).
    bool takeReply(ReplyKind kind, uint8_t* record);

    // A second code is queued right behind the first, never separated from it.
    void pushResponse(int32_t socket, int32_t code, std::optional<int32_t> second);
    bool takeResponse(int32_t& socket, int32_t& code);

    // The program's table (TERMLINK_TABSOCK_SIZE bytes): sockets, IPv4 addresses, count (all LE).
    void fillTable(uint8_t* table) const;
    int32_t model(int32_t socket) const;
    std::optional<Target> target(int32_t socket) const;
    size_t count() const;
    struct Counts {
        size_t terminals = 0;  // listed, of our protocol
        size_t browsers = 0;   // listed kiosk pages
        uint64_t droppedScans = 0;
    };
    Counts counts() const;
    // The peer address of the terminal on `socket`, or of the last one that had it among
    // the last kRememberedAddresses to leave: the program reports a scan after its answer,
    // when a web request has already gone.
    std::optional<std::string> addressText(int32_t socket) const;

private:
    struct Terminal {
        int32_t socket = 0;
        size_t slot = 0;
        uint32_t address = 0;
        int32_t model = 0;
        std::string addressText;
        uint32_t lastSeq = 0;
        std::deque<std::pair<uint32_t, std::string>> codes;
        std::shared_ptr<Outlet> outlet;
    };
    struct ResponseItem {
        int32_t socket;
        int32_t code;
        std::optional<int32_t> second;
    };
    struct Reply {
        int32_t socket;
        wire::Bytes payload;
    };

    Terminal* find(int32_t socket);
    const Terminal* find(int32_t socket) const;
    void forget(int32_t socket);

    mutable std::mutex m_mutex;
    // Indexed by socket value (0 unused).
    std::array<std::unique_ptr<Terminal>, kMaxSocketValue + 1> m_terminals;
    std::unordered_map<int32_t, std::unique_ptr<Terminal>> m_transient;
    int32_t m_nextTransient = kFirstTransientSocket;
    // Socket value -> (when it left, its address); the order they left, oldest first.
    std::unordered_map<int32_t, std::pair<uint64_t, std::string>> m_goneAddresses;
    std::deque<std::pair<int32_t, uint64_t>> m_gone;
    uint64_t m_goneSerial = 0;
    std::array<int32_t, kTableSlots> m_slots{};  // socket value per slot, 0 = free
    size_t m_count = 0;
    uint64_t m_droppedScans = 0;  // codes pushed out of a full queue, since the start
    int32_t m_nextSocket = 1;
    std::deque<int32_t> m_ready;  // terminals with pending scans, in serving order
    std::array<std::deque<Reply>, kReplyKinds> m_replies;
    std::deque<ResponseItem> m_responses;
    std::optional<std::pair<int32_t, int32_t>> m_heldSecond;  // second half of a taken pair
    const int m_scanEvent;
};

}  // namespace termlink
