#include "terminal/ConnectedTerminals.h"

#include <array>

#include "platform/Cp1252.h"

namespace tarifon {

namespace {

constexpr int kLastVisitedSlot = 1021;
constexpr size_t kAddressBufferSize = 21;

QString addressText(TerminalLibrary& library, uint32_t address) {
    std::array<char, kAddressBufferSize> text{};
    library.TCinet_ntoa(address, text.data());
    // The last byte is kept for the terminating zero the library may not write.
    return cp1252::decodeField(text.data(), text.size() - 1);
}

}  // namespace

QString terminalAddress(TerminalLibrary& library, const TTABSOCK& tabConec, int32_t socket) {
    for (int slot = 0; slot < TTABSOCK::kSlots; ++slot)
        if (socket != 0 && tabConec.tabSock(slot) == socket)
            return addressText(library, tabConec.tabUid(slot));
    return {};
}

std::vector<int> listedSlots(const TTABSOCK& table) {
    std::vector<int> listed;
    const int32_t wanted = table.numSockConec();
    int32_t found = 0;
    for (int slot = 0;; ++slot) {
        if (table.tabSock(slot) != 0) {
            listed.push_back(slot);
            ++found;
        }
        if (found >= wanted || slot == kLastVisitedSlot)
            break;
    }
    return listed;
}

TerminalListRefresh refreshConnectedTerminals(TerminalLibrary& library, TTABSOCK& tabConec,
                                              int32_t selected) {
    TTABSOCK fetched;
    library.GetTabConectados(fetched.data(), 1);
    tabConec = fetched;

    TerminalListRefresh result;
    int matchedRow = -1;
    const std::vector<int> listed = listedSlots(tabConec);
    for (const int slot : listed) {
        const int32_t socket = tabConec.tabSock(slot);
        if (socket == selected && matchedRow < 0)
            matchedRow = static_cast<int>(result.rows.size());

        result.rows.append(addressText(library, tabConec.tabUid(slot)) + QLatin1Char(':') +
                           QString::number(socket));
        library.bEnviaVivo(socket);
    }

    if (matchedRow >= 0) {
        result.highlightedRow = matchedRow;
        result.selected = selected;
    } else if (!result.rows.isEmpty()) {
        result.highlightedRow = 0;
        result.selected = tabConec.tabSock(listed.front());
    }
    return result;
}

int32_t selectClickedRow(const TTABSOCK& tabConec, int row, int32_t selected) {
    const std::vector<int> listed = listedSlots(tabConec);
    if (row < 0 || static_cast<size_t>(row) >= listed.size())
        return selected;
    return tabConec.tabSock(listed[static_cast<size_t>(row)]);
}

std::optional<int32_t> requireSelectedTerminal(int32_t selected, Notifier& notifier) {
    if (selected < 0) {
        notifier.showNotice(kChooseTerminalText.toString());
        return std::nullopt;
    }
    return selected;
}

}  // namespace tarifon
