// Terminal configuration: the network, update-server, extras and Wi-Fi groups, the
// MAC query and the maintenance commands.  Handlers gather the controls and leave
// the rest to the controller; replies come back through the show methods.
#include <array>
#include <optional>
#include <string>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "app/Controller.h"
#include "config/MacAddress.h"
#include "ui/TForm1.h"
#include "ui_TForm1.h"

using namespace tarifon;

namespace {

std::string utf8(const QLineEdit* edit) {
    return edit->text().toStdString();
}

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace

void TForm1::connectConfig() {
    const auto onClick = [this](QAbstractButton* button, void (TForm1::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, handler);
    };
    onClick(ui->BtnGetCfg, &TForm1::BtnGetCfgClick);
    onClick(ui->BtnSendCfg, &TForm1::BtnSendCfgClick);
    onClick(ui->BtnGetUpdConfig, &TForm1::BtnGetUpdConfigClick);
    onClick(ui->BtnSendUpdConfig, &TForm1::BtnSendUpdConfigClick);
    onClick(ui->BtnGetParam, &TForm1::BtnGetParamClick);
    onClick(ui->BtnSendParam, &TForm1::BtnSendParamClick);
    onClick(ui->BtnGetWlanConfig, &TForm1::BtnGetWlanConfigClick);
    onClick(ui->BtnSendWlanConfig, &TForm1::BtnSendWlanConfigClick);
    onClick(ui->BtnGetMAC, &TForm1::BtnGetMACClick);
    onClick(ui->BtnAllwaysLive, &TForm1::BtnAllwaysLiveClick);
    onClick(ui->BtnCheckLive, &TForm1::BtnCheckLiveClick);
    onClick(ui->BtnRestartSoft, &TForm1::BtnRestartSoftClick);
    onClick(ui->BtnUpdSoft, &TForm1::BtnUpdSoftClick);
}

// ---- Network ----------------------------------------------------------------

void TForm1::BtnGetCfgClick() {
    m_controller->request(TerminalRequest::Config);
}

// Edit21, the display time, is the record's last field; Edit22 and Edit23 are texts 3
// and 4.
void TForm1::BtnSendCfgClick() {
    const NetConfig net{.server = utf8(ui->Edit16),
                        .terminal = utf8(ui->Edit17),
                        .netmask = utf8(ui->Edit18),
                        .text1 = utf8(ui->Edit19),
                        .text2 = utf8(ui->Edit20),
                        .text3 = utf8(ui->Edit22),
                        .text4 = utf8(ui->Edit23)};
    m_controller->sendNetConfig(net, ui->Edit21->text());
}

void TForm1::showNetConfig(const NetConfig& net) {
    ui->Edit16->setText(text(net.server));
    ui->Edit17->setText(text(net.terminal));
    ui->Edit18->setText(text(net.netmask));
    ui->Edit19->setText(text(net.text1));
    ui->Edit20->setText(text(net.text2));
    ui->Edit22->setText(text(net.text3));
    ui->Edit23->setText(text(net.text4));
    ui->Edit21->setText(QString::number(net.displayTime));
}

// ---- Update server: Edit11 is hidden, Edit13, Edit14 and Edit_Teste_15 lie below the
// group's edge; replies fill them all the same.

void TForm1::BtnGetUpdConfigClick() {
    m_controller->request(TerminalRequest::UpdConfig);
}

// The fields out of sight go back as the terminal replied them, not from their edits.
void TForm1::BtnSendUpdConfigClick() {
    m_controller->sendUpdConfig(utf8(ui->Edit10), utf8(ui->Edit12));
}

void TForm1::showUpdConfig(const UpdConfig& upd) {
    ui->Edit10->setText(text(upd.gateway));
    ui->Edit11->setText(text(upd.nameServer));
    ui->Edit12->setText(text(upd.terminalName));
    ui->Edit13->setText(text(upd.updateServer));
    ui->Edit14->setText(text(upd.user));
    ui->Edit_Teste_15->setText(text(upd.password));
}

// ---- Extras -----------------------------------------------------------------

void TForm1::BtnGetParamClick() {
    m_controller->request(TerminalRequest::Param);
}

void TForm1::BtnSendParamClick() {
    m_controller->sendExtras(
        {.dynamicIp = ui->CBdynamicip->isChecked(), .findServer = ui->CBfindserver->isChecked()});
}

void TForm1::showExtras(const Extras& extras) {
    ui->CBdynamicip->setChecked(extras.dynamicIp);
    ui->CBfindserver->setChecked(extras.findServer);
}

// ---- Wi-Fi ------------------------------------------------------------------

void TForm1::BtnGetWlanConfigClick() {
    m_controller->request(TerminalRequest::WlanConfig);
}

void TForm1::BtnSendWlanConfigClick() {
    const WlanConfig wlan{.enabled = ui->GrpEnbWiFi->itemIndex(),
                          .mode = ui->GrpModeWiFi->itemIndex(),
                          .ssid = utf8(ui->EDssid),
                          .wep = ui->GrpWEPWiFi->itemIndex(),
                          .wepKey = utf8(ui->EDwepkey)};
    m_controller->sendWlanConfig(wlan, ui->CBchannel->currentText());
}

void TForm1::showWlanConfig(const WlanConfig& wlan) {
    ui->GrpEnbWiFi->setItemIndex(wlan.enabled);
    ui->GrpModeWiFi->setItemIndex(wlan.mode);
    ui->EDssid->setText(text(wlan.ssid));
    ui->CBchannel->setCurrentText(QString::number(wlan.channel));
    ui->GrpWEPWiFi->setItemIndex(wlan.wep);
    ui->EDwepkey->setText(text(wlan.wepKey));
}

// ---- MAC address (on the page whose tab is removed) ---------------------------

void TForm1::BtnGetMACClick() {
    m_controller->requestMacAddress(ui->GrpIFace->itemIndex());
}

// The interface shows as its code and the current text of its "Interface" item; a
// code that names no item leaves the edit as it was.
void TForm1::showMacAddress(const MacAddress& mac) {
    ui->EDmacaddr->setText(text(mac.text));
    if (const std::optional<int> item = macReplyItem(mac.interfaceCode)) {
        ui->EDiface->setText(QString::number(*item) + QStringLiteral(": ") +
                             ui->GrpIFace->itemText(*item));
    }
}

// ---- Where each group's values came from ----------------------------------------

// At the right end of the group's title row, as wide as its text; red while another
// terminal is selected.
void TForm1::showConfigOrigin(ConfigGroup group, const QString& text, bool notSelected) {
    const std::array<QLabel*, kConfigGroups> labels = {ui->LabFromCfg, ui->LabFromUpdConfig,
                                                       ui->LabFromParam, ui->LabFromWlanConfig,
                                                       ui->LabFromMAC};
    QLabel* label = labels.at(static_cast<size_t>(group));
    QPalette palette = label->parentWidget()->palette();
    if (notSelected)
        palette.setColor(QPalette::WindowText, QColor(192, 0, 0));
    label->setPalette(palette);
    label->setText(text);
    label->adjustSize();
    label->move(label->parentWidget()->width() - label->width() - 8, label->y());
    label->setVisible(!text.isEmpty());
}

bool TForm1::confirm(const QString& caption, const QString& text) {
    return dialogs().question(caption, text, QMessageBox::No) == QMessageBox::Yes;
}

// ---- Maintenance commands (on the page whose tab is removed) -----------------

void TForm1::BtnAllwaysLiveClick() {
    m_controller->request(TerminalRequest::AllwaysLive);
}

void TForm1::BtnCheckLiveClick() {
    m_controller->request(TerminalRequest::CheckLive);
}

void TForm1::BtnRestartSoftClick() {
    m_controller->request(TerminalRequest::RestartSoft);
}

void TForm1::BtnUpdSoftClick() {
    m_controller->request(TerminalRequest::UpdateSoftware);
}
