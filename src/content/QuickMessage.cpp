#include "content/QuickMessage.h"

#include <algorithm>
#include <string>

#include "platform/Cp1252.h"
#include "platform/IntText.h"
#include "terminal/ConnectedTerminals.h"

namespace tarifon {

DisplayLine displayLine(const QString& text) {
    const std::string bytes = cp1252::encode(text);
    DisplayLine line{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), kDisplayLineBytes), line.begin());
    return line;
}

Result<void, QString> sendQuickMessage(TerminalLibrary& library, const TTABSOCK& tabConec,
                                       const QString& line1, const QString& line2,
                                       const QString& displayTime) {
    const DisplayLine first = displayLine(line1);
    const DisplayLine second = displayLine(line2);
    const Result<int32_t, QString> time = typedInteger(displayTime);
    if (!time)
        return time.error();
    const auto time16 = static_cast<uint16_t>(static_cast<uint32_t>(*time) & 0xFFFFu);
    // The same walk as the terminal list: every terminal that list shows gets it.
    for (const int slot : listedSlots(tabConec))
        library.bSendDisplayMsg(tabConec.tabSock(slot), first.data(), second.data(), time16, 1);
    return {};
}

}  // namespace tarifon
