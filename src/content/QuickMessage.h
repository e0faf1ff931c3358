#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include <QString>

#include "base/Result.h"
#include "terminal/TTABSOCK.h"
#include "terminal/TerminalLibrary.h"

namespace tarifon {

// One line of the quick message as the library takes it: Windows-1252 text and a zero
// in 101 bytes.  A longer line (only the settings file can hold one) is cut to 100
// bytes; Windows-1252 has one byte per character, so no character is split.
inline constexpr size_t kDisplayLineBytes = 100;
using DisplayLine = std::array<char, kDisplayLineBytes + 1>;
DisplayLine displayLine(const QString& text);

// The quick message: sends the two lines and the display time's
// low 16 bits to every connected terminal of `tabConec`, in slot order.  Fails with the
// error box's text when the display time is not a whole number; nothing is sent then.
[[nodiscard]] Result<void, QString> sendQuickMessage(TerminalLibrary& library,
                                                     const TTABSOCK& tabConec, const QString& line1,
                                                     const QString& line2,
                                                     const QString& displayTime);

}  // namespace tarifon
