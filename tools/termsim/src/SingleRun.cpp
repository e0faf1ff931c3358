#include "termsim/SingleRun.h"

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

#include "base/Cp1252.h"
#include "termsim/Lines.h"

namespace termsim {

SingleRun::SingleRun(const Options& options, const RunIo& io)
    : m_options(options),
      m_io(io),
      m_timer(m_context),
      m_duration(m_context),
      m_signals(m_context, SIGINT, SIGTERM) {}

int SingleRun::run() {
    TerminalState state = defaultState(m_options.seed);
    if (m_options.statePath) {
        auto loaded = loadStateFile(*m_options.statePath, state);
        if (!loaded) {
            warn(loaded.error());
            return 2;
        }
        state = loaded.value();
    }
    applyIdentity(m_options, state);
    Terminal terminal(state);
    if (m_options.statePath)
        terminal.setStateFile(*m_options.statePath);
    if (m_options.picturesDir) {
        auto store = PictureStore::open(*m_options.picturesDir);
        if (!store) {
            warn(store.error());
            return 2;
        }
        terminal.setPictureStore(std::move(store.value()));
    }
    if (m_options.renderPath) {
        const auto rendered = terminal.setRenderFile(*m_options.renderPath);
        if (!rendered) {
            warn(rendered.error());
            return 2;
        }
    }
    const auto endpoints = resolveServer(m_context, m_options);
    if (!endpoints) {
        warn(endpoints.error());
        return 2;
    }

    m_signals.async_wait([this](boost::system::error_code ec, int) {
        if (ec)
            return;
        const bool unfinished = m_waiting || !m_queue.empty();
        finish(m_options.mode == Mode::Listen || !unfinished ? scanStatus() : 1);
    });
    m_connection = std::make_shared<Connection>(m_context, std::move(terminal), *this);
    m_connection->start(endpoints.value());
    m_timer.expires_after(toDuration(m_options.timeout));
    m_timer.async_wait([this](boost::system::error_code ec) {
        if (ec || m_welcomed)
            return;
        warn("no welcome from " + m_options.host + ":" + std::to_string(m_options.port) +
             " within " + std::to_string(m_options.timeout) + " s");
        finish(2);
    });
    m_context.run();
    return m_status.value_or(1);
}

void SingleRun::print(const std::string& line) {
    m_io.out << line << std::endl;
}

void SingleRun::warn(const std::string& text) {
    m_io.err << "termsim: " << text << std::endl;
}

void SingleRun::finish(int status) {
    if (m_status)
        return;
    m_status = status;
    m_timer.cancel();
    m_duration.cancel();
    boost::system::error_code ignored;
    m_signals.cancel(ignored);
    if (m_input) {
        m_input->close(ignored);
        if (m_inputFlags >= 0)
            ::fcntl(m_io.inputFd, F_SETFL, m_inputFlags);
    }
    if (m_connection)
        m_connection->close();
    m_context.stop();
}

void SingleRun::onEvent(Connection&, const Event& event) {
    const bool showEvents = m_options.mode != Mode::Scan;
    if (const auto* price = std::get_if<wire::Price>(&event)) {
        if (m_waiting && m_waiting->first == price->seq)
            answered(lines::price(m_waiting->second, *price));
    } else if (const auto* notFound = std::get_if<wire::NotFound>(&event)) {
        if (m_waiting && m_waiting->first == notFound->seq)
            answered(lines::notFound(m_waiting->second));
    } else if (std::holds_alternative<wire::Welcome>(event)) {
        welcomed();
    } else if (const auto* bye = std::get_if<wire::Bye>(&event)) {
        if (!m_welcomed) {
            warn("the server refused the terminal: " + lines::byeReason(bye->reason));
            finish(2);
        } else {
            warn("the server ends the session: " + lines::byeReason(bye->reason));
        }
    } else if (const auto* display = std::get_if<wire::DisplayMsg>(&event)) {
        if (showEvents)
            print(lines::display(*display));
    } else if (const auto* picture = std::get_if<PictureReceived>(&event)) {
        if (showEvents)
            print(lines::picture(*picture));
    } else if (const auto* read = std::get_if<SettingsRead>(&event)) {
        if (showEvents)
            print(lines::settingsRead(*read));
    } else if (const auto* written = std::get_if<SettingsWritten>(&event)) {
        if (showEvents)
            print(lines::settingsWritten(*written));
    } else if (const auto* command = std::get_if<CommandAcknowledged>(&event)) {
        if (showEvents)
            print(lines::commandAcknowledged(*command));
    } else if (const auto* warning = std::get_if<Warning>(&event)) {
        warn(warning->text);
    }
}

void SingleRun::onClosed(Connection&, const std::string& why) {
    if (!m_welcomed) {
        warn(m_options.host + ":" + std::to_string(m_options.port) + ": " + why);
        return finish(2);
    }
    warn(why);
    if (m_waiting)
        print(lines::noReply(m_waiting->second));
    if (m_options.mode == Mode::Scan) {
        for (const std::string& code : m_queue)
            print(lines::noReply(code));
    }
    finish(1);
}

void SingleRun::welcomed() {
    if (m_welcomed)
        return;
    m_welcomed = true;
    m_timer.cancel();
    if (m_options.report)
        m_connection->send(wire::encode(*m_options.report));
    switch (m_options.mode) {
        case Mode::Scan:
            m_queue.assign(m_options.codes.begin(), m_options.codes.end());
            nextScan();
            break;
        case Mode::Interactive: {
            const int fd = ::dup(m_io.inputFd);
            if (fd < 0) {
                warn("cannot read standard input");
                return finish(2);
            }
            // Asio makes the descriptor non-blocking, and a dup shares that flag
            // with the shell's terminal: remember it to put it back.
            m_inputFlags = ::fcntl(m_io.inputFd, F_GETFL);
            m_input.emplace(m_context, fd);
            readInput();
            break;
        }
        default:
            if (m_options.duration) {
                m_duration.expires_after(toDuration(*m_options.duration));
                m_duration.async_wait([this](boost::system::error_code ec) {
                    if (!ec)
                        finish(0);
                });
            }
            break;
    }
}

void SingleRun::nextScan() {
    if (m_waiting || m_status)
        return;
    if (!m_queue.empty()) {
        std::string code = std::move(m_queue.front());
        m_queue.pop_front();
        const uint32_t seq = m_connection->scan(tarifon::cp1252::fromUtf8(code));
        m_waiting.emplace(seq, std::move(code));
        m_timer.expires_after(toDuration(m_options.timeout));
        m_timer.async_wait([this, seq](boost::system::error_code ec) {
            if (ec || !m_waiting || m_waiting->first != seq)
                return;
            m_missed = true;
            answered(lines::noReply(m_waiting->second));
        });
        return;
    }
    if (m_options.mode == Mode::Interactive && m_inputDone)
        return finish(scanStatus());
    if (m_options.mode != Mode::Scan)
        return;
    if (!m_options.duration)
        return finish(scanStatus());
    m_duration.expires_after(toDuration(*m_options.duration));
    m_duration.async_wait([this](boost::system::error_code ec) {
        if (!ec)
            finish(scanStatus());
    });
}

void SingleRun::answered(const std::string& line) {
    m_waiting.reset();
    m_timer.cancel();
    print(line);
    nextScan();
}

void SingleRun::readInput() {
    m_inputBuffer.resize(4096);
    m_input->async_read_some(
        asio::buffer(m_inputBuffer), [this](boost::system::error_code ec, size_t n) {
            if (ec == asio::error::operation_aborted || m_status)
                return;
            takeInput(std::string_view(m_inputBuffer.data(), n), static_cast<bool>(ec));
            if (ec && ec != asio::error::eof)
                warn("standard input: " + ec.message());
            if (!ec)
                readInput();
        });
}

void SingleRun::takeInput(std::string_view chunk, bool end) {
    m_partialLine += chunk;
    size_t start = 0;
    for (size_t nl; (nl = m_partialLine.find('\n', start)) != std::string::npos; start = nl + 1) {
        std::string line = m_partialLine.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (const std::string why = codeProblem(line); !why.empty()) {
            warn("skipped: " + why);
            m_missed = true;
            continue;
        }
        m_queue.push_back(std::move(line));
    }
    m_partialLine.erase(0, start);
    if (end) {
        m_inputDone = true;
        if (!m_partialLine.empty()) {
            m_partialLine += '\n';
            return takeInput({}, true);
        }
    }
    nextScan();
}

}  // namespace termsim
