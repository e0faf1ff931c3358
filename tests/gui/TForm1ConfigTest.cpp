// Terminal configuration in the window, driven by object name against the scripted
// library: each group's request, lamp, reply and write, the MAC query and the
// maintenance commands.
#include <gtest/gtest.h>

#include <optional>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
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
constexpr int32_t kOther = 777;  // replies and responses come from another terminal

class ConfigWindow : public ::testing::Test {
protected:
    void SetUp() override {
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        form.setDialogs(std::move(scripted));
        library.setSlot(0, kSelected, 0x0A0200C0);
        library.setCount(1);
        form.Timer1Timer();
        library.clearCalls();
    }

    void click(const char* button) { control<QAbstractButton>(form, button)->click(); }
    QString text(const char* edit) { return control<QLineEdit>(form, edit)->text(); }
    bool yellow(int lamp) {
        const QByteArray name = "Shape" + QByteArray::number(lamp);
        return control<StatusLamp>(form, name.constData())->color() == StatusLamp::kYellow;
    }
    template <class Record>
    void reply(const char* kind, const Record& record) {
        library.queueReply(kind, Bytes(record.begin(), record.end()));
        form.Timer2Timer();
    }
    void respond(int32_t code) {
        library.queueResponse(kOther, code);
        form.Timer2Timer();
    }
    // The records the library was given by `call`.
    std::vector<Bytes> sent(const char* call) {
        std::vector<Bytes> records;
        for (const auto& c : library.callsNamed(call))
            records.push_back(c.record);
        return records;
    }
    template <class Record>
    static Bytes bytes(const Record& record) {
        return Bytes(record.begin(), record.end());
    }
    QString lastBox() { return dialogs->messages().back().text; }
    // Whether lamp `lamp` was yellow when the library was called with `call`.
    void watchLampAt(const char* call, int lamp) {
        library.onCall = [=, this](const FakeTerminalLibrary::Call& c) {
            if (c.name == call)
                lampAtCall = yellow(lamp);
        };
    }
    std::optional<bool> lampAtCall;

    FakeTerminalLibrary library;
    TForm1 form{library};
    ScriptedDialogs* dialogs = nullptr;
};

TEST_F(ConfigWindow, NetworkGroup) {
    click("BtnSendCfg");  // a fresh window's display time is empty
    EXPECT_EQ(lastBox(), s("'''' is not a valid integer value."));
    click("BtnGetCfg");
    EXPECT_EQ(library.callsNamed("bPedeConfig").at(0).ints, std::vector<int64_t>{kSelected});
    EXPECT_TRUE(yellow(7));

    const NetConfig net{"192.168.0.10", "192.168.0.53", "255.0.0.0", "Texto",
                        "o preço",      "aqui",         "fim",       255};
    reply("config", encodeNetConfig(kOther, net));
    EXPECT_FALSE(yellow(7));
    const QStringList shown = {text("Edit16"), text("Edit17"), text("Edit18"), text("Edit19"),
                               text("Edit20"), text("Edit22"), text("Edit23"), text("Edit21")};
    EXPECT_EQ(shown, (QStringList{s("192.168.0.10"), s("192.168.0.53"), s("255.0.0.0"), s("Texto"),
                                  s("o preço"), s("aqui"), s("fim"), s("255")}));

    click("BtnSendCfg");  // the reply goes back whole, 255 included, with no lamp
    control<QLineEdit>(form, "Edit21")->setText(s("9 "));
    click("BtnSendCfg");
    EXPECT_EQ(lastBox(), s("''9 '' is not a valid integer value."));
    EXPECT_EQ(sent("bMandaConfig"), std::vector<Bytes>{bytes(encodeNetConfig(kSelected, net))});
    for (int lamp = 1; lamp <= 12; ++lamp)
        EXPECT_FALSE(yellow(lamp)) << lamp;
}

TEST_F(ConfigWindow, UpdateServerGroupSendsBackTheFieldsOutOfSight) {
    click("BtnGetUpdConfig");
    EXPECT_EQ(library.callsNamed("bPedeUpdConfig").size(), 1u);
    EXPECT_TRUE(yellow(5));
    UpdConfig upd{"192.168.0.1", "192.168.0.2", "Caixa 3", "ftp://upd", "admin", "segredo"};
    reply("updconfig", encodeUpdConfig(kOther, upd));
    EXPECT_FALSE(yellow(5));
    EXPECT_EQ(text("Edit11"), s("192.168.0.2"));
    EXPECT_EQ(text("Edit_Teste_15"), s("segredo"));

    control<QLineEdit>(form, "Edit12")->setText(s("Caixa 4"));
    click("BtnSendUpdConfig");
    upd.terminalName = "Caixa 4";
    EXPECT_EQ(sent("bMandaUpdConfig"), std::vector<Bytes>{bytes(encodeUpdConfig(kSelected, upd))});
    EXPECT_TRUE(yellow(6));
    respond(388);
    EXPECT_FALSE(yellow(6));
}

TEST_F(ConfigWindow, ExtrasGroup) {
    click("BtnGetParam");
    EXPECT_EQ(library.callsNamed("bPedeParam").size(), 1u);
    EXPECT_TRUE(yellow(8));
    reply("param", Bytes{1, 0, 0, 0, 2, 2});
    EXPECT_FALSE(yellow(8));
    EXPECT_TRUE(control<QCheckBox>(form, "CBfindserver")->isChecked());

    control<QCheckBox>(form, "CBdynamicip")->click();
    watchLampAt("bMandaParam", 9);
    click("BtnSendParam");
    EXPECT_EQ(lampAtCall, false);  // yellow only once the library has the record
    EXPECT_EQ(sent("bMandaParam"), (std::vector<Bytes>{{0x2C, 0x01, 0, 0, 0, 1}}));
    EXPECT_TRUE(yellow(9));
    respond(386);
    EXPECT_FALSE(yellow(9));
}

TEST_F(ConfigWindow, WifiGroup) {
    watchLampAt("bMandaWlanConfig", 11);
    click("BtnSendWlanConfig");  // nothing chosen: 255 three times, channel 1
    EXPECT_EQ(lampAtCall, true);
    respond(400);
    auto* channel = control<QComboBox>(form, "CBchannel");
    channel->setCurrentText(s("canal"));
    click("BtnSendWlanConfig");
    EXPECT_EQ(lastBox(), s("''canal'' is not a valid integer value."));
    EXPECT_FALSE(yellow(11));

    click("BtnGetWlanConfig");
    EXPECT_EQ(library.callsNamed("bPedeWlanConfig").size(), 1u);
    EXPECT_TRUE(yellow(10));
    WlanConfigRecord record = encodeWlanConfig(kOther, {0, 0, "Promoção", 200, 1, "chave"});
    record[4] = 255;  // the last item, "Habilitado"
    reply("wlan", record);
    EXPECT_FALSE(yellow(10));
    EXPECT_EQ(control<RadioGroup>(form, "GrpEnbWiFi")->itemIndex(), 1);
    EXPECT_EQ(control<RadioGroup>(form, "GrpModeWiFi")->itemIndex(), 0);
    EXPECT_EQ(text("EDssid"), s("Promoção"));
    EXPECT_EQ(channel->currentText(), s("200"));

    channel->setCurrentText(s("300"));
    click("BtnSendWlanConfig");
    EXPECT_EQ(sent("bMandaWlanConfig"),
              (std::vector<Bytes>{
                  bytes(encodeWlanConfig(kSelected, WlanConfig{})),
                  bytes(encodeWlanConfig(kSelected, {1, 0, "Promoção", 44, 1, "chave"}))}));
}

TEST_F(ConfigWindow, MacAddressQueryOnTheRemovedPage) {
    form.show();
    for (const auto& [item, code] : std::vector<std::pair<int, int64_t>>{{2, 9}, {0, 0}, {1, 1}}) {
        control<RadioGroup>(form, "GrpIFace")->setItemIndex(item);
        click("BtnGetMAC");
        EXPECT_EQ(library.callsNamed("bPedeMacAddr").back().ints,
                  (std::vector<int64_t>{kSelected, code}));
    }
    EXPECT_TRUE(yellow(12));
    Bytes record = {1, 0, 0, 0, 1};
    for (char c : std::string("00:1A:2B:3C:4D:5E"))  // all 17 bytes, no terminator
        record.push_back(static_cast<uint8_t>(c));
    reply("mac", record);
    EXPECT_FALSE(yellow(12));
    EXPECT_EQ(text("EDmacaddr"), s("00:1A:2B:3C:4D:5E"));
    EXPECT_EQ(text("EDiface"), s("1: Sem Fio"));

    control<RadioGroup>(form, "GrpIFace")->setItemText(0, s("Wired"));
    record[4] = 0;
    reply("mac", record);
    EXPECT_EQ(text("EDiface"), s("0: Wired"));
    record[4] = 9;  // names no item: the interface edit stays
    record[5] = 'F';
    reply("mac", record);
    EXPECT_EQ(text("EDmacaddr"), s("F0:1A:2B:3C:4D:5E"));
    EXPECT_EQ(text("EDiface"), s("0: Wired"));
}

TEST_F(ConfigWindow, MaintenanceCommands) {
    // button, library call, lamp, response code
    for (const auto& [button, call, lamp, code] :
         std::vector<std::tuple<const char*, const char*, int, int32_t>>{
             {"BtnAllwaysLive", "bSendAllwaysLive", 1, 372},
             {"BtnCheckLive", "bSendCheckLive", 2, 374},
             {"BtnRestartSoft", "bSendRestartSoft", 3, 378},
             {"BtnUpdSoft", "bUpdateSoftware", 4, 370}}) {
        click(button);
        click(button);
        EXPECT_EQ(library.callsNamed(call).at(1).ints, std::vector<int64_t>{kSelected});
        EXPECT_TRUE(yellow(lamp));
        respond(code);  // one answer is enough
        EXPECT_FALSE(yellow(lamp)) << button;
    }
}

TEST_F(ConfigWindow, WithoutATerminalEveryCommandOnlySaysSo) {
    library.setCount(0);
    library.setSlot(0, 0, 0);
    form.Timer1Timer();
    library.clearCalls();
    control<QComboBox>(form, "CBchannel")->setCurrentText(s("x"));  // never converted
    const std::vector<const char*> buttons = {
        "BtnGetCfg",    "BtnSendCfg",     "BtnGetUpdConfig",  "BtnSendUpdConfig",  "BtnGetParam",
        "BtnSendParam", "BtnGetMAC",      "BtnGetWlanConfig", "BtnSendWlanConfig", "BtnAllwaysLive",
        "BtnCheckLive", "BtnRestartSoft", "BtnUpdSoft"};
    for (const char* button : buttons)
        click(button);
    ASSERT_EQ(dialogs->messages().size(), buttons.size());
    for (const MessageRequest& box : dialogs->messages())
        EXPECT_EQ(box.text, s("Escolha um terminal"));
    EXPECT_TRUE(library.calls().empty());
    for (int lamp = 1; lamp <= 12; ++lamp)
        EXPECT_FALSE(yellow(lamp)) << lamp;
}

}  // namespace
