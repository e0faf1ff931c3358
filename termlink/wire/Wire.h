#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include <termlink.h>

// The wire protocol between terminals and the server, as pure data: frame
// encoding, an incremental frame decoder that never touches a socket, and one
// message struct per frame type.  docs/protocol.md is the normative description.
//
// Frame: u32 little-endian body length N (1..limit), then N body bytes:
//        u8 type, then the type's payload.  All integers little-endian.
// Text:  u8 length L, then L bytes of Windows-1252 (no terminator).
namespace termlink::wire {

inline constexpr uint16_t kProtocolVersion = 2;
inline constexpr std::array<uint8_t, 4> kMagic = {'T', 'R', 'F', 'N'};
inline constexpr size_t kHeaderSize = 4;

// Largest body a terminal may send; its biggest message is an update-server reply.
inline constexpr size_t kMaxTerminalBody = 2048;
// Largest picture file the server sends, and so the largest server body.
inline constexpr size_t kMaxPictureBytes = 256 * 1024;
inline constexpr size_t kMaxServerBody = kMaxPictureBytes + 64;
// Longest scanned code: the program's buffer holds a leading byte, the code and a zero.
inline constexpr size_t kMaxCodeBytes = TERMLINK_BARCODE_BUFFER_SIZE - 2;
inline constexpr size_t kMaxFirmwareBytes = 64;
inline constexpr size_t kMaxTextBytes = 255;

// Record payloads on the wire: the program's record without its first 32-bit field
// (the socket value in a request, the "filled" flag in a reply).
inline constexpr size_t kRecordLeadBytes = 4;
inline constexpr size_t kNetConfigBytes = TERMLINK_NET_CONFIG_SIZE - kRecordLeadBytes;
inline constexpr size_t kUpdConfigBytes = TERMLINK_UPD_CONFIG_SIZE - kRecordLeadBytes;
inline constexpr size_t kParamBytes = TERMLINK_PARAM_SIZE - kRecordLeadBytes;
inline constexpr size_t kWlanConfigBytes = TERMLINK_WLAN_CONFIG_SIZE - kRecordLeadBytes;
inline constexpr size_t kMacAddrBytes = TERMLINK_MAC_ADDR_SIZE - kRecordLeadBytes;

enum class Type : uint8_t {
    // terminal -> server
    Hello = 0x01,
    Scan = 0x02,
    Alive = 0x03,
    NetConfigReply = 0x04,
    UpdConfigReply = 0x05,
    ParamReply = 0x06,
    WlanConfigReply = 0x07,
    MacAddrReply = 0x08,
    Response = 0x09,
    // server -> terminal
    Welcome = 0x81,
    Price = 0x82,
    NotFound = 0x83,
    DisplayMsg = 0x84,
    KeepAlive = 0x85,
    GetNetConfig = 0x86,
    GetUpdConfig = 0x87,
    GetParam = 0x88,
    GetWlanConfig = 0x89,
    GetMacAddr = 0x8A,
    SetNetConfig = 0x8B,
    SetUpdConfig = 0x8C,
    SetParam = 0x8D,
    SetWlanConfig = 0x8E,
    AlwaysLive = 0x8F,
    CheckLive = 0x90,
    RestartSoft = 0x91,
    UpdateSoftware = 0x92,
    Picture = 0x93,
    Bye = 0x94,
    Versions = 0x95,
};

// Why the server closes a connection (sent in Bye just before closing).
enum class ByeReason : uint8_t {
    ProtocolError = 1,
    ServerFull = 2,
    UnsupportedVersion = 3,
    IdleTimeout = 4,
    HandshakeTimeout = 5,
    ServerStopping = 6,
};

// What a picture is for; the terminal acts on this, not on the six numbers.
enum class PictureKind : uint8_t {
    Instant = 1,        // show it now, for `pause` seconds
    UploadBegin = 2,    // a new picture set is coming: show this while it loads
    UploadClear = 3,    // numbers only: forget the stored set
    UploadPicture = 4,  // picture `index` of the set, with its loop and pause
    UploadEnd = 5,      // the set is complete: show this, then go back to the set
};

using Bytes = std::vector<uint8_t>;

struct Frame {
    Type type;
    Bytes payload;
};

// Incremental decoder: feed it whatever the socket delivered; it yields whole
// frames and stops for good at the first broken one (empty or oversized body).
class FrameDecoder {
public:
    explicit FrameDecoder(size_t maxBody) : m_maxBody(maxBody) {}

    // Consumes the bytes; complete frames are appended to `out`.
    // Returns false when the stream is broken; error() says why.
    bool feed(std::span<const uint8_t> data, std::vector<Frame>& out);
    bool failed() const { return !m_error.empty(); }
    const std::string& error() const { return m_error; }
    // Bytes held for a frame not yet complete.
    size_t pending() const { return m_buffer.size(); }

private:
    size_t m_maxBody;
    Bytes m_buffer;
    std::string m_error;
};

// ---- messages -------------------------------------------------------------

// Of a Hello in a version other than kProtocolVersion only the version is read: what
// follows it is that version's own.
struct Hello {
    uint16_t version = kProtocolVersion;
    int32_t model = 0;
    std::array<uint8_t, 6> mac{};
    std::string firmware;
};
struct Scan {
    uint32_t seq = 0;
    std::string code;
};
struct Alive {};
struct ConfigReply {  // the five reply kinds share a shape: a record payload
    Type type;
    Bytes record;
};
struct Response {
    int32_t code = 0;
    std::optional<int32_t> second;
};
struct Welcome {
    uint16_t version = kProtocolVersion;
    int32_t socket = 0;
    uint32_t idleTimeoutMs = 0;  // the terminal keeps itself alive within a third of it
};
struct Price {
    uint32_t seq = 0;
    std::string description;
    std::string price;
};
struct NotFound {
    uint32_t seq = 0;
};
struct DisplayMsg {
    std::string line1;
    std::string line2;
    uint16_t time = 0;
    int32_t flag = 0;
};
struct Command {  // payload-less server commands: KeepAlive, Get*, the four maintenance ones
    Type type;
};
struct GetMacAddr {
    uint8_t interfaceCode = 0;
};
struct SetConfig {  // the four configuration writes
    Type type;
    Bytes record;
};
struct Picture {
    int32_t width = 0, height = 0, index = 0, loop = 0, pause = 0, flag = 0;
    Bytes data;  // empty: the numbers without a picture
    PictureKind kind = PictureKind::Instant;
};
struct Bye {
    ByeReason reason = ByeReason::ProtocolError;
};
// Sent just before Bye(UnsupportedVersion): the versions the server speaks, so that a
// terminal of another version can fall back to one of them.
struct Versions {
    std::vector<uint16_t> versions;  // 1 to 255, ascending
};

using Message = std::variant<Hello, Scan, Alive, ConfigReply, Response, Welcome, Price, NotFound,
                             DisplayMsg, Command, GetMacAddr, SetConfig, Picture, Bye, Versions>;

// Whole frame (header included) for a message.  Texts longer than kMaxTextBytes
// are cut; records must have their type's exact size.
Bytes encode(const Message& message);

// Decodes one frame's payload by its type; nullopt for an unknown type or a
// payload that does not match the type's layout exactly.  `error` says why.
std::optional<Message> decode(const Frame& frame, std::string* error = nullptr);

// Payload size of a record-carrying type, 0 for other types.
size_t recordBytes(Type type);
// The code the program is given for a scanned one, whatever the transport: cut to
// kMaxCodeBytes, then a scanner's suffix (CR, LF, blanks, tabs) dropped.  nullopt when
// nothing else was scanned.
std::optional<std::string> scannedCode(std::string code);
bool isTerminalType(Type type);

}  // namespace termlink::wire
