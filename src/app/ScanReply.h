#pragma once

#include <cstdint>

#include "pricing/LookupPrice.h"
#include "terminal/TerminalLibrary.h"

namespace tarifon {

// Sends a lookup's answer to the terminal that scanned: the description and price
// text, or "not found".  A skipped or failed lookup answers nothing; the library is told
// (bSendLookupFailed), so that terminals which can show it show an error.
void sendPriceReply(TerminalLibrary& library, int32_t socket, const PriceReply& reply);

}  // namespace tarifon
