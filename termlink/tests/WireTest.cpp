#include <gtest/gtest.h>

#include "wire/Wire.h"
#include "support/TestBytes.h"

using namespace termlink::wire;

namespace {

std::vector<Frame> decodeFrames(const Bytes& stream, size_t maxBody = kMaxServerBody) {
    FrameDecoder decoder(maxBody);
    std::vector<Frame> frames;
    EXPECT_TRUE(decoder.feed(stream, frames)) << decoder.error();
    EXPECT_EQ(decoder.pending(), 0u);
    return frames;
}

// Frame with an explicit body: type byte then payload.
Bytes rawFrame(uint8_t type, const Bytes& payload) {
    const auto n = static_cast<uint32_t>(payload.size() + 1);
    Bytes out = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                 static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24), type};
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

std::vector<Message> everyMessage() {
    Hello hello;
    hello.model = 3;
    hello.mac = {1, 2, 3, 4, 5, 6};
    hello.firmware = "fw 2.1";
    Picture picture{128, 64, 3, 2, 5, 1, pattern(1086, 9)};
    return {
        hello,
        Scan{42, "7891234567890"},
        Alive{},
        ConfigReply{Type::NetConfigReply, pattern(kNetConfigBytes, 1)},
        ConfigReply{Type::UpdConfigReply, pattern(kUpdConfigBytes, 2)},
        ConfigReply{Type::ParamReply, pattern(kParamBytes, 3)},
        ConfigReply{Type::WlanConfigReply, pattern(kWlanConfigBytes, 4)},
        ConfigReply{Type::MacAddrReply, pattern(kMacAddrBytes, 5)},
        Response{372, std::nullopt},
        Response{390, 5},
        Welcome{kProtocolVersion, 1023, 30000},
        Price{7, "Caf\xE9 200g", "R$12,90"},
        NotFound{8},
        DisplayMsg{"Promo\xE7\xE3o", "", 0xFFFF, 1},
        Command{Type::KeepAlive},
        Command{Type::GetNetConfig},
        Command{Type::GetUpdConfig},
        Command{Type::GetParam},
        Command{Type::GetWlanConfig},
        Command{Type::AlwaysLive},
        Command{Type::CheckLive},
        Command{Type::RestartSoft},
        Command{Type::UpdateSoftware},
        GetMacAddr{9},
        SetConfig{Type::SetNetConfig, pattern(kNetConfigBytes, 6)},
        SetConfig{Type::SetUpdConfig, pattern(kUpdConfigBytes, 7)},
        SetConfig{Type::SetParam, pattern(kParamBytes, 8)},
        SetConfig{Type::SetWlanConfig, pattern(kWlanConfigBytes, 9)},
        picture,
        Picture{0, 0, 255, 0, 0, 0, {}, PictureKind::UploadClear},
        Bye{ByeReason::IdleTimeout},
        Versions{{2, 3}},
    };
}

}  // namespace

// Every message survives encode -> frame decoder -> decode with all its fields:
// re-encoding the decoded message gives the very same bytes.
TEST(Wire, EveryMessageRoundTrips) {
    for (const auto& message : everyMessage()) {
        const Bytes bytes = encode(message);
        const auto frames = decodeFrames(bytes);
        ASSERT_EQ(frames.size(), 1u);
        std::string error;
        const auto decoded = decode(frames[0], &error);
        ASSERT_TRUE(decoded) << "type " << int(bytes[4]) << ": " << error;
        EXPECT_EQ(decoded->index(), message.index());
        EXPECT_EQ(encode(*decoded), bytes) << "type " << int(bytes[4]);
    }
    const auto pair = decode(decodeFrames(encode(Response{390, 5}))[0]);
    ASSERT_TRUE(pair);
    EXPECT_EQ(std::get<Response>(*pair).second, 5);
    const auto single = decode(decodeFrames(encode(Response{374, std::nullopt}))[0]);
    EXPECT_FALSE(std::get<Response>(*single).second.has_value());
}

// The byte layouts that docs/protocol.md documents; a change here breaks terminals.
TEST(Wire, LayoutsAreLittleEndianWithLengthPrefixedTexts) {
    EXPECT_EQ(encode(Scan{0x01020304, "12"}), (Bytes{7, 0, 0, 0, 0x02, 4, 3, 2, 1, '1', '2'}));
    EXPECT_EQ(encode(Welcome{2, 300, 30000}),
              (Bytes{11, 0, 0, 0, 0x81, 2, 0, 0x2C, 1, 0, 0, 0x30, 0x75, 0, 0}));
    EXPECT_EQ(encode(Price{5, "A", "R$1"}),
              (Bytes{11, 0, 0, 0, 0x82, 5, 0, 0, 0, 1, 'A', 3, 'R', '$', '1'}));
    EXPECT_EQ(encode(Response{390, 5}), (Bytes{9, 0, 0, 0, 0x09, 0x86, 1, 0, 0, 5, 0, 0, 0}));
    EXPECT_EQ(encode(GetMacAddr{9}), (Bytes{2, 0, 0, 0, 0x8A, 9}));
    EXPECT_EQ(encode(Bye{ByeReason::ServerFull}), (Bytes{2, 0, 0, 0, 0x94, 2}));
    EXPECT_EQ(encode(Versions{{2}}), (Bytes{4, 0, 0, 0, 0x95, 1, 2, 0}));
    Hello hello;
    hello.model = 2;
    hello.mac = {0xA, 0xB, 0xC, 0xD, 0xE, 0xF};
    hello.firmware = "v";
    EXPECT_EQ(encode(hello), (Bytes{19, 0, 0, 0,   0x01, 'T', 'R', 'F', 'N', 2, 0,  2,
                                    0,  0, 0, 0xA, 0xB,  0xC, 0xD, 0xE, 0xF, 1, 'v'}));
    EXPECT_EQ(encode(Picture{0, 0, 255, 0, 0, 0, {}, PictureKind::UploadClear}),
              (Bytes{30, 0, 0, 0, 0x93, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0,
                     0,  0, 0, 0, 0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0, 0}));
    const Bytes picture = encode(Picture{128, 64, 1, 2, 3, 1, {0xAA}, PictureKind::UploadPicture});
    EXPECT_EQ(picture.size(), 4u + 1 + 1 + 6 * 4 + 4 + 1);
    EXPECT_EQ(picture[4 + 1 + 1 + 24], 1);  // data length
    EXPECT_EQ(picture.back(), 0xAA);
}

TEST(Wire, TextsAreCutAt255Bytes) {
    const std::string longText(300, 'x');
    const auto decoded = decode(decodeFrames(encode(Price{1, longText, "p"}))[0]);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::get<Price>(*decoded).description, std::string(255, 'x'));
}

// Byte by byte, whole, or in odd pieces: the same frames come out.
TEST(Wire, DecoderIsIndependentOfHowBytesArrive) {
    Bytes stream;
    const auto messages = everyMessage();
    for (const auto& m : messages) {
        const Bytes b = encode(m);
        stream.insert(stream.end(), b.begin(), b.end());
    }
    const auto whole = decodeFrames(stream);
    ASSERT_EQ(whole.size(), messages.size());
    for (size_t step : {size_t{1}, size_t{3}, size_t{4097}}) {
        FrameDecoder decoder(kMaxServerBody);
        std::vector<Frame> frames;
        for (size_t pos = 0; pos < stream.size(); pos += step) {
            const size_t n = std::min(step, stream.size() - pos);
            ASSERT_TRUE(decoder.feed(std::span(stream.data() + pos, n), frames));
        }
        ASSERT_EQ(frames.size(), whole.size()) << "step " << step;
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i].type, whole[i].type);
            EXPECT_EQ(frames[i].payload, whole[i].payload);
        }
    }
    // A frame cut short stays pending and yields nothing.
    FrameDecoder decoder(kMaxServerBody);
    std::vector<Frame> frames;
    const Bytes one = encode(Scan{1, "123"});
    EXPECT_TRUE(decoder.feed(std::span(one.data(), one.size() - 1), frames));
    EXPECT_TRUE(frames.empty());
    EXPECT_EQ(decoder.pending(), one.size() - 1);
}

TEST(Wire, DecoderRejectsEmptyAndOversizedFramesForGood) {
    {
        FrameDecoder decoder(kMaxTerminalBody);
        std::vector<Frame> frames;
        EXPECT_FALSE(decoder.feed(Bytes{0, 0, 0, 0}, frames));
        EXPECT_TRUE(decoder.failed());
        // Nothing more comes out of a broken stream, even a good frame.
        EXPECT_FALSE(decoder.feed(encode(Alive{}), frames));
        EXPECT_TRUE(frames.empty());
    }
    {
        FrameDecoder decoder(kMaxTerminalBody);
        std::vector<Frame> frames;
        const auto n = static_cast<uint32_t>(kMaxTerminalBody + 1);
        EXPECT_FALSE(decoder.feed(Bytes{static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                                        static_cast<uint8_t>(n >> 16), 0},
                                  frames));
        EXPECT_NE(decoder.error().find("exceeds"), std::string::npos);
    }
    {
        // Exactly at the limit is fine.
        FrameDecoder decoder(kMaxTerminalBody);
        std::vector<Frame> frames;
        EXPECT_TRUE(decoder.feed(rawFrame(0x02, Bytes(kMaxTerminalBody - 1, '1')), frames));
        EXPECT_EQ(frames.size(), 1u);
    }
    {
        FrameDecoder decoder(kMaxTerminalBody);
        std::vector<Frame> frames;
        EXPECT_FALSE(decoder.feed(Bytes{0xFF, 0xFF, 0xFF, 0xFF}, frames));
    }
}

TEST(Wire, DecodeRejectsPayloadsThatDoNotFitTheirType) {
    const struct {
        Bytes frame;
        const char* why;
    } cases[] = {
        {rawFrame(0x7F, {}), "unknown type"},
        {rawFrame(0xFF, {1, 2}), "unknown server type"},
        {rawFrame(0x02, {1, 0, 0, 0}), "scan without a code"},
        {rawFrame(0x02, {1, 0, 0, 0, '1', 0, '2'}), "scan with a zero byte"},
        {rawFrame(0x02, {1, 0}), "scan too short"},
        {rawFrame(0x03, {0}), "alive with a payload"},
        {rawFrame(0x04, pattern(kNetConfigBytes - 1, 0)), "net reply too short"},
        {rawFrame(0x04, pattern(kNetConfigBytes + 1, 0)), "net reply too long"},
        {rawFrame(0x08, pattern(kMacAddrBytes + 4, 0)), "mac reply too long"},
        {rawFrame(0x09, {1, 2}), "response too short"},
        {rawFrame(0x09, {1, 2, 3, 4, 5, 6}), "response between one and two codes"},
        {rawFrame(0x09, Bytes(12, 0)), "response with three codes"},
        {rawFrame(0x01, {'X', 'R', 'F', 'N', 1, 0, 2, 0, 0, 0, 1, 2, 3, 4, 5, 6, 0}), "bad magic"},
        {rawFrame(0x01, {'T', 'R', 'F', 'N', 2, 0, 2, 0, 0, 0, 1, 2, 3, 4, 5, 6, 5, 'a'}),
         "firmware text shorter than its length"},
        {rawFrame(0x95, {0}), "versions without a version"},
        {rawFrame(0x95, {2, 2, 0}), "versions shorter than their count"},
        {rawFrame(0x85, {0}), "keep-alive with a payload"},
        {rawFrame(0x93, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 1}),
         "picture shorter than its length"},
        {rawFrame(0x93, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0,    0,    0,
                         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F}),
         "picture over the limit"},
        {rawFrame(0x93,
                  [] {
                      Bytes b(29, 0);
                      b[0] = 6;
                      return b;
                  }()),
         "picture of an unknown kind"},
    };
    for (const auto& c : cases) {
        const auto frames = decodeFrames(c.frame);
        ASSERT_EQ(frames.size(), 1u) << c.why;
        std::string error;
        EXPECT_FALSE(decode(frames[0], &error)) << c.why;
        EXPECT_FALSE(error.empty()) << c.why;
    }
}
