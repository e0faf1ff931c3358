#pragma once

#include <cstdint>
#include <span>

#include <QString>

namespace tarifon {

// The five configuration replies, in the order the poller asks for them.
enum class ReplyKind { Param, UpdConfig, WlanConfig, MacAddrConfig, Config };

// What the event poller hands its events to.  The main window implements it: the
// poller only decides what happened, the window owns the controls and the lookup.
class PollerSink {
public:
    virtual ~PollerSink() = default;

    // Answers a scanned code.  False means the lookup ended in its failure path
    // (it has shown its own box); the poller then abandons the rest of the tick.
    virtual bool lookupPrice(int32_t socket, const QString& code) = 0;
    // A filled configuration reply; `record` holds the whole record of that kind.
    virtual void configReply(ReplyKind kind, std::span<const uint8_t> record) = 0;
    // Status lamp ShapeN (1..12) turns green.
    virtual void lampGreen(int lampNumber) = 0;
    // One line appended to the event log MemoRecv.
    virtual void appendLog(const QString& line) = 0;
    // A terminal asked for its pictures (response 392).
    virtual void startImageWorker(int32_t socket) = 0;
};

}  // namespace tarifon
