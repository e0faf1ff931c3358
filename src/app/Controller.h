#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <QFont>
#include <QString>
#include <QStringView>

#include "app/LookupFailureLog.h"
#include "app/OperatorView.h"
#include "app/SettingsFile.h"
#include "config/Extras.h"
#include "config/NetConfig.h"
#include "config/UpdConfig.h"
#include "config/WlanConfig.h"
#include "console/ConsolePages.h"
#include "console/ConsoleStats.h"
#include "content/DisplayContent.h"
#include "content/PictureDistributor.h"
#include "platform/AutostartEntry.h"
#include "pricing/DbResult.h"
#include "pricing/LookupPrice.h"
#include "pricing/PriceFormat.h"
#include "report/NotFoundReport.h"
#include "terminal/EventPoller.h"
#include "terminal/PollerSink.h"
#include "terminal/TTABSOCK.h"
#include "terminal/TerminalLibrary.h"

namespace tarifon {

class HighVolumeLookups;

// The event log's line and the box's text when the terminal server cannot listen.
inline constexpr QStringView kServerFailed = u"Erro inicializando servidor";
struct LookupSettings;

// What a single-terminal button asks of the selected terminal with nothing but its
// socket: the four configuration reads and the four maintenance commands.
enum class TerminalRequest {
    Config,
    UpdConfig,
    Param,
    WlanConfig,
    AllwaysLive,
    CheckLive,
    RestartSoft,
    UpdateSoftware,
};

// The program behind the main window: the settings, the event poller, the price
// lookup, the connected terminals and the operator's selection, the display content,
// terminal configuration, start-up and shutdown, the notification-area icon and autostart.  The
// window calls it from its handlers and shows what it reports through OperatorView; it never reads
// a control.  Everything runs on the user-interface thread except settings(), which any thread may
// call.
class Controller : private PollerSink {
public:
    // `content` is the display content the window also edits; it outlives the controller.
    Controller(TerminalLibrary& library, OperatorView& view, DisplayContent& content,
               QString programDir);
    ~Controller() override;

    // `name` in the program's folder (beside the executable unless a test says otherwise).
    QString besideProgram(const QString& name) const;

    // ---- Start-up, settings and shutdown
    void startUp();
    // Runs once, however many ways the window is closed.
    void shutDown();
    void loadSettings();
    void saveSettings();
    // Another attempt to start the library's server.
    void startServer();
    // Whether the window is shown when the event loop starts.
    bool showAtStart() const { return m_showAtStart; }
    // The window hands every edit of a settings control over as it happens.
    void setSetting(QString Settings::*entry, const QString& value);
    void setStartHidden(bool hidden);
    // A copy of the settings as they stand.
    Settings settings() const;

    // ---- Event poller
    void poll();
    // Whether scans go to the lookup workers (high-volume mode, decided at start-up).
    bool highVolume() const { return m_highVolume != nullptr; }
    // Service mode: every event-log line also goes to `echo` (standard error).
    void setLogEcho(std::function<void(const QString&)> echo) { m_logEcho = std::move(echo); }
    // Whether the terminal server listens.
    bool listening() const { return m_listening; }

    // ---- Connected terminals and the selection
    void refreshTerminals();
    // The operator moved the list's highlight to `row` (-1: none).
    void selectRow(int row);
    int32_t selectedTerminal() const { return m_selectedTerminal; }
    // Every single-terminal command starts here: the selected terminal, or nothing
    // after telling the operator "Escolha um terminal".
    std::optional<int32_t> requireTerminal();
    const TTABSOCK& TabConec() const { return m_tabConec; }

    // ---- Database location and connection test
    // `done` gets the outcome: at once in the default mode, from the event loop in the
    // high-volume mode, whose window thread never waits for the database.
    void testConnection(const std::function<void(const DbResult<void>&)>& done);

    // ---- Terminal configuration and maintenance commands (ControllerConfig.cpp)
    // Each goes to the selected terminal, or nowhere after "Escolha um terminal".
    // The request's lamp turns yellow before it is sent.
    void request(TerminalRequest request);
    // `interfaceItem`: the item chosen in the "Interface" radio group.
    void requestMacAddress(int interfaceItem);
    // The writes.  A number field that does not convert ends the write in the
    // application's error box, with nothing sent and no lamp changed.  Values that came
    // from another terminal than the selected one go only after the operator confirms.
    void sendNetConfig(NetConfig net, const QString& displayTime);
    // Only the two fields the operator sees: the others go back as the selected terminal
    // replied them, and without such a reply nothing is sent.
    void sendUpdConfig(std::string gateway, std::string terminalName);
    void sendExtras(const Extras& extras);
    void sendWlanConfig(WlanConfig wlan, const QString& channel);
    // Where each group's values came from, in the window's language, which the language
    // loader changes; showConfigOrigins puts it beside the groups again.
    ConfigTexts& configTexts() { return m_configTexts; }
    void showConfigOrigins();

    // ---- Notification-area icon, the window's visibility and autostart
    // Adds the icon (once, however often it is called) and lets the show-at-start flag
    // follow the window.  Without a notification area the window stays shown.
    void addTrayIcon();
    // "Ocultar": the icon, then the window hidden, where there is an icon to come back from.
    void hideToTray();
    // The pop-up menu's first item: hides a visible window, shows a hidden one.
    void toggleWindow();
    // The machine-wide autostart entry, running this executable; false when it could
    // not be written (no rights to the autostart folder).
    bool enableAutostart();
    // Removing an entry that is not there, or cannot be removed, is not reported.
    void disableAutostart();
    // Tests use a folder of their own instead of the system's.
    void setAutostartFolder(const QString& folder) { m_autostart = AutostartEntry(folder); }

    // ---- Display content
    // The quick message to every connected terminal, no selection needed.
    void sendQuickMessage();
    // The ">" buttons write a quick-message line into the instant image.
    void writeTextLine(TextLine line, const QFont& font);
    // The instant image and the image set go to the selected terminal.
    void sendInstantImage();
    void sendImageSet();

    // ---- Status page, metrics and health (ControllerConsole.cpp)
    // The status page's texts in the window's language, which the language loader changes.
    console::ConsoleTexts& consoleTexts() { return m_consoleTexts; }
    const console::Stats& stats() const { return m_stats; }

private:
    // PollerSink: what a tick hands over.
    bool lookupPrice(int32_t socket, const QString& code) override;
    void configReply(ReplyKind kind, std::span<const uint8_t> record) override;
    void lampGreen(Lamp lamp) override;
    void appendLog(const QString& line) override;
    void startImageWorker(int32_t socket) override;
    void logDistribution(const PictureDistributor::Request& request);
    void logDistributionLines();
    // Every path that answers "not found" reports the code here.
    void countNotFound(const QString& code, int32_t socket,
                       std::chrono::system_clock::time_point when);
    void logReport(const std::vector<std::string>& lines);
    // What the status page, metrics and health tell of one answered scan, and of a
    // database access.
    void countScan(int32_t socket, const QString& code, LookupOutcome outcome,
                   const std::string& description, const std::string& price, const QString& error,
                   std::chrono::nanoseconds duration);
    void countDatabaseAccess(bool ok, const QString& reason);
    void countDistribution(const PictureDistributor::Request& request);
    void listTerminals();
    // Answers the page requests the library has taken for the program.
    void servePages();

    // What one lookup reads from the settings as they stand now.
    LookupSettings lookupSettings() const;
    // The failure box of a lookup, at most one open at a time.
    void reportDatabaseFailure();
    // The failed scan's line with the database client's reason, when one is due.
    void logDatabaseFailure(const QString& code, const QString& reason);
    // High-volume mode: the workers' pool, scans for it, the scans it finished.
    void startHighVolume();
    void takeWaitingScans();
    void reportFinishedScans();

    // The number the operator typed in a field the record carries, or nothing after
    // the error box.
    std::optional<int32_t> typedNumber(const QString& text);
    // A terminal as the list names it.  The address is the one it had when it was seen.
    struct TerminalId {
        int32_t socket = 0;
        QString address;
    };
    TerminalId terminal(int32_t socket) const;
    static QString terminalText(const TerminalId& terminal);
    // Whether `group`'s values may go to `socket`: at once when they came from it or from
    // no terminal, otherwise when the operator says so.
    bool mayWrite(ConfigGroup group, int32_t socket);

    TerminalLibrary& m_library;
    OperatorView& m_view;
    std::function<void(const QString&)> m_logEcho;
    const QString m_programDir;
    EventPoller m_poller;

    mutable std::mutex m_settingsMutex;
    Settings m_settings;
    Separators m_separators;  // of prices, decided when the settings are loaded

    AutostartEntry m_autostart;

    bool m_showAtStart = true;
    bool m_noTrayLogged = false;
    bool m_shutDown = false;
    bool m_listening = false;
    bool m_databaseFailureShown = false;  // at most one database failure box at a time
    LookupFailureLog m_failureLog;
    TTABSOCK m_tabConec;
    int32_t m_selectedTerminal = -1;
    std::array<std::optional<TerminalId>, kConfigGroups> m_configOrigins{};
    UpdConfig m_updReply;  // the update-server group as the terminal it came from replied it
    ConfigTexts m_configTexts;
    DisplayContent& m_content;
    NotFoundReport m_notFound;
    std::unique_ptr<HighVolumeLookups> m_highVolume;  // null in the default mode
    console::Stats m_stats;
    console::ConsoleTexts m_consoleTexts;
    // Last: its workers, which call the library, end before anything else goes.
    PictureDistributor m_distributor;
};

}  // namespace tarifon
