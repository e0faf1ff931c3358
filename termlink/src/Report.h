#pragma once

#include <string_view>

#include <boost/asio/io_context.hpp>

#include "termlink/Asio.h"

// What the library tells the operator: one line on standard error, "termlink: ...".
// The program's own window shows only the C results, so this is where the reasons go.
namespace termlink {

void report(std::string_view message);

// Runs `io` until it is stopped.  A handler that throws (out of memory, say) is
// reported and the loop goes on with the next one: one failure must not end the
// process from this thread nor silently stop serving everyone.
void runReportingFailures(asio::io_context& io);

}  // namespace termlink
