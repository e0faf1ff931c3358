// The status page, metrics and health check: what the controller counts for them, and the
// pages it writes when the library forwards a request.
#include <algorithm>
#include <array>

#include "app/Controller.h"
#include "platform/Cp1252.h"
#include "terminal/ConnectedTerminals.h"

namespace tarifon {

namespace {

// A tick answers at most these; the rest wait 10 ms, like the terminals' responses.
constexpr int kMaxPagesPerTick = 4;

console::Outcome consoleOutcome(LookupOutcome outcome) {
    switch (outcome) {
        case LookupOutcome::Price:
            return console::Outcome::Found;
        case LookupOutcome::NotFound:
            return console::Outcome::NotFound;
        case LookupOutcome::Skipped:
        case LookupOutcome::Failed:
            break;
    }
    return console::Outcome::Failed;
}

const char* distributionOutcome(PictureDistributor::Outcome outcome) {
    switch (outcome) {
        case PictureDistributor::Outcome::Started:
            return "started";
        case PictureDistributor::Outcome::Queued:
        case PictureDistributor::Outcome::AlreadyQueued:
            return "queued";
        case PictureDistributor::Outcome::Dropped:
            return "dropped";
        case PictureDistributor::Outcome::NotStarted:
            break;
    }
    return "not_started";
}

std::string utf8(const std::string& cp1252) {
    return cp1252::decode(cp1252).toStdString();
}

}  // namespace

void Controller::countScan(int32_t socket, const QString& code, LookupOutcome outcome,
                           const std::string& description, const std::string& price,
                           const QString& error, std::chrono::nanoseconds duration) {
    // Asked after the answer: a web price checker's request is gone by then, but its socket
    // value tells its transport.
    const int32_t model = socket >= TERMLINK_TABLE_SLOTS ? 0 : m_library.iTypeTerm(socket);
    const std::string answer =
        outcome == LookupOutcome::Price ? utf8(description) + "  " + utf8(price) : std::string();
    m_stats.scan(socket, console::transportOf(socket, model), code.toStdString(),
                 consoleOutcome(outcome), answer, duration, console::Clock::now());
    if (outcome == LookupOutcome::Skipped)
        countDatabaseAccess(false, QStringLiteral("no database path is set"));
    else
        countDatabaseAccess(outcome != LookupOutcome::Failed, error);
}

void Controller::countDatabaseAccess(bool ok, const QString& reason) {
    m_stats.databaseAccess({ok, reason.toStdString(), console::Clock::now()});
}

void Controller::countDistribution(const PictureDistributor::Request& request) {
    m_stats.pictureDistribution(distributionOutcome(request.outcome));
}

void Controller::listTerminals() {
    std::vector<console::SeenTerminal> seen;
    for (const int slot : listedSlots(m_tabConec)) {
        const int32_t socket = m_tabConec.tabSock(slot);
        if (socket == 0)
            continue;
        // The model does not change while a terminal stays connected: asked once.
        const auto& known = m_stats.terminals();
        const auto it = std::find_if(known.begin(), known.end(),
                                     [socket](const auto& t) { return t.socket == socket; });
        std::array<char, TERMLINK_ADDRESS_BUFFER_SIZE> address{};
        const std::string text = m_library.bTermAddress(socket, address.data()) != 0
                                     ? std::string(address.data())
                                     : terminalAddress(m_library, m_tabConec, socket).toStdString();
        const int32_t model =
            it != known.end() && it->address == text ? it->model : m_library.iTypeTerm(socket);
        seen.push_back({socket, text, model});
    }
    m_stats.terminalsListed(seen, console::Clock::now());
}

void Controller::servePages() {
    int32_t id = 0;
    std::array<char, TERMLINK_PAGE_PATH_SIZE> path{};
    for (int n = 0; n < kMaxPagesPerTick && m_library.bReceivePageRequest(&id, path.data()) != 0;
         ++n) {
        const auto now = std::chrono::steady_clock::now();
        const console::PageInputs inputs{
            m_stats, m_consoleTexts, m_listening,
            [&] {
                console::StatusFacts facts;
                facts.databasePath = settings().bd.toStdString();
                facts.notFound = m_notFound.summary(console::kTopNotFound, now).top;
                facts.now = console::Clock::now();
                return facts;
            },
            [&] {
                console::MetricsFacts facts;
                m_library.bReadCounters(facts.library.data());
                facts.notFoundCodes = m_notFound.summary(console::kTopNotFound, now).codes;
                facts.version = TARIFON_VERSION;
                return facts;
            }};
        const console::Page page = console::page(path.data(), inputs);
        m_library.bSendPage(id, page.status, page.contentType.c_str(), page.body.data(),
                            static_cast<int32_t>(page.body.size()));
    }
}

}  // namespace tarifon
