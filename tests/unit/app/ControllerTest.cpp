// The controller behind a recording view: start-up, the failure box, starting hidden and
// the configuration replies, without a window.
#include "app/Controller.h"

#include <functional>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "config/Extras.h"
#include "config/NetConfig.h"
#include "config/UpdConfig.h"
#include "config/WlanConfig.h"
#include "support/FakeTerminalLibrary.h"
#include "support/Utf8.h"

using namespace tarifon;

namespace {

// Every call the controller makes of its view, as a line.
class RecordingView : public OperatorView {
public:
    QStringList events;
    bool tray = true;
    bool visible = false;
    std::function<void()> whileFailureBoxOpen;

    void showSettings(const Settings&) override {}
    void serverStarted() override { events << s("serverStarted"); }
    void startTerminalRefresh() override { events << s("startTerminalRefresh"); }
    void warnDatabasePathMissing() override {
        events << s("warnDatabasePathMissing");
        visible = true;
    }
    void appendLog(const QString& line) override { events << s("log ") + line; }
    void setLamp(Lamp lamp, LampColor color) override {
        events << s("lamp %1 %2").arg(static_cast<int>(lamp)).arg(color == LampColor::Green);
    }
    void showNetConfig(const NetConfig&) override { events << s("net"); }
    void showUpdConfig(const UpdConfig&) override { events << s("upd"); }
    void showExtras(const Extras&) override { events << s("extras"); }
    void showWlanConfig(const WlanConfig&) override { events << s("wlan"); }
    void showMacAddress(const MacAddress&) override { events << s("mac"); }
    void showConfigOrigin(ConfigGroup group, const QString& text, bool notSelected) override {
        if (!text.isEmpty())
            events << s("origin %1 %2 %3").arg(static_cast<int>(group)).arg(text).arg(notSelected);
    }
    bool confirm(const QString&, const QString&) override { return false; }
    void showApplicationError(const QString& message) override { events << s("error ") + message; }
    void showDatabaseFailure() override {
        events << s("failureBox");
        if (auto nested = std::exchange(whileFailureBoxOpen, nullptr))
            nested();
    }
    void showTerminalList(const QStringList&, int) override {}
    bool trayAvailable() const override { return tray; }
    bool windowVisible() const override { return visible; }
    void showTrayIcon() override { events << s("trayIcon"); }
    void hideWindow() override { visible = false; }
    void showWindow() override { visible = true; }
    void showNotice(const QString& text) override { events << s("notice ") + text; }
    void setImageColumnWidths(const std::array<int, ImageTable::kColumns>&) override {}
    void showImageTable(const ImageTable&) override {}
    void showPreview(const QImage&) override {}
    void showInstantImage(const QImage&) override {}
    void showError(const QString& message) override { events << s("error ") + message; }
};

class ControllerTest : public ::testing::Test {
protected:
    void start(const QByteArray& settings) {
        QFile file(m_dir.filePath(s("de501.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(settings);
        file.close();
        controller.startUp();
    }

    QTemporaryDir m_dir;
    FakeTerminalLibrary library;
    RecordingView view;
    DisplayContent content{library, view, m_dir.path()};
    Controller controller{library, view, content, m_dir.path()};
};

TEST_F(ControllerTest, StartsInOrderAndRetriesAServerThatCannotListen) {
    library.version = 255;
    library.startResult = 0;
    start("");
    EXPECT_EQ(view.events,
              (QStringList{s("log DLL Version: 000000FF"), s("log Erro inicializando servidor"),
                           s("notice Erro inicializando servidor"), s("startTerminalRefresh"),
                           s("warnDatabasePathMissing")}));
    EXPECT_EQ(library.callNames(),
              (std::vector<std::string>{"vInitialize", "dll_version", "tc_startserver"}));
    library.startResult = 1;
    controller.startServer();
    EXPECT_EQ(view.events.mid(5),
              (QStringList{s("log Servidor inicializado com sucesso."), s("serverStarted")}));
    EXPECT_EQ(library.callsNamed("vInitialize").size(), 1u);
}

// While the failure box is open, a nested tick's failed scan opens no second box and
// writes no "#" line; the response waits for the next tick.
TEST_F(ControllerTest, AtMostOneDatabaseFailureBox) {
    start("[CAMINHO]\nbd=/nowhere/pdv.fdb\n");
    view.events.clear();
    library.queueBarcode(7, "7891000100103");
    library.queueBarcode(8, "7891910000197");
    library.queueResponse(7, 374);
    view.whileFailureBoxOpen = [this] { controller.poll(); };
    controller.poll();
    EXPECT_EQ(view.events.count(s("failureBox")), 1);
    ASSERT_EQ(view.events.size(), 2);
    EXPECT_TRUE(view.events[0].startsWith(
        s("log Falha no banco de dados do PDV ao consultar 7891000100103: ")));
    EXPECT_TRUE(library.callsNamed("bSendProdPrice").empty());
    EXPECT_TRUE(library.callsNamed("bSendProdNotFound").empty());

    controller.poll();
    EXPECT_EQ(view.events.mid(2), (QStringList{s("lamp 2 1"), s("log Response: 0176")}));
    library.queueBarcode(9, "1");
    controller.poll();
    EXPECT_EQ(view.events.count(s("failureBox")), 2);
}

TEST_F(ControllerTest, StartHiddenOnlyWithAPathAndANotificationArea) {
    // settings, notification area, shown at start, icon added
    const std::vector<std::tuple<QByteArray, bool, bool, bool>> cases = {
        {"[CAMINHO]\nbd=/srv/pdv.fdb\n", true, true, false},
        {"[CAMINHO]\nbd=/srv/pdv.fdb\n[INICIAR]\n=1\n", true, false, true},
        {"[INICIAR]\n=1\n", true, true, true},
        {"[CAMINHO]\nbd=/srv/pdv.fdb\n[INICIAR]\n=1\n", false, true, false},
    };
    for (const auto& [settings, tray, shown, icon] : cases) {
        SCOPED_TRACE(settings.toStdString() + (tray ? "" : " without a notification area"));
        FakeTerminalLibrary lib;
        RecordingView v;
        v.tray = tray;
        DisplayContent content(lib, v, m_dir.path());
        Controller c(lib, v, content, m_dir.path());
        QFile file(m_dir.filePath(s("de501.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(settings);
        file.close();
        c.startUp();
        EXPECT_EQ(v.visible || c.showAtStart(), shown);
        EXPECT_EQ(v.events.contains(s("trayIcon")), icon);
        EXPECT_EQ(v.events.filter(s("notificação")).size(), tray ? 0 : 1);
    }
}

// Each reply turns its lamp green, fills its group and names the terminal it came from,
// marked when another one is selected.
TEST_F(ControllerTest, ConfigurationRepliesFillTheirGroupAndNameTheirTerminal) {
    library.setSlot(0, 300, 0x0A0200C0);
    library.setSlot(1, 777, 0x0B0200C0);
    library.setCount(2);
    start("[CAMINHO]\nbd=/srv/pdv.fdb\n");
    controller.refreshTerminals();
    const auto bytes = [](const auto& r) { return std::vector<uint8_t>(r.begin(), r.end()); };
    const std::vector<std::tuple<const char*, std::vector<uint8_t>, QStringList>> cases = {
        {"config", bytes(encodeNetConfig(777, {})), {s("lamp 7 1"), s("net"), s("origin 0 de 192.0.2.11:777 1")}},
        {"updconfig", bytes(encodeUpdConfig(300, {})), {s("lamp 5 1"), s("upd"), s("origin 1 de 192.0.2.10:300 0")}},
        {"param", bytes(encodeExtras(777, {})), {s("lamp 8 1"), s("extras"), s("origin 2 de 192.0.2.11:777 1")}},
        {"wlan", bytes(encodeWlanConfig(777, {})), {s("lamp 10 1"), s("wlan"), s("origin 3 de 192.0.2.11:777 1")}},
    };
    for (const auto& [kind, record, expected] : cases) {
        SCOPED_TRACE(kind);
        view.events.clear();
        library.queueReply(kind, record);
        controller.poll();
        ASSERT_GE(view.events.size(), 3);
        EXPECT_EQ(view.events.mid(0, 2), expected.mid(0, 2));
        EXPECT_TRUE(view.events.contains(expected[2])) << view.events.join(u'|').toStdString();
    }
}

// The settings file cannot be written at shutdown: the log (and the journal) says so.
TEST_F(ControllerTest, ASettingsFileThatCannotBeSavedLeavesALine) {
    start("[CAMINHO]\nbd=/srv/pdv.fdb\n");
    std::vector<QString> echoed;
    controller.setLogEcho([&](const QString& line) { echoed.push_back(line); });
    ASSERT_TRUE(QFile::remove(m_dir.filePath(s("de501.ini"))));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(s("de501.ini")));
    controller.shutDown();
    ASSERT_FALSE(echoed.empty());
    EXPECT_TRUE(echoed.front().startsWith(s("de501.ini: cannot write [GENERAL] currency: ")))
        << echoed.front().toStdString();
}

}  // namespace
