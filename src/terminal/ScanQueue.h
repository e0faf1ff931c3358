#pragma once

#include <cstdint>

#include <QString>

namespace tarifon {

// Where the poller hands scans in the high-volume mode: they are looked up elsewhere
// and reported later, so a tick takes many scans and never waits for a lookup.
class ScanQueue {
public:
    virtual ~ScanQueue() = default;

    // Whether another scan can be handed over now; while false, scans wait in the library.
    virtual bool hasRoom() const = 0;
    virtual void submit(int32_t socket, const QString& code) = 0;
};

}  // namespace tarifon
