// The C ABI: one process-wide Server behind the exported functions.  Nothing
// throws across this boundary; before vInitialize (or after shutdown) the calls
// answer 0, false or an empty table.
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "termlink/Server.h"
#include "termlink/Settings.h"
#include <termlink.h>

namespace {

constexpr uint32_t kVersion = 0x00010000;

// Owns the instance; its destructor stops the network thread at process exit.
class Instance {
public:
    ~Instance() {
        std::shared_ptr<termlink::Server> server;
        {
            std::lock_guard lock(m_mutex);
            m_closed = true;
            server = std::move(m_server);
        }
        if (server)
            server->stop();
    }

    std::shared_ptr<termlink::Server> get() {
        std::lock_guard lock(m_mutex);
        return m_server;
    }

    std::shared_ptr<termlink::Server> getOrCreate() {
        std::lock_guard lock(m_mutex);
        if (!m_server && !m_closed) {
            const auto settings = termlink::loadSettings(termlink::settingsPath());
            for (const auto& problem : settings.problems)
                std::fprintf(stderr, "termlink: %s\n", problem.c_str());
            m_server = std::make_shared<termlink::Server>(settings.config);
        }
        return m_server;
    }

private:
    std::mutex m_mutex;
    std::shared_ptr<termlink::Server> m_server;
    bool m_closed = false;
};

// Created on first use, so it is destroyed before the statics Asio set up when
// the library was loaded, which the network thread needs until it has stopped.
Instance& instance() {
    static Instance theInstance;
    return theInstance;
}

// Runs `call` on the instance when there is one; any failure becomes `fallback`.
template <typename Result, typename Call>
Result withServer(Result fallback, Call call) {
    try {
        if (const auto server = instance().get())
            return call(*server);
    } catch (...) {
    }
    return fallback;
}

}  // namespace

extern "C" {

void vInitialize(void) {
    try {
        instance().getOrCreate();
    } catch (...) {
    }
}

uint32_t dll_version(void) {
    return kVersion;
}

int32_t tc_startserver(void) {
    try {
        const auto server = instance().getOrCreate();
        return server && server->listen() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

void GetTabConectados(uint8_t* table, int32_t flag) {
    if (!table)
        return;
    std::memset(table, 0, TERMLINK_TABSOCK_SIZE);
    withServer(0, [&](termlink::Server& s) {
        s.GetTabConectados(table, flag);
        return 0;
    });
}

void TCinet_ntoa(uint32_t address, char* text) {
    termlink::Server::TCinet_ntoa(address, text);
}

// The queries and commands go to the server's methods of the same name.
#define TERMLINK_FORWARD(ret, name, params, args, bytes)                             \
    ret name params {                                                                \
        return withServer<ret>(0, [&](termlink::Server& s) { return s.name args; }); \
    }
TERMLINK_QUERY_FUNCTIONS(TERMLINK_FORWARD)
TERMLINK_COMMAND_FUNCTIONS(TERMLINK_FORWARD)
#undef TERMLINK_FORWARD

}  // extern "C"
