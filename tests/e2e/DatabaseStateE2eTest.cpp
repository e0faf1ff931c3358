#include <csignal>

#include <gtest/gtest.h>

#include <QFile>

#include "ProgramTest.h"
#include "support/TermsimProcess.h"

namespace {

using DatabaseStateE2e = ProgramTest;
using Lines = std::vector<std::string>;

const std::string kLeiteFound = "7891000100103\tLeite Condensado Moça 395g\tR$6,99";
const std::string kLeiteNoReply = "7891000100103\tno reply";

std::string lastLine(const TermsimProcess::Result& run) {
    return run.lines.empty() ? std::string() : run.lines.back();
}

}  // namespace

// Without a database path scans get no reply, but the warning box shown at
// start-up does not stop the event loop: terminals are listed and kept alive.
TEST_F(DatabaseStateE2e, EmptyPathLeavesScansUnansweredWhileTheWarningBoxKeepsServing) {
    ASSERT_NO_FATAL_FAILURE(start());

    const auto scan = runTermsim(scanArguments(server(), {"7891000100103"}, "1"));
    EXPECT_EQ(scan.exitCode, 1) << scan.errors;
    EXPECT_EQ(scan.lines, Lines{kLeiteNoReply});

    // The terminal list sends a keep-alive to every listed terminal every 3 s.
    const auto idle =
        runTermsim({QStringLiteral("--server"), server(), QStringLiteral("--idle"),
                    QStringLiteral("--terminals"), QStringLiteral("2"),
                    QStringLiteral("--duration"), QStringLiteral("7"), QStringLiteral("--model"),
                    QStringLiteral("1"), QStringLiteral("--json")});
    ASSERT_EQ(idle.exitCode, 0) << idle.errors;
    EXPECT_EQ(idle.report()[QStringLiteral("still_connected")].toInt(), 2) << lastLine(idle);
    EXPECT_GE(idle.report()[QStringLiteral("keepalives_min")].toInt(), 1) << lastLine(idle);
    EXPECT_TRUE(m_program->isRunning()) << m_program->output().toStdString();
}

// A database that cannot be opened: every scan of a burst goes unanswered and no
// terminal is dropped; once the file is there scans are answered again; and the
// program still ends cleanly on SIGTERM while the failure box is open.
TEST_F(DatabaseStateE2e, DatabaseDownSurvivesABurstRecoversAndStopsWithTheFailureBoxOpen) {
    ASSERT_TRUE(m_folder.isValid());
    const QString database = m_folder.filePath(QStringLiteral("pdv.fdb"));
    m_folder.writeSettings(QStringLiteral("[CAMINHO]\nbd=") + database + QLatin1Char('\n'));
    ASSERT_NO_FATAL_FAILURE(start());

    const auto burst = runLoad(server(), {"7891000100103"}, 50, 1, 1);
    ASSERT_EQ(burst.exitCode, 0) << burst.errors;
    EXPECT_EQ(burst.report()[QStringLiteral("connected")].toInt(), 50) << lastLine(burst);
    EXPECT_EQ(burst.report()[QStringLiteral("disconnected")].toInt(), 0) << lastLine(burst);
    EXPECT_GE(burst.report()[QStringLiteral("scans_sent")].toInt(), 50) << lastLine(burst);
    EXPECT_EQ(burst.report()[QStringLiteral("replies")].toInt(), 0) << lastLine(burst);
    ASSERT_TRUE(m_program->isRunning()) << m_program->output().toStdString();

    ASSERT_TRUE(ProgramFolder::makeDemoDatabase(database));
    const auto recovered = runTermsim(scanArguments(server(), {"7891000100103"}));
    EXPECT_EQ(recovered.lines, Lines{kLeiteFound}) << recovered.errors;

    ASSERT_TRUE(QFile::rename(database, database + QStringLiteral(".away")));
    const auto failed = runTermsim(scanArguments(server(), {"7891000100103"}, "0.5"));
    EXPECT_EQ(failed.lines, Lines{kLeiteNoReply});
    EXPECT_EQ(stop(SIGTERM), "exit 0");
    EXPECT_TRUE(m_folder.settingsText().contains(QStringLiteral("bd=") + database))
        << m_folder.settingsText().toStdString();
}

// The box that reports a failed lookup is modal, and the poller must keep running
// inside it: one terminal's failed scan must not hold up the others' answers for
// the 5 s the box stays open.
TEST_F(DatabaseStateE2e, OtherTerminalsAreAnsweredWhileTheFailureBoxIsOpen) {
    ASSERT_NO_FATAL_FAILURE(addDemoDatabase());
    const QString database = m_folder.demoDatabasePath();
    const QString away = database + QStringLiteral(".away");
    ASSERT_TRUE(QFile::rename(database, away));
    ASSERT_NO_FATAL_FAILURE(start());

    const auto failed = runTermsim(scanArguments(server(), {"7891000100103"}, "0.5"));
    EXPECT_EQ(failed.lines, Lines{kLeiteNoReply});
    // The box is open now, for 5 s; the database is back.
    ASSERT_TRUE(QFile::rename(away, database));
    const auto answered = runTermsim(scanArguments(server(), {"7891000100103"}, "2"));
    EXPECT_EQ(answered.lines, Lines{kLeiteFound}) << "no answer within 2 s of the box opening";
    EXPECT_EQ(stop(SIGTERM), "exit 0");
}
