// The program's handlers in the window: start-up, settings, shutdown, the poller's
// wiring, the terminal list and the database path, against the scripted library.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/Controller.h"
#include "platform/IniFile.h"
#include "terminal/EventPoller.h"
#include "support/Controls.h"
#include "support/FakeTerminalLibrary.h"
#include "support/FirebirdServer.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"
#include "support/Utf8.h"
#include "ui/StatusLamp.h"
#include "ui/TForm1.h"

using namespace tarifon;

namespace {

// Scripted dialogs that can run code while a box is "open", as a nested poller
// tick runs inside a real modal box.
class NestingDialogs : public ScriptedDialogs {
public:
    std::function<void()> whileOpen;
    QMessageBox::StandardButton message(const MessageRequest& request) override {
        auto answer = ScriptedDialogs::message(request);
        if (whileOpen) {
            auto nested = std::move(whileOpen);
            whileOpen = nullptr;
            nested();
        }
        return answer;
    }
};

class ProgramWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        auto scripted = std::make_unique<NestingDialogs>();
        dialogs = scripted.get();
        form.setDialogs(std::move(scripted));
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    void writeSettings(const QByteArray& text) {
        QFile file(path(s("de501.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QString ini(const char* section, const char* key) const {
        return IniFile::readString(path(s("de501.ini")), s(section), s(key), s("<missing>"));
    }
    QString text(const char* edit) const { return control<QLineEdit>(form, edit)->text(); }
    // Selects the field's text and types over it, as the operator does.
    void retype(const char* edit, const QString& ascii) {
        control<QLineEdit>(form, edit)->selectAll();
        QTest::keyClicks(control<QLineEdit>(form, edit), ascii);
    }
    QString log() const { return control<QPlainTextEdit>(form, "MemoRecv")->toPlainText(); }
    QStringList logLines() const { return log().split(u'\n'); }
    QString currentPage() const {
        return control<QTabWidget>(form, "PageControl1")->currentWidget()->objectName();
    }
    QStringList messageTexts() const {
        QStringList texts;
        for (const auto& m : dialogs->messages())
            texts.append(m.text);
        return texts;
    }

    QTemporaryDir m_dir;
    FakeTerminalLibrary library;
    TForm1 form{library, m_dir.path()};
    NestingDialogs* dialogs = nullptr;
};

TEST_F(ProgramWindow, StartsWithoutSettingsFileAndSavesAllSixEntries) {
    library.version = 255;
    form.FormCreate();

    EXPECT_EQ(logLines(),
              (QStringList{s("DLL Version: 000000FF"), s("Servidor inicializado com sucesso.")}));
    EXPECT_TRUE(control<QTimer>(form, "Timer1")->isActive());
    EXPECT_EQ(form.controller().selectedTerminal(), -1);
    EXPECT_EQ(text("EdtCurrency"), s("R$"));
    EXPECT_EQ(text("EdtLine1"), s("Gande Promoção"));
    EXPECT_EQ(text("EdtLine2"), s("Não Perca!"));
    EXPECT_EQ(text("EdtTimeEx"), s("4"));
    EXPECT_EQ(text("edt_Caminho_Banco"), QString());
    EXPECT_TRUE(control<QRadioButton>(form, "rb_Não")->isChecked());

    // The empty path: the warning, the configuration page, the window shown.
    ASSERT_EQ(dialogs->messages().size(), 1u);
    const MessageRequest& warning = dialogs->messages()[0];
    EXPECT_EQ(warning.caption, s("Confirmação"));
    EXPECT_EQ(warning.icon, MessageIcon::Warning);
    EXPECT_EQ(warning.text, s("Atenção! Caminho do Banco de dados do PDV ainda não foi definido. "
                              "\r\rAdicione o caminho do banco de dados."));
    EXPECT_EQ(currentPage(), s("TabSheet6"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.controller().showAtStart());

    form.close();
    EXPECT_EQ(ini("GENERAL", "currency"), s("R$"));
    EXPECT_EQ(ini("MESSAGE", "line1"), s("Gande Promoção"));
    EXPECT_EQ(ini("MESSAGE", "line2"), s("Não Perca!"));
    EXPECT_EQ(ini("MESSAGE", "timeex"), s("4"));
    EXPECT_EQ(ini("CAMINHO", "bd"), QString());
    EXPECT_EQ(ini("INICIAR", ""), s("0"));
}

TEST_F(ProgramWindow, ServerThatCannotStartIsReportedAndRetried) {
    writeSettings("[CAMINHO]\nbd=/nowhere/pdv.fdb\n");
    library.startResult = 0;
    form.FormCreate();

    EXPECT_EQ(logLines().mid(1), QStringList{s("Erro inicializando servidor")});
    ASSERT_EQ(dialogs->messages().size(), 1u);
    EXPECT_EQ(dialogs->messages()[0].text, s("Erro inicializando servidor"));
    EXPECT_EQ(dialogs->messages()[0].caption, s("Tarifon"));
    EXPECT_EQ(dialogs->messages()[0].icon, MessageIcon::None);
    EXPECT_TRUE(control<QTimer>(form, "Timer1")->isActive());
    EXPECT_EQ(currentPage(), s("TabSheet4"));

    // The menu item is hidden (and so never enabled); its handler retries the start.
    library.startResult = 1;
    form.StartClick();
    EXPECT_EQ(logLines().last(), s("Servidor inicializado com sucesso."));
}

TEST_F(ProgramWindow, LoadsSettingsAndKeepsWhatCannotBeSaved) {
    writeSettings(
        "[GENERAL]\ncurrency=US$\n[MESSAGE]\ntimeex=0x1F\n[CAMINHO]\nbd=/srv/pdv.fdb\n"
        "[INICIAR]\n=2\n[WINDOW]\nall_pages=1\n");
    form.FormCreate();
    EXPECT_EQ(text("EdtTimeEx"), s("31"));
    EXPECT_EQ(text("EdtCurrency"), s("US$"));
    EXPECT_TRUE(control<QRadioButton>(form, "rb_Sim")->isChecked());
    EXPECT_TRUE(dialogs->messages().empty());
    EXPECT_EQ(currentPage(), s("TabSheet4"));

    // A display time that is not a number loses nothing else.
    form.show();
    EXPECT_EQ(control<QTabWidget>(form, "PageControl1")->count(), 5);  // all pages asked for
    EXPECT_TRUE(control<QAction>(form, "English1")->isVisible());
    retype("EdtTimeEx", s("x"));
    retype("EdtCurrency", s("Bs."));
    retype("EdtLine1", s("Oferta"));
    retype("edt_Caminho_Banco", s("/srv/novo.fdb"));
    control<QRadioButton>(form, "rb_Não")->click();
    form.close();
    EXPECT_EQ(ini("MESSAGE", "timeex"), s("0x1F"));
    EXPECT_EQ(ini("GENERAL", "currency"), s("Bs."));
    EXPECT_EQ(ini("MESSAGE", "line1"), s("Oferta"));
    EXPECT_EQ(ini("CAMINHO", "bd"), s("/srv/novo.fdb"));
    EXPECT_EQ(ini("INICIAR", ""), s("0"));
}

TEST_F(ProgramWindow, DatabaseFailureBoxAndItsLine) {
    writeSettings("[CAMINHO]\nbd=/nowhere/pdv.fdb\n");
    form.FormCreate();
    control<QPlainTextEdit>(form, "MemoRecv")->clear();
    library.queueBarcode(7, "7891000100103");
    form.Timer2Timer();

    ASSERT_EQ(dialogs->messages().size(), 1u);
    const MessageRequest& box = dialogs->messages()[0];
    EXPECT_EQ(box.caption, s("Erro"));
    EXPECT_EQ(box.icon, MessageIcon::Error);
    EXPECT_EQ(box.text, s("Falha Durante Tentativa de Conexão com o Banco de Dados do PDV!"));
    EXPECT_TRUE(box.selfDismissing);
    // One line gives the client's reason (the rule of one box: ControllerTest).
    const QString failure = log();
    EXPECT_TRUE(
        failure.startsWith(s("Falha no banco de dados do PDV ao consultar 7891000100103: ")))
        << failure.toStdString();
    EXPECT_TRUE(failure.contains(s("/nowhere/pdv.fdb"))) << failure.toStdString();
    EXPECT_FALSE(failure.contains(u'\n')) << failure.toStdString();
}

// The high-volume mode: workers answer each terminal in the order of its scans; the
// "#" lines and the failure box come on the window's thread; a changed path applies
// to the next scan.
TEST_F(ProgramWindow, HighVolumeModeAnswersFromWorkersAndReportsInTheWindow) {
    TestDatabase db;
    db.createTables();
    for (int item = 1; item <= 3; ++item) {
        db.addItem(item, "'Item " + std::to_string(item) + "'", std::to_string(item));
        db.addCode(std::to_string(item), item);
    }
    writeSettings("[CAMINHO]\nbd=" + db.path().toUtf8() +
                  "\n[PERFORMANCE]\nhigh_volume=1\nidle_ms=100\n");
    form.FormCreate();
    ASSERT_TRUE(form.controller().highVolume());
    control<QPlainTextEdit>(form, "MemoRecv")->clear();
    const std::vector<std::pair<int32_t, std::vector<std::string>>> scans = {
        {7, {"1", "2", "404", "3"}}, {8, {"3", "1"}}, {9, {"2"}}};
    for (size_t i = 0; i < 4; ++i)
        for (const auto& [socket, codes] : scans)
            if (i < codes.size())
                library.queueBarcode(socket, codes[i]);
    form.Timer2Timer();
    ASSERT_TRUE(QTest::qWaitFor([this] { return log().count(u'#') == 7; }, 30000));

    // What each terminal was answered, in order: the price's digit, or "-" for not found.
    std::map<int32_t, std::string> answers;
    for (const auto& call : library.calls())
        if (call.name == "bSendProdPrice" || call.name == "bSendProdNotFound")
            answers[static_cast<int32_t>(call.ints[0])] +=
                call.name == "bSendProdNotFound" ? '-' : call.texts[1][2];
    EXPECT_EQ(answers, (std::map<int32_t, std::string>{{7, "12-3"}, {8, "31"}, {9, "2"}}));
    QStringList logged = logLines();
    logged.sort();
    EXPECT_EQ(logged,
              (QStringList{s("#1"), s("#1"), s("#2"), s("#2"), s("#3"), s("#3"), s("#404")}));
    EXPECT_TRUE(dialogs->messages().empty());

    // The next scans read the new path: failures, without reply or "#" line, and one box
    // for the burst, as the others fail while it is open.  A scan on the right path
    // behind them on the same terminal shows when they have all been reported.
    retype("edt_Caminho_Banco", path(s("missing.fdb")));
    library.clearCalls();
    for (int i = 0; i < 3; ++i)
        library.queueBarcode(7, "1");
    const auto allReported = [this] { return log().count(u'#') == 8; };
    dialogs->whileOpen = [&] {
        control<QLineEdit>(form, "edt_Caminho_Banco")->setText(db.path());
        library.queueBarcode(7, "2");
        EXPECT_TRUE(QTest::qWaitFor(allReported, 30000));
    };
    ASSERT_TRUE(QTest::qWaitFor(allReported, 30000));
    ASSERT_EQ(dialogs->messages().size(), 1u);
    EXPECT_EQ(dialogs->messages()[0].text,
              s("Falha Durante Tentativa de Conexão com o Banco de Dados do PDV!"));
    EXPECT_EQ(library.callsNamed("bSendProdPrice").size(), 1u);
    EXPECT_EQ(library.callsNamed("bSendLookupFailed").size(), 3u);
    // The three failures, for one reason, leave one line that names the missing file.
    const QStringList failures = logLines().filter(s("Falha no banco de dados do PDV"));
    ASSERT_EQ(failures.size(), 1) << log().toStdString();
    EXPECT_TRUE(failures[0].contains(s("missing.fdb"))) << failures[0].toStdString();

    // idle_ms counts milliseconds: the workers let the database go within moments.
    EXPECT_TRUE(QTest::qWaitFor([&] { return db.otherAttachments() == 0; }, 10000));
}

TEST_F(ProgramWindow, EmptyPathScanIsLoggedWithoutReply) {
    form.FormCreate();
    control<QPlainTextEdit>(form, "MemoRecv")->clear();
    library.clearCalls();
    library.queueBarcode(7, "7891000100103");
    form.Timer2Timer();
    EXPECT_EQ(log(), s("#7891000100103"));
    EXPECT_TRUE(library.callsNamed("bSendProdNotFound").empty());
    EXPECT_TRUE(library.callsNamed("bSendProdPrice").empty());
    EXPECT_EQ(library.callsNamed("bSendLookupFailed").size(), 1u);
}

// A program that runs for months must not keep every line it ever logged.
TEST_F(ProgramWindow, EventLogKeepsOnlyTheMostRecentLines) {
    const int logged = TForm1::kEventLogLines + 50;
    for (int i = 0; i < logged; ++i)
        library.queueResponse(7, 0x10000 + i);
    for (int tick = 0; tick <= logged / EventPoller::kMaxResponsesPerTick; ++tick)
        form.Timer2Timer();
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), TForm1::kEventLogLines);
    EXPECT_EQ(lines.front(), s("Response: 10032"));  // 0x10000 + 50: the oldest went
    EXPECT_EQ(lines.back(), s("Response: ") + QString::number(0x10000 + logged - 1, 16).toUpper());
}

TEST_F(ProgramWindow, PollerPaintsLampsOfRepliesAndResponses) {
    writeSettings("[CAMINHO]\nbd=/srv/pdv.fdb\n");
    form.FormCreate();
    control<StatusLamp>(form, "Shape2")->setColor(StatusLamp::kYellow);
    control<StatusLamp>(form, "Shape7")->setColor(StatusLamp::kYellow);
    std::vector<uint8_t> reply(159, 0);
    reply[0] = 5;
    library.queueReply("config", reply);
    library.queueResponse(5, 374);
    form.Timer2Timer();
    EXPECT_EQ(control<StatusLamp>(form, "Shape2")->color(), StatusLamp::kGreen);
    EXPECT_EQ(control<StatusLamp>(form, "Shape7")->color(), StatusLamp::kGreen);
    EXPECT_EQ(logLines().last(), s("Response: 0176"));
}

TEST_F(ProgramWindow, TerminalListFollowsTheLibraryAndClicksSelectTheRowsTerminal) {
    writeSettings("[CAMINHO]\nbd=/srv/pdv.fdb\n");
    form.FormCreate();
    const uint32_t addr10 = 0x0A0200C0;  // 192.0.2.10 in network order
    library.setSlot(1, 300, addr10);
    library.setSlot(2, 301, 0x0B0200C0);
    library.setCount(2);
    form.show();
    form.Timer1Timer();
    auto* list = control<QListWidget>(form, "ListBConec");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), s("192.0.2.10:300"));
    EXPECT_EQ(list->item(1)->text(), s("192.0.2.11:301"));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(form.controller().selectedTerminal(), 300);
    EXPECT_EQ(library.callsNamed("bEnviaVivo").size(), 2u);

    // A click on the second row selects that row's terminal, though slot 0 is free.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(form.controller().selectedTerminal(), 301);
    form.Timer1Timer();
    EXPECT_EQ(list->currentRow(), 1);  // the selection survives a refresh

    library.setSlot(2, 0, 0);
    library.setCount(1);
    form.Timer1Timer();
    EXPECT_EQ(form.controller().selectedTerminal(), 300);
    EXPECT_EQ(form.controller().requireTerminal(), std::optional<int32_t>(300));
    EXPECT_TRUE(dialogs->messages().empty());

    library.setSlot(1, 0, 0);
    library.setCount(0);
    form.Timer1Timer();
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(form.controller().selectedTerminal(), -1);
    // With no terminal a single-terminal command stops after telling the operator.
    EXPECT_EQ(form.controller().requireTerminal(), std::nullopt);
    ASSERT_EQ(dialogs->messages().size(), 1u);
    EXPECT_EQ(dialogs->messages()[0].text, s("Escolha um terminal"));
    EXPECT_EQ(dialogs->messages()[0].caption, s("Tarifon"));
    EXPECT_EQ(dialogs->messages()[0].icon, MessageIcon::None);
}

// Commands go to the selected terminal, so it must be the highlighted one however
// the operator moved the highlight.
TEST_F(ProgramWindow, SelectionFollowsTheHighlightMovedByKeys) {
    writeSettings("[CAMINHO]\nbd=/srv/pdv.fdb\n");
    form.FormCreate();
    for (int slot = 0; slot < 3; ++slot)
        library.setSlot(slot, 300 + slot, 0x0A0200C0);
    library.setCount(3);
    form.show();
    form.Timer1Timer();
    auto* list = control<QListWidget>(form, "ListBConec");
    // key, then the row and the terminal it must leave selected
    const std::vector<std::tuple<Qt::Key, int, int32_t>> moves = {{Qt::Key_Down, 1, 301},
                                                                  {Qt::Key_End, 2, 302},
                                                                  {Qt::Key_Up, 1, 301},
                                                                  {Qt::Key_Home, 0, 300}};
    for (const auto& [key, row, terminal] : moves) {
        QTest::keyClick(list, key);
        EXPECT_EQ(list->currentRow(), row);
        EXPECT_EQ(form.controller().selectedTerminal(), terminal) << "row " << row;
    }
}

TEST_F(ProgramWindow, DatabaseFileChoiceAndConnectionTest) {
    writeSettings("[CAMINHO]\nbd=/srv/pdv.fdb\n");
    form.FormCreate();

    dialogs->chooseNextFile(QString());  // cancelled
    control<QToolButton>(form, "SpeedButton2")->click();
    EXPECT_EQ(text("edt_Caminho_Banco"), s("/srv/pdv.fdb"));
    ASSERT_EQ(dialogs->openDialogs().size(), 1u);
    EXPECT_EQ(dialogs->openDialogs()[0].defaultSuffix, s("FDB"));
    EXPECT_EQ(dialogs->openDialogs()[0].filter,
              s("Banco de Dados Firebird (*.FDB)|*.FDB|Banco de Dados Interbase (*.GDB)|*.GDB"));
    EXPECT_EQ(form.OpenPictureDialog1.filter, dialogs->openDialogs()[0].filter);  // it stays

    const QString missing = path(s("missing.fdb"));
    dialogs->chooseNextFile(missing);
    control<QToolButton>(form, "SpeedButton2")->click();
    EXPECT_EQ(text("edt_Caminho_Banco"), missing);

    control<QTabWidget>(form, "PageControl1")
        ->setCurrentWidget(control<QWidget>(form, "TabSheet4"));
    control<QToolButton>(form, "SpeedButton3")->click();
    ASSERT_EQ(dialogs->messages().size(), 1u);
    const MessageRequest& failure = dialogs->messages()[0];
    EXPECT_EQ(failure.caption, s("Erro"));
    EXPECT_EQ(failure.icon, MessageIcon::Error);
    EXPECT_FALSE(failure.selfDismissing);
    const QString firstLine =
        s("Falha Durante Tentativa de Conexão com o Banco de Dados VESTRA.\r\n");
    ASSERT_TRUE(failure.text.startsWith(firstLine)) << failure.text.toStdString();
    EXPECT_TRUE(failure.text.mid(firstLine.size()).contains(missing));  // the client's words
    EXPECT_EQ(currentPage(), s("TabSheet6"));

    const QString demo = path(s("demo.fdb"));
    ASSERT_EQ(QProcess::execute(s(TARIFON_SOURCE_DIR "/scripts/make-demo-db"), {demo}), 0);
    control<QLineEdit>(form, "edt_Caminho_Banco")->setText(demo);
    control<QToolButton>(form, "SpeedButton3")->click();
    ASSERT_EQ(dialogs->messages().size(), 2u);
    EXPECT_EQ(dialogs->messages()[1].caption, s("Informação"));
    EXPECT_EQ(dialogs->messages()[1].text,
              s("O Sistema Conectou com o Banco de Dados com Sucesso!"));
    EXPECT_TRUE(dialogs->messages()[1].selfDismissing);
    EXPECT_TRUE(QFile::remove(demo));  // nothing keeps the database open
}

// In the high-volume mode the connection test runs off the window's thread, here
// against a Firebird server that answers and then is gone.
TEST_F(ProgramWindow, HighVolumeConnectionTestReachesTheServerAndReportsWhenDone) {
    FirebirdServer server;
    TestDatabase db;
    writeSettings("[CAMINHO]\nbd=" + server.databaseName(db.path()).toUtf8() +
                  "\n[PERFORMANCE]\nhigh_volume=1\n");
    form.FormCreate();
    control<QToolButton>(form, "SpeedButton3")->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return dialogs->messages().size() == 1; }, 30000));
    EXPECT_EQ(dialogs->messages()[0].caption, s("Informação"));

    server.kill();
    control<QToolButton>(form, "SpeedButton3")->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return dialogs->messages().size() == 2; }, 30000));
    EXPECT_EQ(dialogs->messages()[1].caption, s("Erro"));
    EXPECT_TRUE(dialogs->messages()[1].text.contains(s("\"localhost\"")))
        << dialogs->messages()[1].text.toStdString();
}

}  // namespace
