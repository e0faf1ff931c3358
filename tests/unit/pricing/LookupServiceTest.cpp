#include <algorithm>
#include <chrono>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "pricing/ConnectionTest.h"
#include "pricing/LookupService.h"
#include "support/FirebirdServer.h"
#include "support/SilentListener.h"
#include "support/TestDatabase.h"

using namespace tarifon;
using namespace std::chrono_literals;

namespace {

LookupSettings settingsFor(const QString& path) {
    return {path, QStringLiteral("R$"), {QStringLiteral("."), QStringLiteral(",")}, 2s};
}

class Service : public ::testing::Test {
protected:
    void start(int workers, std::chrono::milliseconds idle = 1h) {
        service.emplace(
            LookupService::Options{.workers = workers, .idleRelease = idle},
            // Read after takeFinished(), which orders these writes before it.
            LookupService::Callbacks{.reply = [this](int32_t socket, const auto& reply) {
                if (reply.outcome == LookupOutcome::Price)
                    replies[socket].push_back(reply.description);
            }});
    }

    // The next `count` finished scans; waits a minute at most instead of hanging.
    std::vector<FinishedLookup> finish(size_t count) {
        std::vector<FinishedLookup> all;
        for (int wait = 0; wait < 30000 && all.size() < count; ++wait) {
            std::ranges::move(service->takeFinished(), std::back_inserter(all));
            std::this_thread::sleep_for(2ms);
        }
        EXPECT_EQ(all.size(), count);
        return all;
    }

    LookupOutcome scan(const QString& path) {
        EXPECT_TRUE(service->submit(1, QStringLiteral("1"), settingsFor(path)));
        const auto done = finish(1);
        return done.empty() ? LookupOutcome::Skipped : done[0].outcome;
    }

    TestDatabase db;
    std::map<int32_t, std::vector<std::string>> replies;
    std::optional<LookupService> service;
};

}  // namespace

// Fast codes (stored as scanned) and slow ones (found through 20 leading-zero
// spellings) interleaved, so that a terminal's later scan could overtake an earlier one.
TEST_F(Service, EachTerminalsAnswersKeepTheOrderOfItsScans) {
    db.createTables();
    for (int item = 1; item <= 40; ++item) {
        db.addItem(item, "'P" + std::to_string(item) + "'", "1");
        const std::string code = std::to_string(item);
        db.addCode(item % 2 ? code : std::string(25 - code.size(), '0') + code, item);
    }
    start(4);
    std::map<int32_t, std::vector<std::string>> expected;
    for (int round = 0; round < 20; ++round)
        for (int32_t socket = 1; socket <= 6; ++socket) {
            const int item = (socket * 7 + round * 3) % 40 + 1;
            ASSERT_TRUE(service->submit(socket, QString::number(item), settingsFor(db.path())));
            expected[socket].push_back("P" + std::to_string(item));
        }
    for (const FinishedLookup& done : finish(120))
        EXPECT_EQ(done.outcome, LookupOutcome::Price) << done.error.toStdString();
    EXPECT_EQ(replies, expected);
}

TEST_F(Service, KeepsOneAttachmentUntilThePathChangesOrItIdles) {
    TestDatabase other;
    for (TestDatabase* database : {&db, &other}) {
        database->createTables();
        database->addItem(1, database == &db ? "'Primeiro'" : "'Segundo'", "1");
        database->addCode("1", 1);
    }
    // The worker's attachment is older than the one asking.
    const char* oldest =
        "SELECT MIN(MON$ATTACHMENT_ID) FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0";
    start(1);
    ASSERT_EQ(scan(db.path()), LookupOutcome::Price);
    const int64_t attachment = db.queryNumber(oldest);
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(scan(db.path()), LookupOutcome::Price);
    EXPECT_EQ(db.otherAttachments(), 1);
    EXPECT_EQ(db.queryNumber(oldest), attachment);

    EXPECT_EQ(scan(other.path()), LookupOutcome::Price);
    EXPECT_EQ(db.otherAttachments(), 0);
    EXPECT_EQ(other.otherAttachments(), 1);
    EXPECT_EQ(scan(QString()), LookupOutcome::Skipped);
    EXPECT_EQ(other.otherAttachments(), 0);

    start(1, 50ms);
    ASSERT_EQ(scan(db.path()), LookupOutcome::Price);
    for (int wait = 0; wait < 6000 && db.otherAttachments() != 0; ++wait)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(db.otherAttachments(), 0);
}

// Right after the start too: a worker that has not run yet must still take its part.
TEST_F(Service, WarmUpAttachesEveryWorkerBeforeTheFirstScan) {
    db.createTables();
    db.addItem(1, "'Primeiro'", "1");
    db.addCode("1", 1);
    start(3);
    EXPECT_FALSE(service->warmUp(settingsFor(db.path() + QStringLiteral(".missing")), 1min));
    EXPECT_EQ(db.otherAttachments(), 0);
    EXPECT_TRUE(service->warmUp(settingsFor(db.path()), 1min));
    EXPECT_EQ(db.otherAttachments(), 3);
    EXPECT_EQ(scan(db.path()), LookupOutcome::Price);
    EXPECT_EQ(db.otherAttachments(), 3);
}

// Both modes through a private server, which crashes and comes back, then freezes,
// while the service keeps its attachment; then through one that never answers.
TEST_F(Service, AnswersThroughAServerOutlivesItsRestartAndTimesOut) {
    FirebirdServer server;
    db.createTables();
    db.addItem(1, "'Pelo servidor'", "2.5");
    db.addCode("1", 1);
    const QString name = server.databaseName(db.path());
    EXPECT_TRUE(testDatabaseConnection(
                    QStringLiteral("inet://localhost:%1/%2").arg(server.port()).arg(db.path()))
                    .ok());
    EXPECT_EQ(lookupPrice(QStringLiteral("1"), settingsFor(name)).price, "R$2,50");
    start(1);
    EXPECT_EQ(scan(name), LookupOutcome::Price);
    server.kill();
    server.start();
    EXPECT_EQ(scan(name), LookupOutcome::Price);  // on a fresh attachment
    server.kill();
    EXPECT_EQ(scan(name), LookupOutcome::Failed);
    EXPECT_EQ(lookupPrice(QStringLiteral("1"), settingsFor(name)).outcome, LookupOutcome::Failed);
    server.start();
    EXPECT_EQ(scan(name), LookupOutcome::Price);
    EXPECT_EQ(lookupPrice(QStringLiteral("1"), settingsFor(name)).outcome, LookupOutcome::Price);
    server.freeze(true);  // the kept attachment hears nothing any more
    EXPECT_EQ(scan(name), LookupOutcome::Failed);
    server.freeze(false);
    EXPECT_EQ(scan(name), LookupOutcome::Price);
    EXPECT_EQ(replies[1], std::vector<std::string>(4, "Pelo servidor"));

    SilentListener silent;
    const QString hung = QStringLiteral("127.0.0.1/%1:/pdv.fdb").arg(silent.port());
    // Without the time-out the client waits three minutes, beyond the test's time limit.
    EXPECT_EQ(lookupPrice(QStringLiteral("1"), settingsFor(hung)).outcome, LookupOutcome::Failed);
}
