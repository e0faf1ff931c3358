#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "termsim/DisplaySheet.h"
#include "termsim/PictureStore.h"
#include "termsim/TerminalState.h"
#include "wire/Wire.h"

namespace termsim {

// What happened at the terminal, for the caller to show or count.
struct PictureReceived {
    int32_t width = 0, height = 0, index = 0, loop = 0, pause = 0, flag = 0;
    size_t bytes = 0;
    std::string file;  // "-" when not stored
    wire::PictureKind kind = wire::PictureKind::Instant;
};
struct KeepAliveReceived {};
// A read request was answered; `settings` is what went back (describeSettings).
struct SettingsRead {
    wire::Type type;
    std::string settings;
};
// A settings write was applied; `code` is the response sent (0: none) and `settings`
// the group as it now stands.
struct SettingsWritten {
    wire::Type type;
    int32_t code = 0;
    std::string settings;
};
struct CommandAcknowledged {
    wire::Type type;
    int32_t code = 0;
};
// Something the operator should read on stderr; the terminal goes on.
struct Warning {
    std::string text;
};

using Event = std::variant<wire::Welcome, wire::Bye, wire::Price, wire::NotFound, wire::DisplayMsg,
                           PictureReceived, KeepAliveReceived, SettingsRead, SettingsWritten,
                           CommandAcknowledged, Warning>;

// Frames to send back, in order, and what the caller should know about.
struct Outcome {
    std::vector<wire::Bytes> frames;
    std::vector<Event> events;
};

// The terminal side of the protocol with no socket: a server message in, the
// replies and events out.  Settings writes change the state and, when a state
// file is set, save it at once.
class Terminal {
public:
    explicit Terminal(TerminalState state);

    void setStateFile(std::filesystem::path path) { m_statePath = std::move(path); }
    void setPictureStore(PictureStore store) { m_pictures = std::move(store); }
    // Draws what the terminal was given to show (message, pictures) into a PNG file,
    // at once and after every message or picture.  The error when it cannot be written.
    tarifon::Result<void> setRenderFile(std::filesystem::path path);

    wire::Bytes hello() const;
    // `code` in Windows-1252; the scan's sequence number is returned through `seq`.
    wire::Bytes scan(std::string_view code, uint32_t& seq);

    Outcome handle(const wire::Message& message);
    // Decodes first; a frame that does not decode is a warning, not a reply.
    Outcome handleFrame(const wire::Frame& frame);

    const TerminalState& state() const { return m_state; }
    uint64_t keepAlives() const { return m_keepAlives; }

private:
    void answered(Outcome& out, wire::Type request, wire::Type reply, wire::Bytes record);
    void written(Outcome& out, wire::Type type, int32_t code);
    void rendered(Outcome& out);
    Outcome handleCommand(wire::Type type);

    TerminalState m_state;
    std::optional<std::filesystem::path> m_statePath;
    std::optional<PictureStore> m_pictures;
    std::optional<std::filesystem::path> m_renderPath;
    DisplaySheet m_sheet;
    uint32_t m_nextSeq = 1;
    uint64_t m_keepAlives = 0;
};

}  // namespace termsim
