#pragma once

#include <cstdint>
#include <span>

#include <QString>

namespace tarifon {

// The status lamps beside the configuration reads and writes and the maintenance
// commands: yellow when a request goes out, green when its answer comes.  Numbered as
// the window's lamps are.
enum class Lamp : int {
    AllwaysLive = 1,
    CheckLive = 2,
    RestartSoft = 3,
    UpdateSoftware = 4,
    UpdConfigRead = 5,
    UpdConfigWrite = 6,
    ConfigRead = 7,
    ParamRead = 8,
    ParamWrite = 9,
    WlanRead = 10,
    WlanWrite = 11,
    MacRead = 12,
};

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
    virtual void lampGreen(Lamp lamp) = 0;
    // One line for the event log.
    virtual void appendLog(const QString& line) = 0;
    // A terminal asked for its pictures (response 392).
    virtual void startImageWorker(int32_t socket) = 0;
};

}  // namespace tarifon
