#include "app/Controller.h"

#include <array>
#include <chrono>
#include <utility>

#include "app/HighVolumeLookups.h"
#include "app/ScanReply.h"
#include "platform/AppPaths.h"
#include "content/QuickMessage.h"
#include "pricing/ConnectionTest.h"
#include "pricing/LookupPrice.h"
#include "terminal/ConnectedTerminals.h"

namespace tarifon {

namespace {

const QString kServerStarted = QStringLiteral("Servidor inicializado com sucesso.");
const QString kNoTray =
    QStringLiteral("Sem área de notificação nesta área de trabalho: a janela continua visível.");

}  // namespace

Controller::Controller(TerminalLibrary& library, OperatorView& view, DisplayContent& content,
                       QString programDir)
    : m_library(library),
      m_view(view),
      m_programDir(std::move(programDir)),
      m_poller(library, static_cast<PollerSink&>(*this)),
      m_separators(priceLocale({}, regionalNumericLocale()).separators),
      m_content(content),
      m_notFound(besideProgram(QStringLiteral("notfound.csv")).toStdString()),
      m_distributor(library, m_programDir) {}

// The lookup workers stop before the terminal library and the view go.
Controller::~Controller() = default;

QString Controller::besideProgram(const QString& name) const {
    return m_programDir + QLatin1Char('/') + name;
}

// ---- Start-up, settings and shutdown ---------------------------------------

void Controller::startUp() {
    loadSettings();
    m_library.vInitialize();
    appendLog(
        QStringLiteral("DLL Version: %1")
            .arg(QString::number(m_library.dll_version(), 16).toUpper(), 8, QLatin1Char('0')));
    startHighVolume();
    startServer();
    m_view.startTerminalRefresh();
    m_content.loadImageTable();
    m_selectedTerminal = -1;
    m_content.loadLastInstantImage();
    if (settings().bd.isEmpty()) {
        m_showAtStart = true;
        m_view.warnDatabasePathMissing();
    }
    if (settings().lcbo_Iniciar) {
        addTrayIcon();
    }
}

void Controller::startServer() {
    m_listening = m_library.tc_startserver() != 0;
    if (m_listening) {
        appendLog(kServerStarted);
        m_view.serverStarted();
    } else {
        appendLog(kServerFailed.toString());
        // As a service no one could close the box; the line went to the journal.
        if (!m_logEcho)
            m_view.showNotice(kServerFailed.toString());
    }
}

void Controller::shutDown() {
    if (m_shutDown) {
        return;
    }
    m_shutDown = true;
    saveSettings();
    if (m_highVolume) {
        m_highVolume->shutdown();
        // Codes answered since the last tick still belong in the report.
        for (const FinishedLookup& done : m_highVolume->takeFinished()) {
            if (done.outcome == LookupOutcome::NotFound) {
                countNotFound(done.code, done.socket, std::chrono::system_clock::now());
            } else if (done.outcome == LookupOutcome::Failed) {
                logDatabaseFailure(done.code, done.error);
            }
        }
    }
    logReport(m_notFound.save());
    // Failures counted since their last line are told now, not lost with the program.
    for (const QString& line :
         m_failureLog.due(LookupFailureLog::Clock::now() + LookupFailureLog::kInterval))
        appendLog(line);
    m_content.keepInstantImage();
    // No worker may call the library once the program goes on to end.
    m_distributor.stop();
    logDistributionLines();
}

void Controller::loadSettings() {
    const Settings loaded = tarifon::loadSettings(besideProgram(kSettingsFileName.toString()));
    // Decided here, once: the environment and the setting do not change while it runs.
    const PriceLocale prices = priceLocale(loaded.priceLocale, regionalNumericLocale());
    {
        const std::lock_guard lock(m_settingsMutex);
        m_settings = loaded;
        m_separators = prices.separators;
    }
    m_view.showSettings(loaded);
    for (const QString& problem : loaded.scale.problems) {
        appendLog(problem);
    }
    if (!prices.problem.isEmpty())
        appendLog(prices.problem);
}

void Controller::saveSettings() {
    // At shutdown the window is going, but the journal (service mode) keeps the line.
    for (const QString& problem :
         tarifon::saveSettings(besideProgram(kSettingsFileName.toString()), settings()))
        appendLog(kSettingsFileName % QStringLiteral(": ") % problem);
}

void Controller::setSetting(QString Settings::*entry, const QString& value) {
    const std::lock_guard lock(m_settingsMutex);
    m_settings.*entry = value;
}

void Controller::setStartHidden(bool hidden) {
    const std::lock_guard lock(m_settingsMutex);
    m_settings.lcbo_Iniciar = hidden;
}

Settings Controller::settings() const {
    const std::lock_guard lock(m_settingsMutex);
    return m_settings;
}

// ---- Notification-area icon, the window's visibility and autostart ---------

void Controller::addTrayIcon() {
    if (!m_view.trayAvailable()) {
        // Hidden, the window would have no way back: it stays, and the log says why once.
        if (!m_noTrayLogged) {
            m_noTrayLogged = true;
            appendLog(kNoTray);
        }
        m_showAtStart = true;
        return;
    }
    m_view.showTrayIcon();
    m_showAtStart = m_view.windowVisible();
}

void Controller::hideToTray() {
    addTrayIcon();
    if (m_view.trayAvailable()) {
        m_view.hideWindow();
    }
}

// Hiding through the pop-up also adds the icon when there is none yet (the menu opened as
// the window's context menu): a window hidden without an icon could never come back.
void Controller::toggleWindow() {
    if (m_view.windowVisible()) {
        hideToTray();
    } else {
        m_view.showWindow();
    }
}

bool Controller::enableAutostart() {
    return m_autostart.install(executablePath());
}

void Controller::disableAutostart() {
    m_autostart.remove();
}

// ---- Event poller and price lookup -----------------------------------------

void Controller::poll() {
    m_poller.tick();
    if (m_highVolume) {
        reportFinishedScans();
    }
    for (const QString& line : m_failureLog.due(LookupFailureLog::Clock::now()))
        appendLog(line);
    servePages();
    logReport(m_notFound.saveIfDue(std::chrono::steady_clock::now()));
    logDistributionLines();
}

LookupSettings Controller::lookupSettings() const {
    const std::lock_guard lock(m_settingsMutex);
    return {m_settings.bd, m_settings.currency, m_separators,
            std::chrono::seconds(m_settings.performance.connectTimeoutS), m_settings.scale.formats};
}

bool Controller::lookupPrice(int32_t socket, const QString& code) {
    const auto started = std::chrono::steady_clock::now();
    const PriceReply reply = tarifon::lookupPrice(code, lookupSettings());
    const auto duration = std::chrono::steady_clock::now() - started;
    sendPriceReply(m_library, socket, reply);
    countScan(socket, code, reply.outcome, reply.description, reply.price, reply.error, duration);
    if (reply.outcome == LookupOutcome::NotFound)
        countNotFound(code, socket, std::chrono::system_clock::now());
    if (reply.outcome != LookupOutcome::Failed) {
        return true;
    }
    logDatabaseFailure(code, reply.error);
    reportDatabaseFailure();
    return false;
}

void Controller::logDatabaseFailure(const QString& code, const QString& reason) {
    if (const std::optional<QString> line =
            m_failureLog.failed(code, reason, LookupFailureLog::Clock::now()))
        appendLog(*line);
}

void Controller::reportDatabaseFailure() {
    // While the box is open, ticks go on inside it; further failures stay silent
    // instead of stacking one nested box per scan.
    if (!m_databaseFailureShown) {
        m_databaseFailureShown = true;
        m_view.showDatabaseFailure();
        m_databaseFailureShown = false;
    }
}

void Controller::startHighVolume() {
    const PerformanceSettings performance = settings().performance;
    if (!performance.highVolume) {
        return;
    }
    m_highVolume = std::make_unique<HighVolumeLookups>(
        m_library, performance, [this] { return lookupSettings(); },
        [this] { takeWaitingScans(); });
    m_poller.setScanQueue(m_highVolume.get());
    // Before the server listens, so that no terminal's first scan waits for an attach.
    // A database that is down costs the start at most the time-out; scans try again.
    m_highVolume->warmUp(std::chrono::seconds(performance.connectTimeoutS));
}

// Woken by the library: hand the waiting scans over now rather than at the next tick.
void Controller::takeWaitingScans() {
    if (m_poller.takeScans() == EventPoller::kMaxScansPerTick) {
        m_highVolume->wakeSoon();
    }
}

// Failed lookups show the failure box as in the default mode, one for the batch, after
// the "#" lines of the others (an empty path included), so that the lines do not wait
// for the box.
void Controller::reportFinishedScans() {
    bool failed = false;
    for (const FinishedLookup& done : m_highVolume->takeFinished()) {
        countScan(done.socket, done.code, done.outcome, done.description, done.price, done.error,
                  done.duration);
        if (done.outcome == LookupOutcome::Failed) {
            logDatabaseFailure(done.code, done.error);
            failed = true;
            continue;
        }
        if (done.outcome == LookupOutcome::NotFound) {
            countNotFound(done.code, done.socket, std::chrono::system_clock::now());
        }
        appendLog(QLatin1Char('#') + done.code);
    }
    if (failed) {
        reportDatabaseFailure();
    }
}

void Controller::lampGreen(Lamp lamp) {
    m_view.setLamp(lamp, LampColor::Green);
}

void Controller::appendLog(const QString& line) {
    m_stats.logLine(line.toStdString(), console::Clock::now());
    m_view.appendLog(line);
    if (m_logEcho) {
        m_logEcho(line);
    }
}

void Controller::startImageWorker(int32_t socket) {
    logDistribution(m_distributor.requestFromTerminal(socket, m_content.imageTable()));
}

void Controller::countNotFound(const QString& code, int32_t socket,
                               std::chrono::system_clock::time_point when) {
    // The library knows every terminal's address, web price checkers' included, also for
    // a while after it has gone.
    std::array<char, TERMLINK_ADDRESS_BUFFER_SIZE> address{};
    const QString terminal = m_library.bTermAddress(socket, address.data()) != 0
                                 ? QString::fromLatin1(address.data())
                                 : QStringLiteral("socket-") + QString::number(socket);
    if (const std::optional<std::string> line =
            m_notFound.record(code.toStdString(), terminal.toStdString(), when))
        appendLog(QString::fromStdString(*line));
}

void Controller::logReport(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        appendLog(QString::fromStdString(line));
}

void Controller::logDistribution(const PictureDistributor::Request& request) {
    countDistribution(request);
    if (!request.logLine.isEmpty())
        appendLog(request.logLine);
}

// The workers' own lines (rows skipped), brought to this thread on the poller's tick.
void Controller::logDistributionLines() {
    for (const QString& line : m_distributor.takeLogLines())
        appendLog(line);
}

// ---- Connected terminals and the selection ---------------------------------

void Controller::refreshTerminals() {
    const TerminalListRefresh refresh =
        refreshConnectedTerminals(m_library, m_tabConec, m_selectedTerminal);
    m_selectedTerminal = refresh.selected;
    listTerminals();
    m_view.showTerminalList(refresh.rows, refresh.highlightedRow);
    showConfigOrigins();
}

void Controller::selectRow(int row) {
    m_selectedTerminal = selectClickedRow(m_tabConec, row, m_selectedTerminal);
    showConfigOrigins();
}

std::optional<int32_t> Controller::requireTerminal() {
    return requireSelectedTerminal(m_selectedTerminal, m_view);
}

// ---- Display content --------------------------------------------------------

void Controller::sendQuickMessage() {
    const Settings now = settings();
    if (const Result<void, QString> sent =
            tarifon::sendQuickMessage(m_library, m_tabConec, now.line1, now.line2, now.timeex);
        !sent)
        m_view.showError(sent.error());
}

void Controller::writeTextLine(TextLine line, const QFont& font) {
    const Settings now = settings();
    m_content.writeTextLine(line, now.line1, now.line2, font);
}

void Controller::sendInstantImage() {
    if (const std::optional<int32_t> socket = requireTerminal())
        m_content.sendInstantImage(*socket, settings().timeex);
}

void Controller::sendImageSet() {
    if (const std::optional<int32_t> socket = requireTerminal())
        logDistribution(m_distributor.requestFromOperator(*socket, m_content.imageTable()));
}

// ---- Database location and connection test ---------------------------------

void Controller::testConnection(const std::function<void(const DbResult<void>&)>& done) {
    const Settings now = settings();
    const std::chrono::seconds timeout(now.performance.connectTimeoutS);
    auto counted = [this, done](const DbResult<void>& result) {
        countDatabaseAccess(result.has_value(), result ? QString() : result.error().message);
        done(result);
    };
    if (m_highVolume) {
        m_highVolume->testConnection(now.bd, timeout, counted);
        return;
    }
    counted(testDatabaseConnection(now.bd, timeout));
}

}  // namespace tarifon
