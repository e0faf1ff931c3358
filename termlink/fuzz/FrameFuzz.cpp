// Feeds arbitrary bytes to the frame decoder, as a terminal could, and decodes
// every frame that comes out; re-encoding a decoded message must decode again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "wire/Wire.h"

using namespace termlink::wire;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (size_t maxBody : {kMaxTerminalBody, kMaxServerBody}) {
        FrameDecoder decoder(maxBody);
        std::vector<Frame> frames;
        // Split in two pieces to exercise the incremental path as well.
        const size_t half = size / 2;
        decoder.feed(std::span(data, half), frames);
        decoder.feed(std::span(data + half, size - half), frames);
        for (const auto& frame : frames) {
            const auto message = decode(frame);
            if (!message)
                continue;
            const Bytes again = encode(*message);
            FrameDecoder check(kMaxServerBody);
            std::vector<Frame> out;
            if (!check.feed(again, out) || out.size() != 1 || !decode(out[0]))
                std::abort();
        }
    }
    return 0;
}
