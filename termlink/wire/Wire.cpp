#include "wire/Wire.h"

#include <algorithm>
#include <cstring>

#include "base/LittleEndian.h"

namespace termlink::wire {

namespace le = tarifon::le;

namespace {

// Appends little-endian fields and length-prefixed texts to a frame body.
class Writer {
public:
    explicit Writer(Type type) { m_body.push_back(static_cast<uint8_t>(type)); }
    Writer& u8(uint8_t v) {
        m_body.push_back(v);
        return *this;
    }
    Writer& u16(uint16_t v) {
        le::append16(m_body, v);
        return *this;
    }
    Writer& u32(uint32_t v) {
        le::append32(m_body, v);
        return *this;
    }
    Writer& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    Writer& bytes(std::span<const uint8_t> b) {
        m_body.insert(m_body.end(), b.begin(), b.end());
        return *this;
    }
    Writer& raw(const std::string& s) {
        m_body.insert(m_body.end(), s.begin(), s.end());
        return *this;
    }
    Writer& text(const std::string& s) {
        const size_t n = std::min(s.size(), kMaxTextBytes);
        u8(static_cast<uint8_t>(n));
        m_body.insert(m_body.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
        return *this;
    }
    Bytes frame() const {
        Bytes out;
        out.reserve(kHeaderSize + m_body.size());
        le::append32(out, static_cast<uint32_t>(m_body.size()));
        out.insert(out.end(), m_body.begin(), m_body.end());
        return out;
    }

private:
    Bytes m_body;
};

// Bounds-checked reader over one payload; any short read marks it bad.
class Reader {
public:
    explicit Reader(std::span<const uint8_t> p) : m_p(p) {}
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_pos == m_p.size(); }
    size_t left() const { return m_p.size() - m_pos; }
    uint8_t u8() {
        if (!need(1))
            return 0;
        return m_p[m_pos++];
    }
    uint16_t u16() {
        if (!need(2))
            return 0;
        const uint16_t v = le::read16(m_p.data() + m_pos);
        m_pos += 2;
        return v;
    }
    uint32_t u32() {
        if (!need(4))
            return 0;
        const uint32_t v = le::read32(m_p.data() + m_pos);
        m_pos += 4;
        return v;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    Bytes bytes(size_t n) {
        if (!need(n))
            return {};
        Bytes b(m_p.begin() + static_cast<std::ptrdiff_t>(m_pos),
                m_p.begin() + static_cast<std::ptrdiff_t>(m_pos + n));
        m_pos += n;
        return b;
    }
    std::string str(size_t n) {
        if (!need(n))
            return {};
        std::string s(reinterpret_cast<const char*>(m_p.data() + m_pos), n);
        m_pos += n;
        return s;
    }
    std::string text() { return str(u8()); }

private:
    bool need(size_t n) {
        if (!m_ok || left() < n) {
            m_ok = false;
            return false;
        }
        return true;
    }
    std::span<const uint8_t> m_p;
    size_t m_pos = 0;
    bool m_ok = true;
};

bool isCommandType(Type t) {
    switch (t) {
        case Type::KeepAlive:
        case Type::GetNetConfig:
        case Type::GetUpdConfig:
        case Type::GetParam:
        case Type::GetWlanConfig:
        case Type::AlwaysLive:
        case Type::CheckLive:
        case Type::RestartSoft:
        case Type::UpdateSoftware:
            return true;
        default:
            return false;
    }
}

}  // namespace

size_t recordBytes(Type type) {
    switch (type) {
        case Type::NetConfigReply:
        case Type::SetNetConfig:
            return kNetConfigBytes;
        case Type::UpdConfigReply:
        case Type::SetUpdConfig:
            return kUpdConfigBytes;
        case Type::ParamReply:
        case Type::SetParam:
            return kParamBytes;
        case Type::WlanConfigReply:
        case Type::SetWlanConfig:
            return kWlanConfigBytes;
        case Type::MacAddrReply:
            return kMacAddrBytes;
        default:
            return 0;
    }
}

bool isTerminalType(Type type) {
    return static_cast<uint8_t>(type) < 0x80;
}

bool FrameDecoder::feed(std::span<const uint8_t> data, std::vector<Frame>& out) {
    if (failed())
        return false;
    size_t pos = 0;
    while (pos < data.size()) {
        // Gather the header first, then exactly one body; never hold more than that.
        if (m_buffer.size() < kHeaderSize) {
            const size_t take = std::min(kHeaderSize - m_buffer.size(), data.size() - pos);
            m_buffer.insert(m_buffer.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
                            data.begin() + static_cast<std::ptrdiff_t>(pos + take));
            pos += take;
            if (m_buffer.size() < kHeaderSize)
                break;
            const uint32_t length = le::read32(m_buffer.data());
            if (length == 0) {
                m_error = "empty frame";
                return false;
            }
            if (length > m_maxBody) {
                m_error = "frame of " + std::to_string(length) + " bytes exceeds the limit of " +
                          std::to_string(m_maxBody);
                return false;
            }
            m_buffer.reserve(kHeaderSize + length);
        }
        const size_t want = kHeaderSize + le::read32(m_buffer.data());
        const size_t take = std::min(want - m_buffer.size(), data.size() - pos);
        m_buffer.insert(m_buffer.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
                        data.begin() + static_cast<std::ptrdiff_t>(pos + take));
        pos += take;
        if (m_buffer.size() == want) {
            out.push_back({static_cast<Type>(m_buffer[kHeaderSize]),
                           Bytes(m_buffer.begin() + kHeaderSize + 1, m_buffer.end())});
            m_buffer.clear();
        }
    }
    return true;
}

Bytes encode(const Message& message) {
    return std::visit(
        [](const auto& m) -> Bytes {
            using T = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<T, Hello>) {
                return Writer(Type::Hello)
                    .bytes(kMagic)
                    .u16(m.version)
                    .i32(m.model)
                    .bytes(m.mac)
                    .text(m.firmware.substr(0, kMaxFirmwareBytes))
                    .frame();
            } else if constexpr (std::is_same_v<T, Scan>) {
                return Writer(Type::Scan).u32(m.seq).raw(m.code.substr(0, kMaxCodeBytes)).frame();
            } else if constexpr (std::is_same_v<T, Alive>) {
                return Writer(Type::Alive).frame();
            } else if constexpr (std::is_same_v<T, ConfigReply> || std::is_same_v<T, SetConfig>) {
                return Writer(m.type).bytes(m.record).frame();
            } else if constexpr (std::is_same_v<T, Response>) {
                Writer w(Type::Response);
                w.i32(m.code);
                if (m.second)
                    w.i32(*m.second);
                return w.frame();
            } else if constexpr (std::is_same_v<T, Welcome>) {
                return Writer(Type::Welcome)
                    .u16(m.version)
                    .i32(m.socket)
                    .u32(m.idleTimeoutMs)
                    .frame();
            } else if constexpr (std::is_same_v<T, Price>) {
                return Writer(Type::Price).u32(m.seq).text(m.description).text(m.price).frame();
            } else if constexpr (std::is_same_v<T, NotFound>) {
                return Writer(Type::NotFound).u32(m.seq).frame();
            } else if constexpr (std::is_same_v<T, DisplayMsg>) {
                return Writer(Type::DisplayMsg)
                    .text(m.line1)
                    .text(m.line2)
                    .u16(m.time)
                    .i32(m.flag)
                    .frame();
            } else if constexpr (std::is_same_v<T, Command>) {
                return Writer(m.type).frame();
            } else if constexpr (std::is_same_v<T, GetMacAddr>) {
                return Writer(Type::GetMacAddr).u8(m.interfaceCode).frame();
            } else if constexpr (std::is_same_v<T, Picture>) {
                return Writer(Type::Picture)
                    .u8(static_cast<uint8_t>(m.kind))
                    .i32(m.width)
                    .i32(m.height)
                    .i32(m.index)
                    .i32(m.loop)
                    .i32(m.pause)
                    .i32(m.flag)
                    .u32(static_cast<uint32_t>(m.data.size()))
                    .bytes(m.data)
                    .frame();
            } else if constexpr (std::is_same_v<T, Versions>) {
                Writer w(Type::Versions);
                w.u8(static_cast<uint8_t>(m.versions.size()));
                for (const uint16_t version : m.versions)
                    w.u16(version);
                return w.frame();
            } else {
                static_assert(std::is_same_v<T, Bye>);
                return Writer(Type::Bye).u8(static_cast<uint8_t>(m.reason)).frame();
            }
        },
        message);
}

std::optional<Message> decode(const Frame& frame, std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<Message> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    Reader r(frame.payload);
    std::optional<Message> out;
    const Type t = frame.type;
    switch (t) {
        case Type::Hello: {
            Hello h;
            const Bytes magic = r.bytes(kMagic.size());
            if (!r.ok() || !std::equal(magic.begin(), magic.end(), kMagic.begin()))
                return fail("hello without the protocol magic");
            h.version = r.u16();
            if (r.ok() && h.version != kProtocolVersion)
                return Message{h};
            h.model = r.i32();
            const Bytes mac = r.bytes(6);
            if (r.ok())
                std::copy(mac.begin(), mac.end(), h.mac.begin());
            h.firmware = r.text();
            if (h.firmware.size() > kMaxFirmwareBytes)
                return fail("firmware text too long");
            out = h;
            break;
        }
        case Type::Scan: {
            Scan s;
            s.seq = r.u32();
            s.code = r.str(r.left());
            if (s.code.empty() || s.code.size() > kMaxCodeBytes)
                return fail("scan code must hold 1 to " + std::to_string(kMaxCodeBytes) + " bytes");
            if (s.code.find('\0') != std::string::npos)
                return fail("scan code holds a zero byte");
            out = s;
            break;
        }
        case Type::Alive:
            out = Alive{};
            break;
        case Type::NetConfigReply:
        case Type::UpdConfigReply:
        case Type::ParamReply:
        case Type::WlanConfigReply:
        case Type::MacAddrReply:
            out = ConfigReply{t, r.bytes(recordBytes(t))};
            break;
        case Type::Response: {
            Response resp;
            resp.code = r.i32();
            if (r.left() == 4)
                resp.second = r.i32();
            out = resp;
            break;
        }
        case Type::Welcome: {
            Welcome w;
            w.version = r.u16();
            w.socket = r.i32();
            w.idleTimeoutMs = r.u32();
            out = w;
            break;
        }
        case Type::Price: {
            Price p;
            p.seq = r.u32();
            p.description = r.text();
            p.price = r.text();
            out = p;
            break;
        }
        case Type::NotFound:
            out = NotFound{r.u32()};
            break;
        case Type::DisplayMsg: {
            DisplayMsg d;
            d.line1 = r.text();
            d.line2 = r.text();
            d.time = r.u16();
            d.flag = r.i32();
            out = d;
            break;
        }
        case Type::GetMacAddr:
            out = GetMacAddr{r.u8()};
            break;
        case Type::SetNetConfig:
        case Type::SetUpdConfig:
        case Type::SetParam:
        case Type::SetWlanConfig:
            out = SetConfig{t, r.bytes(recordBytes(t))};
            break;
        case Type::Picture: {
            Picture p;
            const uint8_t kind = r.u8();
            if (kind < static_cast<uint8_t>(PictureKind::Instant) ||
                kind > static_cast<uint8_t>(PictureKind::UploadEnd))
                return fail("unknown picture kind " + std::to_string(kind));
            p.kind = static_cast<PictureKind>(kind);
            p.width = r.i32();
            p.height = r.i32();
            p.index = r.i32();
            p.loop = r.i32();
            p.pause = r.i32();
            p.flag = r.i32();
            const uint32_t n = r.u32();
            if (n > kMaxPictureBytes)
                return fail("picture larger than the limit");
            p.data = r.bytes(n);
            out = p;
            break;
        }
        case Type::Bye:
            out = Bye{static_cast<ByeReason>(r.u8())};
            break;
        case Type::Versions: {
            Versions v;
            for (uint8_t n = r.u8(); n > 0 && r.ok(); --n)
                v.versions.push_back(r.u16());
            if (v.versions.empty())
                return fail("versions without a version");
            out = v;
            break;
        }
        default:
            if (isCommandType(t)) {
                out = Command{t};
                break;
            }
            return fail("unknown frame type " + std::to_string(static_cast<unsigned>(t)));
    }
    if (!r.ok())
        return fail("payload too short for its type");
    if (!r.atEnd())
        return fail("payload longer than its type");
    return out;
}

std::optional<std::string> scannedCode(std::string code) {
    if (code.size() > kMaxCodeBytes)
        code.resize(kMaxCodeBytes);
    const size_t end = code.find_last_not_of("\r\n \t");
    if (end == std::string::npos)
        return std::nullopt;
    code.resize(end + 1);
    return code;
}

}  // namespace termlink::wire
