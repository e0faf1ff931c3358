#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarifon {

// The connected-terminal table as GetTabConectados fills it: TabSock (1024 socket
// values, 0 = free slot), TabUID (1024 addresses) and NumSockConec, little-endian.
// Kept as the library's bytes and read through accessors, so the layout never
// depends on how the compiler packs a struct.
class TTABSOCK {
public:
    static constexpr int kSlots = 1024;
    static constexpr size_t kTabSockOffset = 0;
    static constexpr size_t kTabUidOffset = 4 * kSlots;
    static constexpr size_t kNumSockConecOffset = 8 * kSlots;
    static constexpr size_t kSize = kNumSockConecOffset + 4;

    // A slot outside 0..1023 reads as free (socket 0, address 0).
    int32_t tabSock(int slot) const;
    uint32_t tabUid(int slot) const;
    int32_t numSockConec() const;

    uint8_t* data() { return m_bytes.data(); }
    const uint8_t* data() const { return m_bytes.data(); }

private:
    uint32_t le32(size_t offset) const;

    std::array<uint8_t, kSize> m_bytes{};
};

static_assert(TTABSOCK::kSize == 8196);
static_assert(sizeof(TTABSOCK) == TTABSOCK::kSize);

}  // namespace tarifon
