#include "termsim/LoadRun.h"

#include <algorithm>
#include <csignal>
#include <fstream>

#include <sys/resource.h>

#include "base/Cp1252.h"
#include "termsim/Lines.h"

namespace termsim {

struct LoadRun::Slot : Connection::Listener, WebClient::Listener {
    Slot(LoadRun& owner, size_t index)
        : owner(owner), index(index), schedule(owner.m_context), replyTimer(owner.m_context) {}

    void onEvent(Connection&, const Event& event) override;
    void onClosed(Connection&, const std::string& why) override;
    void onWelcome(WebClient&) override { welcome(); }
    void onAnswer(WebClient&, uint32_t seq, WebClient::Answer answer) override;
    void onClosed(WebClient&, const std::string& why) override { closed(why); }

    void welcome();
    void answered(uint32_t seq, uint64_t& count);
    void closed(const std::string& why);
    uint32_t scan(const std::string& code) {
        return web ? web->scan(code) : connection->scan(code);
    }
    void close() { web ? web->close() : connection->close(); }
    uint64_t keepAlives() const {
        return web ? web->keepAlives() : connection->terminal().keepAlives();
    }

    LoadRun& owner;
    size_t index;
    std::shared_ptr<Connection> connection;  // or, on the web side:
    std::shared_ptr<WebClient> web;
    asio::steady_timer schedule;
    asio::steady_timer replyTimer;
    bool welcomed = false;
    bool lost = false;
    bool due = false;  // a scheduled scan waits for the one outstanding
    size_t nextCode = 0;
    std::optional<uint32_t> waiting;
    Clock::time_point sentAt;
    Clock::time_point nextTick;
};

namespace {

// 1022 terminals need more descriptors than the usual soft limit of 1024.
void raiseFileLimit(rlim_t needed, std::ostream& err) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= needed)
        return;
    limit.rlim_cur = std::min(needed, limit.rlim_max);
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur < needed)
        err << "termsim: only " << limit.rlim_cur
            << " file descriptors allowed; some terminals may fail to connect\n";
}

}  // namespace

tarifon::Result<std::vector<std::string>> loadCodes(const std::string& path) {
    using Codes = std::vector<std::string>;
    std::ifstream in(path);
    if (!in)
        return tarifon::fail("cannot read codes file " + path);
    Codes codes;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (const std::string why = codeProblem(line); !why.empty())
            return tarifon::fail(path + ", line " + std::to_string(number) + ": " + why);
        codes.push_back(tarifon::cp1252::fromUtf8(line));
    }
    if (in.bad())
        return tarifon::fail("cannot read codes file " + path);
    if (codes.empty())
        return tarifon::fail("codes file " + path + " holds no code");
    return codes;
}

LoadRun::LoadRun(const Options& options, const RunIo& io)
    : m_options(options), m_io(io), m_timer(m_context), m_signals(m_context, SIGINT, SIGTERM) {}

LoadRun::~LoadRun() = default;

void LoadRun::Slot::onEvent(Connection&, const Event& event) {
    if (std::holds_alternative<wire::Welcome>(event)) {
        if (!welcomed && owner.m_phase == Phase::Connecting && owner.m_options.report)
            connection->send(wire::encode(*owner.m_options.report));
        return welcome();
    }
    if (const auto* bye = std::get_if<wire::Bye>(&event)) {
        if (owner.m_phase == Phase::Connecting && owner.m_firstFailure.empty())
            owner.m_firstFailure =
                "the server refused the terminal: " + lines::byeReason(bye->reason);
        return;
    }
    if (const auto* warning = std::get_if<Warning>(&event)) {
        owner.m_io.err << "termsim: terminal " << index + 1 << ": " << warning->text << '\n';
        return;
    }
    if (const auto* price = std::get_if<wire::Price>(&event))
        answered(price->seq, owner.m_report.found);
    else if (const auto* notFound = std::get_if<wire::NotFound>(&event))
        answered(notFound->seq, owner.m_report.notFound);
}

void LoadRun::Slot::onAnswer(WebClient&, uint32_t seq, WebClient::Answer answer) {
    using enum WebClient::Answer;
    LoadReport& r = owner.m_report;
    answered(seq, answer == Found ? r.found : answer == NotFound ? r.notFound : r.failed);
}

void LoadRun::Slot::welcome() {
    if (welcomed || owner.m_phase != Phase::Connecting)
        return;
    welcomed = true;
    owner.settled();
}

void LoadRun::Slot::answered(uint32_t seq, uint64_t& count) {
    // A reply to a scan that already timed out has nothing left to measure.
    if (seq != waiting)
        return;
    owner.m_latenciesMs.push_back(
        std::chrono::duration<double, std::milli>(Clock::now() - sentAt).count());
    ++count;
    owner.scanEnded(*this);
}

void LoadRun::Slot::onClosed(Connection&, const std::string& why) {
    closed(why);
}

void LoadRun::Slot::closed(const std::string& why) {
    if (lost)
        return;
    lost = true;
    schedule.cancel();
    if (owner.m_phase == Phase::Connecting) {
        if (owner.m_firstFailure.empty())
            owner.m_firstFailure = why;
        // A terminal welcomed before has been counted as settled already.
        if (!welcomed)
            owner.settled();
        return;
    }
    ++owner.m_report.disconnected;
    if (waiting) {
        ++owner.m_report.noReply;
        due = false;
        owner.scanEnded(*this);
    }
}

int LoadRun::run() {
    if (m_options.mode == Mode::Load) {
        auto codes = loadCodes(m_options.codesFile);
        if (!codes) {
            m_io.err << "termsim: " << codes.error() << '\n';
            return 2;
        }
        m_codes = std::move(codes.value());
    }
    const auto endpoints = resolveServer(m_context, m_options);
    if (!endpoints) {
        m_io.err << "termsim: " << endpoints.error() << '\n';
        return 2;
    }
    raiseFileLimit(static_cast<rlim_t>(m_options.terminals) + 64, m_io.err);
    m_report.terminals = m_options.terminals;
    m_period = toDuration(1.0 / m_options.rate);

    for (int i = 0; i < m_options.terminals; ++i) {
        auto slot = std::make_unique<Slot>(*this, size_t(i));
        TerminalState state = defaultState(m_options.seed + uint32_t(i));
        applyIdentity(m_options, state);
        slot->nextCode = m_codes.empty() ? 0 : size_t(i) % m_codes.size();
        if (m_options.transport == Transport::Wire)
            slot->connection = std::make_shared<Connection>(m_context, Terminal(state), *slot);
        else
            slot->web = std::make_shared<WebClient>(
                m_context, m_options.transport,
                m_options.host + ':' + std::to_string(m_options.port), *slot);
        m_slots.push_back(std::move(slot));
    }
    for (auto& slot : m_slots) {
        if (slot->web)
            slot->web->start(endpoints.value());
        else
            slot->connection->start(endpoints.value());
    }

    m_signals.async_wait([this](boost::system::error_code ec, int) {
        if (!ec)
            finish();
    });
    // Slow handshakes must not eat into the measured window: the run starts when
    // every terminal is in or the time-out has passed.
    m_timer.expires_after(toDuration(m_options.timeout));
    m_timer.async_wait([this](boost::system::error_code ec) {
        if (!ec && m_phase == Phase::Connecting)
            startRunning();
    });
    m_context.run();
    return m_status;
}

void LoadRun::settled() {
    if (++m_settled == m_options.terminals && m_phase == Phase::Connecting)
        startRunning();
}

void LoadRun::startRunning() {
    m_timer.cancel();
    for (auto& slot : m_slots) {
        if (slot->welcomed && !slot->lost) {
            ++m_report.connected;
        } else if (!slot->lost) {
            slot->lost = true;  // too slow: leave it out of the run
            slot->close();
        }
    }
    if (m_report.connected == 0) {
        m_io.err << "termsim: no terminal could connect to " << m_options.host << ':'
                 << m_options.port << ": "
                 << (m_firstFailure.empty() ? "no welcome in time" : m_firstFailure) << '\n';
        m_status = 2;
        m_phase = Phase::Done;
        return m_context.stop();
    }
    m_phase = m_options.mode == Mode::Idle ? Phase::Idle : Phase::Running;
    m_start = Clock::now();
    m_end = m_start + toDuration(*m_options.duration);
    m_timer.expires_at(m_end);
    m_timer.async_wait([this](boost::system::error_code ec) {
        if (!ec)
            endWindow();
    });
    if (m_phase == Phase::Idle)
        return;
    // Spread the terminals over one period so they do not all scan at once.
    const auto n = static_cast<Clock::rep>(m_slots.size());
    for (auto& slot : m_slots) {
        if (slot->lost)
            continue;
        slot->nextTick = m_start + m_period * static_cast<Clock::rep>(slot->index) / n;
        tick(*slot);
    }
}

void LoadRun::tick(Slot& slot) {
    slot.schedule.expires_at(slot.nextTick);
    slot.schedule.async_wait([this, &slot](boost::system::error_code ec) {
        if (ec || slot.lost || m_phase != Phase::Running)
            return;
        if (slot.waiting)
            slot.due = true;
        else
            sendScan(slot);
        slot.nextTick += m_period;
        if (slot.nextTick < m_end)
            tick(slot);
    });
}

void LoadRun::sendScan(Slot& slot) {
    slot.due = false;
    slot.sentAt = Clock::now();
    slot.waiting = slot.scan(m_codes[slot.nextCode]);
    slot.nextCode = (slot.nextCode + 1) % m_codes.size();
    ++m_report.scansSent;
    slot.replyTimer.expires_after(toDuration(m_options.timeout));
    // A time-out that fired just as its reply came must not end the next scan.
    slot.replyTimer.async_wait([this, &slot, seq = *slot.waiting](boost::system::error_code ec) {
        if (ec || slot.waiting != seq)
            return;
        ++m_report.noReply;
        scanEnded(slot);
    });
}

void LoadRun::scanEnded(Slot& slot) {
    slot.waiting.reset();
    slot.replyTimer.cancel();
    if (slot.due && !slot.lost && m_phase == Phase::Running)
        return sendScan(slot);
    slot.due = false;
    if (m_phase != Phase::Draining)
        return;
    const bool drained = std::none_of(m_slots.begin(), m_slots.end(),
                                      [](const auto& s) { return s->waiting.has_value(); });
    if (drained)
        finish();
}

void LoadRun::endWindow() {
    if (m_phase == Phase::Idle)
        return finish();
    m_phase = Phase::Draining;
    bool waiting = false;
    for (auto& slot : m_slots) {
        slot->schedule.cancel();
        slot->due = false;
        waiting = waiting || slot->waiting.has_value();
    }
    if (!waiting)
        finish();
}

void LoadRun::finish() {
    if (m_phase == Phase::Done)
        return;
    const bool idle = m_phase == Phase::Idle || m_options.mode == Mode::Idle;
    const double seconds = m_phase == Phase::Connecting
                               ? 0
                               : std::chrono::duration<double>(Clock::now() - m_start).count();
    m_phase = Phase::Done;
    if (idle) {
        IdleReport r;
        r.terminals = m_options.terminals;
        r.connected = m_report.connected;
        r.seconds = seconds;
        bool first = true;
        for (auto& slot : m_slots) {
            if (!slot->welcomed || slot->lost)
                continue;
            ++r.stillConnected;
            const uint64_t n = slot->keepAlives();
            r.keepAlivesMin = first ? n : std::min(r.keepAlivesMin, n);
            r.keepAlivesMax = std::max(r.keepAlivesMax, n);
            first = false;
        }
        m_io.out << (m_options.json ? formatJson(r) : formatText(r));
    } else {
        m_report.seconds = seconds;
        m_report.latencyMs = summarize(std::move(m_latenciesMs));
        m_io.out << (m_options.json ? formatJson(m_report) : formatText(m_report));
    }
    m_io.out.flush();
    for (auto& slot : m_slots)
        slot->close();
    boost::system::error_code ignored;
    m_signals.cancel(ignored);
    m_context.stop();
}

}  // namespace termsim
