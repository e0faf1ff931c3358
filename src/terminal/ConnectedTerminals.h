#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>
#include <QStringView>

#include "terminal/Notifier.h"
#include "terminal/TTABSOCK.h"
#include "terminal/TerminalLibrary.h"

namespace tarifon {

// The connected-terminal list (Timer1Timer and ListBConecClick without the widgets)
// and the rule every single-terminal command starts with.

inline constexpr QStringView kChooseTerminalText = u"Escolha um terminal";

// What the terminal list shows after a refresh.
struct TerminalListRefresh {
    QStringList rows;         // "address:socket", in slot order
    int highlightedRow = -1;  // -1: none
    int32_t selected = -1;    // the new selected terminal, -1: none
};

// The slots that get a row, in row order: occupied slots from slot 0 upward,
// stopping after the slot where the count reaches NumSockConec or after slot
// 1021.  Slot 0 is always visited; slots 1022 and 1023 never are.
std::vector<int> listedSlots(const TTABSOCK& table);

// Fetches the table into `tabConec`, builds the rows, keeps every listed terminal
// alive and maintains the selection: a still-listed selection stays; otherwise
// the first listed terminal (the first row) becomes selected; nothing listed, -1.
TerminalListRefresh refreshConnectedTerminals(TerminalLibrary& library, TTABSOCK& tabConec,
                                              int32_t selected);

// The address text of the terminal on `socket` in `tabConec`; empty when it has none.
QString terminalAddress(TerminalLibrary& library, const TTABSOCK& tabConec, int32_t socket);

// The selection after a click on `row` (-1: no row): the terminal that row shows.
// A row that is not listed leaves `selected` as it was.
int32_t selectClickedRow(const TTABSOCK& tabConec, int row, int32_t selected);

// The socket a single-terminal command acts on; with none selected (negative) the
// operator is told "Escolha um terminal" and the command must do nothing else.
std::optional<int32_t> requireSelectedTerminal(int32_t selected, Notifier& notifier);

}  // namespace tarifon
