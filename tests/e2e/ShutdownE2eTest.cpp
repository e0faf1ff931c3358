#include <chrono>
#include <csignal>
#include <map>
#include <thread>

#include <gtest/gtest.h>

#include <QTemporaryFile>

#include "ProgramTest.h"
#include "support/FirebirdServer.h"
#include "support/TermsimProcess.h"

namespace {

using ShutdownE2e = ProgramTest;

using Entries = std::map<std::string, std::string>;

// "SECTION/key" -> value for every entry of an INI text; comments and blank lines skipped.
Entries iniEntries(const QString& text) {
    Entries entries;
    QString section;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals >= 0) {
            entries[QString(section + QLatin1Char('/') + line.left(equals).trimmed())
                        .toStdString()] = line.mid(equals + 1).trimmed().toStdString();
        }
    }
    return entries;
}

}  // namespace

// No settings file and so no database path: the program shows its warning box at
// start-up and is told to stop while the box is open. It must write the defaults
// and end, not keep running behind the box.
TEST_F(ShutdownE2e, SigtermInsideTheStartupWarningSavesTheDefaultsAndEnds) {
    ASSERT_NO_FATAL_FAILURE(start());
    // An unanswered scan: the event loop inside the box is running by now.
    runTermsim(scanArguments(server(), {"7891000100103"}, "0.5"));

    EXPECT_EQ(stop(SIGTERM), "exit 0");
    EXPECT_EQ(iniEntries(m_folder.settingsText()), (Entries{
                                                       {"GENERAL/currency", "R$"},
                                                       {"MESSAGE/line1", "Gande Promoção"},
                                                       {"MESSAGE/line2", "Não Perca!"},
                                                       {"MESSAGE/timeex", "4"},
                                                       {"CAMINHO/bd", ""},
                                                       {"INICIAR/", "0"},
                                                   }))
        << m_folder.settingsText().toStdString();
}

// SIGINT runs the same shutdown: the values loaded at start are written back in
// their normal form (0x1F as 31, any nonzero start-up flag as 1), and what the
// operator put into the file besides them stays.
TEST_F(ShutdownE2e, SigintWritesBackTheLoadedValuesAndKeepsTheRestOfTheFile) {
    ASSERT_NO_FATAL_FAILURE(addDemoDatabase(QStringLiteral(
        "; loja 12, caixa 3\n[GENERAL]\ncurrency=US$\n[MESSAGE]\nline1=Oferta Relâmpago\n"
        "line2=Só Hoje!\ntimeex=0x1F\n[INICIAR]\n=2\n[OUTRO]\nchave=valor\n")));
    ASSERT_NO_FATAL_FAILURE(start());
    // The loaded prefix is the one in use.
    const auto scan = runTermsim(scanArguments(server(), {"7891000100103"}));
    EXPECT_EQ(scan.lines,
              std::vector<std::string>{"7891000100103\tLeite Condensado Moça 395g\tUS$6,99"});

    EXPECT_EQ(stop(SIGINT), "exit 0");
    const QString text = m_folder.settingsText();
    EXPECT_EQ(iniEntries(text), (Entries{
                                    {"CAMINHO/bd", m_folder.demoDatabasePath().toStdString()},
                                    {"GENERAL/currency", "US$"},
                                    {"MESSAGE/line1", "Oferta Relâmpago"},
                                    {"MESSAGE/line2", "Só Hoje!"},
                                    {"MESSAGE/timeex", "31"},
                                    {"INICIAR/", "1"},
                                    {"OUTRO/chave", "valor"},
                                }))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("; loja 12, caixa 3"))) << text.toStdString();
}

// Stopped while scans are looked up through a server, the program must end with status 0
// every time: the database client shutting itself down on the signal crashed it now and then.
TEST_F(ShutdownE2e, HighVolumeThroughAServerStopsCleanlyWhileScansFlow) {
    tarifon::FirebirdServer firebird;
    ASSERT_TRUE(m_folder.isValid());
    ASSERT_TRUE(ProgramFolder::makeDemoDatabase(m_folder.demoDatabasePath()));
    m_folder.writeSettings(QStringLiteral("[CAMINHO]\nbd=") +
                           firebird.databaseName(m_folder.demoDatabasePath()) +
                           QStringLiteral("\n[PERFORMANCE]\nhigh_volume=1\nworkers=8\n"));
    QTemporaryFile codes;
    ASSERT_TRUE(codes.open() && codes.write("7891000100103\n7890000000000\n") > 0 && codes.flush());
    for (int round = 0; round < 20; ++round) {
        ASSERT_NO_FATAL_FAILURE(start());
        TermsimProcess load(
            QStringList{QStringLiteral("--server"), server(), QStringLiteral("--model"),
                        QStringLiteral("1"), QStringLiteral("--codes"), codes.fileName()} +
            QString::fromLatin1("--terminals 8 --rate 50 --duration 1").split(u' '));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ASSERT_EQ(stop(round % 2 ? SIGINT : SIGTERM), "exit 0") << "round " << round;
        load.finish(std::chrono::seconds(30));
    }
}
