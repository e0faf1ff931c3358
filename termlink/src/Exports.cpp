// The C ABI: one process-wide Server behind the exported functions.  Nothing
// throws across this boundary; before vInitialize (or after shutdown) the calls
// answer 0, false or an empty table.
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <string>

#include "termlink/Report.h"
#include "termlink/Server.h"
#include "termlink/Settings.h"
#include <termlink.h>

namespace {

constexpr uint32_t kVersion = 0x00010000;
// How long the exit waits for calls already inside the library; none blocks.
constexpr std::chrono::seconds kExitGrace{2};

// The process-wide server.  The instance is never destroyed, so a thread that
// calls the library while the process exits finds it whole; an exit hook stops
// the network thread before the statics it uses go, and every call after that
// answers as if there were no server.
class Instance {
public:
    // The server, created with the settings on first use; null once exiting.
    termlink::Server* create() {
        std::lock_guard lock(m_mutex);
        if (!m_server && !m_closed) {
            const auto settings = termlink::loadSettings(termlink::settingsPath());
            for (const auto& problem : settings.problems)
                termlink::report(problem);
            m_server = std::make_unique<termlink::Server>(settings.config);
            // Registered after the server (and the Asio statics it set up), so it
            // runs before those are destroyed.
            std::atexit([] { instance().shutDown(); });
        }
        return m_closed ? nullptr : m_server.get();
    }

    // Runs `call` on the server when there is one; a failure is reported and
    // becomes `fallback`.
    template <typename Result, typename Call>
    Result use(const char* function, Result fallback, Call call) {
        termlink::Server* server = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (m_closed || !m_server)
                return fallback;
            server = m_server.get();
            ++m_busy;
        }
        Result result = fallback;
        try {
            result = call(*server);
        } catch (const std::exception& e) {
            termlink::report(std::string(function) + ": " + e.what());
        } catch (...) {
            termlink::report(std::string(function) + ": unknown failure");
        }
        std::lock_guard lock(m_mutex);
        if (--m_busy == 0)
            m_idle.notify_all();
        return result;
    }

    static Instance& instance() {
        static Instance* const theInstance = new Instance;  // never destroyed, see above
        return *theInstance;
    }

private:
    void shutDown() {
        std::unique_lock lock(m_mutex);
        m_closed = true;
        m_idle.wait_for(lock, kExitGrace, [this] { return m_busy == 0; });
        termlink::Server* server = m_server.get();
        lock.unlock();
        if (server)
            server->stop();
    }

    std::mutex m_mutex;
    std::condition_variable m_idle;
    std::unique_ptr<termlink::Server> m_server;
    int m_busy = 0;  // calls inside the server
    bool m_closed = false;
};

Instance& instance() {
    return Instance::instance();
}

}  // namespace

extern "C" {

void vInitialize(void) {
    try {
        instance().create();
    } catch (const std::exception& e) {
        termlink::report(std::string("vInitialize: ") + e.what());
    } catch (...) {
        termlink::report("vInitialize: unknown failure");
    }
}

uint32_t dll_version(void) {
    return kVersion;
}

int32_t tc_startserver(void) {
    vInitialize();
    return instance().use<int32_t>("tc_startserver", 0,
                                   [](termlink::Server& s) { return s.listen() ? 1 : 0; });
}

void GetTabConectados(uint8_t* table, int32_t flag) {
    if (!table)
        return;
    std::memset(table, 0, TERMLINK_TABSOCK_SIZE);
    instance().use("GetTabConectados", 0, [&](termlink::Server& s) {
        s.GetTabConectados(table, flag);
        return 0;
    });
}

void TCinet_ntoa(uint32_t address, char* text) {
    termlink::Server::TCinet_ntoa(address, text);
}

int32_t iBarcodeEventFd(void) {
    return instance().use<int32_t>("iBarcodeEventFd", -1,
                                   [](termlink::Server& s) { return s.iBarcodeEventFd(); });
}

// The queries and commands go to the server's methods of the same name.
#define TERMLINK_FORWARD(ret, name, params, args, bytes)                                        \
    ret name params {                                                                           \
        return instance().use<ret>(#name, 0, [&](termlink::Server& s) { return s.name args; }); \
    }
TERMLINK_QUERY_FUNCTIONS(TERMLINK_FORWARD)
TERMLINK_COMMAND_FUNCTIONS(TERMLINK_FORWARD)
TERMLINK_WEB_FUNCTIONS(TERMLINK_FORWARD)
TERMLINK_CONSOLE_FUNCTIONS(TERMLINK_FORWARD)
#undef TERMLINK_FORWARD

}  // extern "C"
