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

void GetTabConectados(uint8_t* tabsock, int32_t flag) {
    if (!tabsock)
        return;
    std::memset(tabsock, 0, TERMLINK_TABSOCK_SIZE);
    withServer(0, [&](termlink::Server& s) {
        s.GetTabConectados(tabsock, flag);
        return 0;
    });
}

void TCinet_ntoa(uint32_t address, char* text21) {
    termlink::Server::TCinet_ntoa(address, text21);
}

uint8_t bEnviaVivo(int32_t socket) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) { return s.bEnviaVivo(socket); });
}

uint8_t bReceiveBarcode(int32_t* socket, int32_t* spare, char* buffer1024, int32_t* length) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) {
        return s.bReceiveBarcode(socket, spare, buffer1024, length);
    });
}

uint8_t GetResponseCtr(int32_t* socket, int32_t* code) {
    return withServer<uint8_t>(0,
                               [&](termlink::Server& s) { return s.GetResponseCtr(socket, code); });
}

uint8_t bReceiveConfig(uint8_t* record159) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) { return s.bReceiveConfig(record159); });
}

uint8_t bReceiveUpdConfig(uint8_t* record214) {
    return withServer<uint8_t>(0,
                               [&](termlink::Server& s) { return s.bReceiveUpdConfig(record214); });
}

uint8_t bReceiveParam(uint8_t* record6) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) { return s.bReceiveParam(record6); });
}

uint8_t bReceiveWlanConfig(uint8_t* record52) {
    return withServer<uint8_t>(0,
                               [&](termlink::Server& s) { return s.bReceiveWlanConfig(record52); });
}

uint8_t bReceiveMacAddrConfig(uint8_t* record22) {
    return withServer<uint8_t>(
        0, [&](termlink::Server& s) { return s.bReceiveMacAddrConfig(record22); });
}

uint8_t bPedeConfig(int32_t socket) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) { return s.bPedeConfig(socket); });
}

uint8_t bPedeUpdConfig(int32_t socket) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) { return s.bPedeUpdConfig(socket); });
}

uint8_t bPedeParam(int32_t socket) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) { return s.bPedeParam(socket); });
}

uint8_t bPedeWlanConfig(int32_t socket) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) { return s.bPedeWlanConfig(socket); });
}

uint8_t bPedeMacAddr(int32_t socket, uint8_t interfaceCode) {
    return withServer<uint8_t>(
        0, [&](termlink::Server& s) { return s.bPedeMacAddr(socket, interfaceCode); });
}

uint8_t bMandaConfig(const uint8_t* record159) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) { return s.bMandaConfig(record159); });
}

uint8_t bMandaUpdConfig(const uint8_t* record214) {
    return withServer<uint8_t>(0,
                               [&](termlink::Server& s) { return s.bMandaUpdConfig(record214); });
}

uint8_t bMandaParam(const uint8_t* record6) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) { return s.bMandaParam(record6); });
}

uint8_t bMandaWlanConfig(const uint8_t* record52) {
    return withServer<uint8_t>(0,
                               [&](termlink::Server& s) { return s.bMandaWlanConfig(record52); });
}

uint8_t bSendAllwaysLive(int32_t socket) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) { return s.bSendAllwaysLive(socket); });
}

uint8_t bSendCheckLive(int32_t socket) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) { return s.bSendCheckLive(socket); });
}

uint8_t bSendRestartSoft(int32_t socket) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) { return s.bSendRestartSoft(socket); });
}

uint8_t bUpdateSoftware(int32_t socket) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) { return s.bUpdateSoftware(socket); });
}

uint8_t bSendProdPrice(int32_t socket, const char* description, const char* price) {
    return withServer<uint8_t>(
        0, [&](termlink::Server& s) { return s.bSendProdPrice(socket, description, price); });
}

uint8_t bSendProdNotFound(int32_t socket) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) { return s.bSendProdNotFound(socket); });
}

uint8_t bSendDisplayMsg(int32_t socket, const char* line1, const char* line2, uint16_t time,
                        int32_t flag) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) {
        return s.bSendDisplayMsg(socket, line1, line2, time, flag);
    });
}

int32_t iTypeTerm(int32_t socket) {
    return withServer<int32_t>(0, [&](termlink::Server& s) { return s.iTypeTerm(socket); });
}

uint8_t bSendImageFromFile(int32_t socket, const char* path, int32_t width, int32_t height,
                           int32_t index, int32_t loop, int32_t pause, int32_t flag) {
    return withServer<uint8_t>(0, [&](termlink::Server& s) {
        return s.bSendImageFromFile(socket, path, width, height, index, loop, pause, flag);
    });
}

}  // extern "C"
