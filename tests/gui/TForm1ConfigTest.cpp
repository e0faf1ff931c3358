// Terminal configuration in the window against the scripted library: what a real terminal
// cannot be made to do in the end-to-end test (numbers that do not convert, radio items
// with no choice or out of range, every field of a reply).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "app/Controller.h"
#include "support/Controls.h"
#include "support/FakeTerminalLibrary.h"
#include "support/ScriptedDialogs.h"
#include "support/Utf8.h"
#include "ui/RadioGroup.h"
#include "ui/StatusLamp.h"
#include "ui/TForm1.h"

using namespace tarifon;

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int32_t kSelected = 300;

class ConfigWindow : public ::testing::Test {
protected:
    void SetUp() override {
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        form.setDialogs(std::move(scripted));
        library.setSlot(0, kSelected, 0x0A0200C0);  // 192.0.2.10, selected as the first
        library.setSlot(1, 777, 0x0B0200C0);
        library.setCount(2);
        form.Timer1Timer();
    }

    void click(const char* button) { control<QAbstractButton>(form, button)->click(); }
    QString text(const char* edit) { return control<QLineEdit>(form, edit)->text(); }
    bool yellow(int lamp) {
        return control<StatusLamp>(form, qPrintable(s("Shape%1").arg(lamp)))->color() ==
               StatusLamp::kYellow;
    }
    // A reply from another terminal, or a response code from it, taken by one tick.
    template <class Record = Bytes>
    void poll(const char* kind, const Record& record = {}, int32_t code = 0) {
        if (kind)
            library.queueReply(kind, Bytes(record.begin(), record.end()));
        library.queueResponse(777, code);
        form.Timer2Timer();
    }
    // The record of the last `call`, and how many such calls there were.
    std::pair<Bytes, size_t> sent(const char* call) {
        const auto calls = library.callsNamed(call);
        return {calls.empty() ? Bytes{} : calls.back().record, calls.size()};
    }
    template <class Record>
    static std::pair<Bytes, size_t> record(const Record& r, size_t calls = 1) {
        return {Bytes(r.begin(), r.end()), calls};
    }
    QString lastBox() { return dialogs->messages().back().text; }

    FakeTerminalLibrary library;
    TForm1 form{library};
    ScriptedDialogs* dialogs = nullptr;
};

// A reply fills every edit, the display time's 255 included, and is written back whole without
// a lamp, to another terminal only on a Yes; a display time that does not convert sends nothing.
TEST_F(ConfigWindow, NetworkGroup) {
    click("BtnSendCfg");  // a fresh window's display time is empty
    EXPECT_EQ(lastBox(), s("'''' is not a valid integer value."));
    const NetConfig net{"192.168.0.10", "192.168.0.53", "255.0.0.0", "Texto",
                        "o preço",      "aqui",         "fim",       255};
    poll("config", encodeNetConfig(777, net));
    const QStringList shown = {text("Edit16"), text("Edit17"), text("Edit18"), text("Edit19"),
                               text("Edit20"), text("Edit22"), text("Edit23"), text("Edit21")};
    EXPECT_EQ(shown, (QStringList{s("192.168.0.10"), s("192.168.0.53"), s("255.0.0.0"), s("Texto"),
                                  s("o preço"), s("aqui"), s("fim"), s("255")}));
    EXPECT_EQ(control<QLabel>(form, "LabFromCfg")->text(), s("de 192.0.2.11:777"));
    click("BtnSendCfg");  // No, the default
    EXPECT_EQ(lastBox(), s("Estes valores foram lidos do terminal 192.0.2.11:777. Enviá-los ao "
                           "terminal 192.0.2.10:300?"));
    dialogs->answerNext(QMessageBox::Yes);
    click("BtnSendCfg");
    EXPECT_EQ(sent("bMandaConfig"), record(encodeNetConfig(kSelected, net)));
    for (int lamp = 1; lamp <= 12; ++lamp)
        EXPECT_FALSE(yellow(lamp)) << lamp;
}

TEST_F(ConfigWindow, WifiGroup) {
    click("BtnSendWlanConfig");  // nothing chosen: 255 three times, channel 1
    EXPECT_EQ(sent("bMandaWlanConfig"), record(encodeWlanConfig(kSelected, WlanConfig{})));
    poll(nullptr, Bytes{}, 400);
    auto* channel = control<QComboBox>(form, "CBchannel");
    channel->setCurrentText(s("canal"));
    click("BtnSendWlanConfig");
    EXPECT_EQ(lastBox(), s("''canal'' is not a valid integer value."));
    EXPECT_FALSE(yellow(11));

    WlanConfigRecord wlan = encodeWlanConfig(kSelected, {0, 0, "Promoção", 200, 1, "chave"});
    wlan[4] = 255;  // the last item, "Habilitado"
    wlan[5] = 2;    // the last item too, "Ad-Hoc"
    poll("wlan", wlan);
    EXPECT_EQ(control<RadioGroup>(form, "GrpEnbWiFi")->itemIndex(), 1);
    EXPECT_EQ(channel->currentText(), s("200"));
    channel->setCurrentText(s("300"));
    click("BtnSendWlanConfig");
    EXPECT_EQ(sent("bMandaWlanConfig"),
              record(encodeWlanConfig(kSelected, {1, 1, "Promoção", 44, 1, "chave"}), 2));
}

// The fields the operator cannot see go back only as the selected terminal replied them.
TEST_F(ConfigWindow, UpdateServerGroupKeepsWhatTheOperatorCannotSee) {
    const UpdConfig upd{"10.0.0.1", "ns", "Caixa 3", "upd.example", "admin", "segredo"};
    for (const int32_t from : {0, 777, kSelected}) {  // no reply, another terminal's, its own
        poll(from ? "updconfig" : nullptr, encodeUpdConfig(from, upd));
        control<QLineEdit>(form, "Edit12")->setText(s("Caixa 9"));
        control<QLineEdit>(form, "Edit14")->clear();
        click("BtnSendUpdConfig");
    }
    EXPECT_EQ(dialogs->messages().size(), 2u);
    EXPECT_TRUE(lastBox().contains(s("\"Receber\" com o terminal 192.0.2.10:300")));
    EXPECT_EQ(sent("bMandaUpdConfig"),
              record(encodeUpdConfig(
                  kSelected, {"10.0.0.1", "ns", "Caixa 9", "upd.example", "admin", "segredo"})));
}

}  // namespace
