#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "termlink/Server.h"
#include "support/TestTerminal.h"

// A core server on a free loopback port, with short time-outs unless a test sets others,
// and no limit on how fast one address connects.
class ServerFixture : public ::testing::Test {
protected:
    void startServer(std::chrono::milliseconds idle = std::chrono::seconds(30),
                     std::chrono::milliseconds handshake = std::chrono::seconds(10)) {
        termlink::ServerConfig config;
        config.address = "127.0.0.1";
        config.port = 0;
        config.idleTimeout = idle;
        config.handshakeTimeout = handshake;
        config.web.enabled = false;
        // Tests play hundreds of terminals, all from 127.0.0.1.
        config.connectLimit.perSecond = 0;
        server = std::make_unique<termlink::Server>(config);
        ASSERT_TRUE(server->listen());
        ASSERT_NE(server->port(), 0);
    }
    void SetUp() override { startServer(); }

    std::unique_ptr<TestTerminal> connect(int32_t model = 2, int32_t* socket = nullptr) {
        auto t = std::make_unique<TestTerminal>(server->port());
        EXPECT_TRUE(t->connected());
        const int32_t s = t->handshake(model);
        EXPECT_GT(s, 0);
        if (socket)
            *socket = s;
        return t;
    }

    int32_t count() const {
        std::vector<uint8_t> table(8196);
        server->GetTabConectados(table.data(), 1);
        return static_cast<int32_t>(table[8192] | table[8193] << 8);
    }

    std::unique_ptr<termlink::Server> server;
};
