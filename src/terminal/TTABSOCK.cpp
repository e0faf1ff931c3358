#include "terminal/TTABSOCK.h"

#include "base/LittleEndian.h"

namespace tarifon {

uint32_t TTABSOCK::le32(size_t offset) const {
    return le::read32(m_bytes, offset);
}

int32_t TTABSOCK::tabSock(int slot) const {
    if (slot < 0 || slot >= kSlots)
        return 0;
    return static_cast<int32_t>(le32(kTabSockOffset + 4 * static_cast<size_t>(slot)));
}

uint32_t TTABSOCK::tabUid(int slot) const {
    if (slot < 0 || slot >= kSlots)
        return 0;
    return le32(kTabUidOffset + 4 * static_cast<size_t>(slot));
}

int32_t TTABSOCK::numSockConec() const {
    return static_cast<int32_t>(le32(kNumSockConecOffset));
}

}  // namespace tarifon
