// The controller behind a recording view: start-up, the failure box, starting hidden and
// the configuration replies, without a window.
#include "app/Controller.h"

#include <functional>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/FakeTerminalLibrary.h"
#include "support/Utf8.h"

using namespace tarifon;

namespace {

// Every call the controller makes of its view that these tests decide on, as a line.
class RecordingView : public OperatorView {
public:
    QStringList events;
    bool tray = true;
    bool visible = false;
    std::function<void()> whileFailureBoxOpen;

    void add(const QString& event) { events << event; }
    void serverStarted() override { add(s("serverStarted")); }
    void startTerminalRefresh() override { add(s("startTerminalRefresh")); }
    void warnDatabasePathMissing() override {
        add(s("warnDatabasePathMissing"));
        visible = true;
    }
    void appendLog(const QString& line) override { add(s("log ") + line); }
    void setLamp(Lamp lamp, LampColor color) override {
        add(s("lamp %1 %2").arg(static_cast<int>(lamp)).arg(color == LampColor::Green));
    }
    void showNetConfig(const NetConfig&) override { add(s("net")); }
    void showUpdConfig(const UpdConfig&) override { add(s("upd")); }
    void showExtras(const Extras&) override { add(s("extras")); }
    void showWlanConfig(const WlanConfig&) override { add(s("wlan")); }
    void showConfigOrigin(ConfigGroup group, const QString& text, bool notSelected) override {
        if (!text.isEmpty())
            add(s("origin %1 %2 %3").arg(static_cast<int>(group)).arg(text).arg(notSelected));
    }
    void showDatabaseFailure() override {
        add(s("failureBox"));
        if (auto nested = std::exchange(whileFailureBoxOpen, nullptr))
            nested();
    }
    bool trayAvailable() const override { return tray; }
    bool windowVisible() const override { return visible; }
    void showTrayIcon() override { add(s("trayIcon")); }
    void hideWindow() override { visible = false; }
    void showWindow() override { visible = true; }
    void showNotice(const QString& text) override { add(s("notice ") + text); }
    void showSettings(const Settings&) override {}
    void showMacAddress(const MacAddress&) override {}
    bool confirm(const QString&, const QString&) override { return false; }
    void showApplicationError(const QString&) override {}
    void showTerminalList(const QStringList&, int) override {}
    void setImageColumnWidths(const std::array<int, ImageTable::kColumns>&) override {}
    void showImageTable(const ImageTable&) override {}
    void showPreview(const QImage&) override {}
    void showInstantImage(const QImage&) override {}
    void showError(const QString&) override {}
};

struct Program {
    explicit Program(const QByteArray& settings, bool tray = true) {
        view.tray = tray;
        QFile file(dir.filePath(s("de501.ini")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(settings) == settings.size());
    }
    QTemporaryDir dir;
    FakeTerminalLibrary library;
    RecordingView view;
    DisplayContent content{library, view, dir.path()};
    Controller controller{library, view, content, dir.path()};
};

TEST(Controller, StartsInOrderAndRetriesAServerThatCannotListen) {
    Program p("");
    p.library.version = 255;
    p.library.startResult = 0;
    p.controller.startUp();
    EXPECT_EQ(p.view.events,
              (QStringList{s("log DLL Version: 000000FF"), s("log Erro inicializando servidor"),
                           s("notice Erro inicializando servidor"), s("startTerminalRefresh"),
                           s("warnDatabasePathMissing")}));
    EXPECT_EQ(p.library.callNames(),
              (std::vector<std::string>{"vInitialize", "dll_version", "tc_startserver"}));
    p.library.startResult = 1;
    p.controller.startServer();
    EXPECT_EQ(p.view.events.mid(5),
              (QStringList{s("log Servidor inicializado com sucesso."), s("serverStarted")}));
    EXPECT_EQ(p.library.callsNamed("vInitialize").size(), 1u);
}

// While the failure box is open, a nested tick's failed scan opens no second box and
// writes no line; the response waits for the next tick.
TEST(Controller, AtMostOneDatabaseFailureBox) {
    Program p("[CAMINHO]\nbd=/nowhere/pdv.fdb\n");
    p.controller.startUp();
    p.view.events.clear();
    p.library.queueBarcode(7, "7891000100103");
    p.library.queueBarcode(8, "7891910000197");
    p.library.queueResponse(7, 374);
    p.view.whileFailureBoxOpen = [&p] { p.controller.poll(); };
    p.controller.poll();
    ASSERT_EQ(p.view.events.size(), 2);
    EXPECT_TRUE(p.view.events[0].startsWith(
        s("log Falha no banco de dados do PDV ao consultar 7891000100103: ")));
    EXPECT_EQ(p.view.events[1], s("failureBox"));
    EXPECT_TRUE(p.library.callsNamed("bSendProdPrice").empty());
    EXPECT_TRUE(p.library.callsNamed("bSendProdNotFound").empty());
    EXPECT_EQ(p.library.callsNamed("bSendLookupFailed").size(), 2u);  // the nested one too

    p.controller.poll();
    EXPECT_EQ(p.view.events.mid(2), (QStringList{s("lamp 2 1"), s("log Response: 0176")}));
    p.library.queueBarcode(9, "1");
    p.controller.poll();
    EXPECT_EQ(p.view.events.count(s("failureBox")), 2);
}

TEST(Controller, StartsHiddenOnlyWithAPathAndANotificationArea) {
    // settings, notification area, shown at start, icon added
    const std::vector<std::tuple<QByteArray, bool, bool, bool>> cases = {
        {"[CAMINHO]\nbd=/srv/pdv.fdb\n", true, true, false},
        {"[CAMINHO]\nbd=/srv/pdv.fdb\n[INICIAR]\n=1\n", true, false, true},
        {"[INICIAR]\n=1\n", true, true, true},
        {"[CAMINHO]\nbd=/srv/pdv.fdb\n[INICIAR]\n=1\n", false, true, false},
    };
    for (const auto& [settings, tray, shown, icon] : cases) {
        SCOPED_TRACE(settings.toStdString() + (tray ? "" : " without a notification area"));
        Program p(settings, tray);
        p.controller.startUp();
        EXPECT_EQ(p.view.visible || p.controller.showAtStart(), shown);
        EXPECT_EQ(p.view.events.contains(s("trayIcon")), icon);
        EXPECT_EQ(p.view.events.filter(s("notificação")).size(), tray ? 0 : 1);
    }
}

// Each reply turns its lamp green, fills its group and names the terminal it came from,
// marked when another one is selected.
TEST(Controller, ConfigurationRepliesFillTheirGroupAndNameTheirTerminal) {
    Program p("[CAMINHO]\nbd=/srv/pdv.fdb\n");
    p.library.setSlot(0, 300, 0x0A0200C0);
    p.library.setSlot(1, 777, 0x0B0200C0);
    p.library.setCount(2);
    p.controller.startUp();
    p.controller.refreshTerminals();
    const auto bytes = [](const auto& r) { return std::vector<uint8_t>(r.begin(), r.end()); };
    const std::vector<std::tuple<const char*, std::vector<uint8_t>, const char*>> cases = {
        {"config", bytes(encodeNetConfig(777, {})), "lamp 7 1|net|origin 0 de 192.0.2.11:777 1"},
        {"updconfig", bytes(encodeUpdConfig(300, {})), "lamp 5 1|upd|origin 1 de 192.0.2.10:300 0"},
        {"param", bytes(encodeExtras(777, {})), "lamp 8 1|extras|origin 2 de 192.0.2.11:777 1"},
        {"wlan", bytes(encodeWlanConfig(777, {})), "lamp 10 1|wlan|origin 3 de 192.0.2.11:777 1"},
    };
    for (const auto& [kind, record, expected] : cases) {
        p.view.events.clear();
        p.library.queueReply(kind, record);
        p.controller.poll();
        const QStringList want = s(expected).split(u'|');
        EXPECT_EQ(p.view.events.mid(0, 2), want.mid(0, 2)) << kind;
        EXPECT_TRUE(p.view.events.contains(want[2])) << p.view.events.join(u'|').toStdString();
    }
}

// The settings file cannot be written at shutdown: the log (and the journal) says so.
TEST(Controller, ASettingsFileThatCannotBeSavedLeavesALine) {
    Program p("[CAMINHO]\nbd=/srv/pdv.fdb\n");
    p.controller.startUp();
    std::vector<QString> echoed;
    p.controller.setLogEcho([&](const QString& line) { echoed.push_back(line); });
    ASSERT_TRUE(QFile::remove(p.dir.filePath(s("de501.ini"))));
    ASSERT_TRUE(QDir(p.dir.path()).mkdir(s("de501.ini")));
    p.controller.shutDown();
    ASSERT_FALSE(echoed.empty());
    EXPECT_TRUE(echoed.front().startsWith(s("de501.ini: cannot write [GENERAL] currency: ")))
        << echoed.front().toStdString();
}

}  // namespace
