#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include <termlink.h>

#include "wire/Wire.h"

// Every resource limit of the terminal server in one place; docs/protocol.md
// quotes them.  The frame limits belong to the wire codec and are re-exported here.
namespace termlink {

using wire::kMaxPictureBytes;  // largest picture file sent
using wire::kMaxServerBody;    // largest frame body the server sends
using wire::kMaxTerminalBody;  // largest frame body a terminal may send

// The program's connected-terminal table has 1024 slots but only walks 0..1021.
inline constexpr size_t kTableSlots = TERMLINK_TABLE_SLOTS;
inline constexpr size_t kMaxTerminals = kTableSlots - 2;
// Socket values handed to terminals run 1..kMaxSocketValue, in rotation; the program
// keeps one flag per value in a table as long as the terminal table.
inline constexpr int32_t kMaxSocketValue = static_cast<int32_t>(kTableSlots) - 1;

// Scanned codes waiting per terminal; when full the oldest is dropped.
inline constexpr size_t kMaxPendingCodesPerTerminal = 64;
// Configuration replies waiting per kind; when full the oldest is dropped.
inline constexpr size_t kMaxQueuedReplies = 64;
// Response items waiting (a two-code report is one item); when full the oldest goes.
inline constexpr size_t kMaxQueuedResponses = 256;
// Bytes queued towards one terminal; a send that would pass this is refused.
inline constexpr size_t kMaxOutboundBytesPerConnection = 16 * 1024 * 1024;

// How long a closing connection may take to flush its Bye and see the peer hang up.
inline constexpr std::chrono::milliseconds kCloseLinger{2000};
// A refused connection is closed this long after it was accepted, unread, so that a
// device that reconnects as soon as it is closed does so at this pace instead of
// spinning; at most kMaxHeldRefused wait at once, and past that the oldest goes at once.
inline constexpr std::chrono::milliseconds kRefusedHold{1000};
inline constexpr size_t kMaxHeldRefused = 256;
// Pause before accepting again when the process is out of file descriptors.
inline constexpr std::chrono::milliseconds kAcceptRetryDelay{100};

}  // namespace termlink
