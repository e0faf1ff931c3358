// Terminal configuration end to end: the program's window and controller in this
// process (a program in another one has no way in for a test to press its buttons),
// bound to the real libtermlink.so, and termsim as the terminal with a state file.
#include <chrono>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

#include "ListeningServer.h"
#include "ProgramFolder.h"
#include "app/Controller.h"
#include "main/TermlinkLibrary.h"
#include "support/Controls.h"
#include "support/ScriptedDialogs.h"
#include "support/TermsimProcess.h"
#include "support/Utf8.h"
#include "ui/RadioGroup.h"
#include "ui/StatusLamp.h"
#include "ui/TForm1.h"

using namespace tarifon;
using namespace std::chrono_literals;

TEST(ConfigE2e, ReadWriteAndReadBackEverySettingAndCommand) {
    ProgramFolder dir;
    QFile state(dir.filePath(s("terminal.txt")));
    ASSERT_TRUE(dir.isValid() && state.open(QIODevice::ReadWrite));
    state.write(
        "mac=02:00:00:00:00:2A\nnet.text1=Consulte o preço\nupd.terminal_name=Caixa 3\n"
        "upd.user=admin\nwlan.enabled=1\nwlan.ssid=loja\n");
    state.close();
    dir.writeSettings(s("[CAMINHO]\nbd=/nowhere/pdv.fdb\n"));
    qputenv("TERMLINK_INI", dir.filePath(s("termlink.ini")).toLocal8Bit());
    TermlinkLibrary library;
    TForm1 form(library, dir.path());
    auto* dialogs = new ScriptedDialogs;
    form.setDialogs(std::unique_ptr<ScriptedDialogs>(dialogs));
    const QString server = listeningServer([&form] { form.FormCreate(); });
    // Runs the event loop, the poller's timer with it, until `done` or 10 s have passed.
    const auto waitFor = [](auto done) { return QTest::qWaitFor(done, 10000); };
    // No terminal yet: every command only says so, even with a number that does not convert.
    control<QComboBox>(form, "CBchannel")->setCurrentText(s("x"));
    const auto buttons = form.findChildren<QAbstractButton*>(QRegularExpression(
        s("^Btn((Get|Send)(Cfg|UpdConfig|Param|WlanConfig)|GetMAC|AllwaysLive|CheckLive|"
          "RestartSoft|UpdSoft)$")));
    for (QAbstractButton* button : buttons)
        button->click();
    EXPECT_EQ(dialogs->messages().size(), 13u);
    EXPECT_EQ(dialogs->messages().back().text, s("Escolha um terminal"));
    TermsimProcess termsim({s("--server"), server, s("--state"), dir.filePath(s("terminal.txt")),
                            s("--duration"), s("60")});
    ASSERT_TRUE(waitFor([&] { return form.controller().selectedTerminal() > 0; }))
        << server.toStdString();

    const auto click = [&](const char* button) { control<QAbstractButton>(form, button)->click(); };
    const auto edit = [&](const char* name) { return control<QLineEdit>(form, name); };
    const auto yellow = [&](std::initializer_list<int> lamps) {
        int count = 0;
        for (int lamp : lamps)
            count += control<StatusLamp>(form, qPrintable(s("Shape%1").arg(lamp)))->color() ==
                     StatusLamp::kYellow;
        return count;
    };
    EXPECT_EQ(yellow({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), 0);

    // Every read and command: its lamp yellow at once, green when the terminal answers.
    for (const char* button :
         {"BtnGetCfg", "BtnGetUpdConfig", "BtnGetParam", "BtnGetWlanConfig", "BtnGetMAC",
          "BtnAllwaysLive", "BtnCheckLive", "BtnRestartSoft", "BtnUpdSoft"})
        click(button);
    EXPECT_EQ(yellow({1, 2, 3, 4, 5, 7, 8, 10, 12}), 9);
    EXPECT_TRUE(waitFor([&] { return yellow({1, 2, 3, 4, 5, 7, 8, 10, 12}) == 0; }));
    EXPECT_EQ(edit("Edit19")->text(), s("Consulte o preço"));
    EXPECT_EQ(edit("Edit12")->text(), s("Caixa 3"));
    EXPECT_EQ(edit("EDssid")->text(), s("loja"));
    EXPECT_EQ(edit("EDmacaddr")->text(), s("02:00:00:00:00:2A"));  // 17 bytes, no terminator
    EXPECT_EQ(edit("EDiface")->text(), s("1: Sem Fio"));  // "Atual": wireless while WLAN is on
    EXPECT_TRUE(termsim.waitForLine("settings: MAC address read, asked for interface 9", 5s));
    control<RadioGroup>(form, "GrpIFace")->setItemIndex(0);
    control<RadioGroup>(form, "GrpIFace")->setItemText(0, s("Wired"));  // as in English
    click("BtnGetMAC");
    EXPECT_TRUE(waitFor([&] { return edit("EDiface")->text() == s("0: Wired"); }));

    // A new name and Wi-Fi: the terminal keeps them and its answers turn the lamps green.
    edit("Edit16")->setText(s("10.0.0.9"));
    edit("Edit12")->setText(s("Caixa 9"));
    edit("EDssid")->setText(s("Promoção"));
    control<QComboBox>(form, "CBchannel")->setCurrentText(s("11"));
    control<QCheckBox>(form, "CBfindserver")->setChecked(true);
    for (const char* button :
         {"BtnSendCfg", "BtnSendUpdConfig", "BtnSendParam", "BtnSendWlanConfig"})
        click(button);
    EXPECT_EQ(yellow({6, 9, 11}), 3);
    EXPECT_TRUE(waitFor([&] { return yellow({6, 9, 11}) == 0; }));
    ASSERT_TRUE(state.open(QIODevice::ReadOnly));
    const QString saved = QString::fromUtf8(state.readAll());
    for (const char* line :
         {"net.server=10.0.0.9\n", "upd.terminal_name=Caixa 9\n", "upd.user=admin\n",
          "extras.find_server=1\n", "wlan.ssid=Promoção\n", "wlan.channel=11\n"})
        EXPECT_TRUE(saved.contains(s(line))) << line;

    edit("Edit12")->clear();
    edit("EDssid")->clear();
    click("BtnGetUpdConfig");
    click("BtnGetWlanConfig");
    EXPECT_TRUE(waitFor([&] {
        return edit("Edit12")->text() == s("Caixa 9") && edit("EDssid")->text() == s("Promoção");
    }));
}
