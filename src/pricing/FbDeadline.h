#pragma once

#include <chrono>
#include <cstdint>
#include <utility>

#include "pricing/FbConnection.h"

namespace tarifon {

// Bounds the database work done while it exists: if it is still alive when the
// connection's answer time-out has passed, the connection is aborted, so the call
// that waits on it fails at once.  A server that stops answering an open connection
// (network cut, server frozen) would otherwise hold the caller for as long as TCP
// keeps the connection, minutes or for ever.  One watchdog thread serves them all.
class FbDeadline {
public:
    explicit FbDeadline(const FbConnection& connection);
    ~FbDeadline();
    FbDeadline(const FbDeadline&) = delete;
    FbDeadline& operator=(const FbDeadline&) = delete;

    using Key = std::pair<std::chrono::steady_clock::time_point, uint64_t>;

private:
    Key m_key;
};

}  // namespace tarifon
