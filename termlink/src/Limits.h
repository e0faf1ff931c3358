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
// Web price checkers' requests are terminals of one scan, never listed: their socket
// values lie past the table's, also in rotation.
inline constexpr int32_t kFirstTransientSocket = kMaxSocketValue + 1;
inline constexpr int32_t kMaxTransientSocket = 65535;
// Addresses of terminals that have left, kept for the program's report of their scans.
inline constexpr size_t kRememberedAddresses = 4096;

// Scanned codes waiting per terminal; when full the oldest is dropped.
inline constexpr size_t kMaxPendingCodesPerTerminal = 64;
// Configuration replies waiting per kind; when full the oldest is dropped.
inline constexpr size_t kMaxQueuedReplies = 64;
// Response items waiting (a two-code report is one item); when full the oldest goes.
inline constexpr size_t kMaxQueuedResponses = 256;
// Bytes queued towards one terminal; a send that would pass this is refused.
inline constexpr size_t kMaxOutboundBytesPerConnection = 16 * 1024 * 1024;

// The web side (docs/web.md).  A request's line and headers together, and a kiosk page's
// message, may hold a code of 10,000 characters, which is then cut as a terminal's is.
inline constexpr size_t kMaxRequestHeadBytes = 16 * 1024;
inline constexpr size_t kMaxPageMessageBytes = 16 * 1024;
// Browsers and web price checkers together, at once: as many as terminals.
inline constexpr size_t kMaxWebConnections = kMaxTerminals;
// The whole request head must arrive within this; between requests a connection may idle.
inline constexpr std::chrono::milliseconds kRequestHeadTimeout{10000};
inline constexpr std::chrono::milliseconds kKeepAliveIdle{30000};
// A response that the peer does not take within this closes the connection.
inline constexpr std::chrono::milliseconds kResponseWriteTimeout{10000};
// The program answers its pages on its next tick; a main thread that has not answered
// within this is hung (or inside a long box), and the library says so itself.
inline constexpr std::chrono::milliseconds kPageAnswerTimeout{5000};
// Largest kiosk page file or template-folder file served.
inline constexpr size_t kMaxServedFileBytes = 4 * 1024 * 1024;

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
