#pragma once

#include <chrono>

namespace tarifon {

// The database client's life in the program.  Left alone, the client answers SIGINT and
// SIGTERM itself: it shuts down from a thread of its own while the program is still
// stopping, and a process that ends while that runs can crash in the client.  So the
// program keeps the signals for itself and shuts the client down when its own lookups
// have ended.

// Before the first attachment: the client no longer shuts down on a signal (the
// program's own handlers still run).
void keepDatabaseClientFromSignals();

// After the last attachment has gone, before the program returns from main: stops the
// client and the embedded engine.  False when they did not stop within `timeout`, or
// reported a failure (an engine that never started, say).
bool shutDownDatabaseClient(std::chrono::milliseconds timeout);

}  // namespace tarifon
