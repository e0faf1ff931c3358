#include "ui/Lang.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>

#include "app/Controller.h"
#include "platform/IniFile.h"
#include "ui/RadioGroup.h"
#include "ui/TForm1.h"

using namespace tarifon;

namespace {

using K = LangTarget::Kind;

LangTarget caption(const char* control) {
    return {K::Caption, control};
}

LangTarget item(const char* group, int index) {
    return {K::Item, group, index};
}

LangTarget alert(QString stlang::*field) {
    return {K::Alert, nullptr, 0, field};
}

LangTarget configText(QString ConfigTexts::*field) {
    return {K::Text, nullptr, 0, nullptr, field};
}

LangTarget consoleText(std::string console::ConsoleTexts::*field) {
    return {K::Console, nullptr, 0, nullptr, nullptr, field};
}

void setCaption(QObject* control, const QString& text) {
    if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* menu = qobject_cast<QMenu*>(control)) {
        menu->setTitle(text);
    } else if (auto* action = qobject_cast<QAction*>(control)) {
        action->setText(text);
    }
}

void apply(TForm1& window, const LangTarget& target, const QString& text, stlang& texts) {
    if (target.kind == K::Alert) {
        texts.*target.alert = text;
        return;
    }
    if (target.kind == K::Text) {
        window.controller().configTexts().*target.text = text;
        return;
    }
    if (target.kind == K::Console) {
        window.controller().consoleTexts().*target.consoleText = text.toStdString();
        return;
    }
    QObject* control = window.findChild<QObject*>(QString::fromLatin1(target.control));
    if (control == nullptr) {
        qWarning("language: no control named %s", target.control);
        return;
    }
    switch (target.kind) {
        case K::Caption:
            setCaption(control, text);
            break;
        case K::Page:
            window.setPageCaption(qobject_cast<QWidget*>(control), text);
            break;
        case K::Item:
            if (auto* group = qobject_cast<RadioGroup*>(control)) {
                group->setItemText(target.index, text);
            }
            break;
        case K::Header:
            if (auto* grid = qobject_cast<QTableWidget*>(control)) {
                if (grid->item(0, target.index) == nullptr) {
                    grid->setItem(0, target.index, new QTableWidgetItem);
                }
                grid->item(0, target.index)->setText(text);
            }
            break;
        case K::Hint:
            if (auto* widget = qobject_cast<QWidget*>(control)) {
                widget->setToolTip(text);
            }
            break;
        case K::Alert:
        case K::Text:
        case K::Console:
            break;
    }
}

}  // namespace

const std::vector<LangEntry>& languageEntries() {
    static const std::vector<LangEntry> entries = {
        {"TABS", "tabrecv", "Received", {{K::Page, "TabSheet4"}}},
        {"TABS", "tabmsg", "Messages", {{K::Page, "TabSheet2"}}},
        {"TABS", "tabconfig", "Configuration", {{K::Page, "TabSheet6"}}},
        {"ALERT", "chooseterminal", "Choose a Terminal.", {alert(&stlang::chooseterminal)}},
        // The file's key lacks the "t" of "start"; the field has it.
        {"ALERT", "serverstarfail", "Fail starting server.", {alert(&stlang::serverstartfail)}},
        {"ALERT", "serverstartok", "Server started successfully.", {alert(&stlang::serverstartok)}},
        {"MENU", "language", "Language", {caption("Language1")}},
        {"MENU", "language1", "Portuguese", {caption("Portugues1")}},
        {"MENU", "language2", "English", {caption("English1")}},
        {"DEFAULT",
         "pdrrecv",
         "Receive",
         {caption("BtnGetCfg"), caption("BtnGetUpdConfig"), caption("BtnGetParam"),
          caption("BtnGetMAC"), caption("BtnGetWlanConfig")}},
        {"DEFAULT",
         "pdrsend",
         "Send",
         {caption("BtnSendCfg"), caption("BtnSendUpdConfig"), caption("BtnSendParam"),
          caption("BtnSendWlanConfig")}},
        {"DEFAULT", "pdradd", "Add", {caption("BtnImgAdd")}},
        {"DEFAULT", "pdrdel", "Delete", {caption("BtnImgDel")}},
        {"DEFAULT", "pdrreload", "Reload", {caption("BtnImgRel")}},
        {"DEFAULT", "pdrsave", "Save", {caption("BtnImgSave")}},
        {"RECEIVED", "btnclear", "Clear", {caption("BtnClearMemo")}},
        {"CONFIG", "grpethernet", "Ethernet", {caption("GrpEthernet")}},
        {"CONFIG", "labservip", "Server IP", {caption("LabServIP")}},
        {"CONFIG", "labcliip", "Terminal IP", {caption("LabCliIP")}},
        {"CONFIG", "labnetmask", "Netmask", {caption("LabNetMask")}},
        {"CONFIG", "labtext1", "Text 1", {caption("LabText1")}},
        {"CONFIG", "labtext2", "Text 2", {caption("LabText2")}},
        {"CONFIG", "labtext3", "Text 3", {caption("LabText3")}},
        {"CONFIG", "labtext4", "Text 4", {caption("LabText4")}},
        {"CONFIG", "labtimeexi", "Time Exib", {caption("LabTimeExi")}},
        {"CONFIG", "grpcfg", "Configuration", {caption("GrpUpdate")}},
        {"CONFIG", "labgateway", "Gateway", {caption("LabGateway")}},
        {"CONFIG", "labnameserver", "Nameserver", {caption("LabNameServer")}},
        {"CONFIG", "labtcname", "Nome T.", {caption("LabTCName")}},
        {"CONFIG", "labsrv", "Server", {caption("LabSrv")}},
        {"CONFIG", "labusr", "User", {caption("LabUsr")}},
        {"CONFIG", "labpass", "Password", {caption("LabPass")}},
        {"CONFIG", "grpextra", "Extras", {caption("GrpExtras")}},
        {"CONFIG", "cbdynamicip", "Dynamic IP", {caption("CBdynamicip")}},
        {"CONFIG", "cbfindserver", "Auto Server", {caption("CBfindserver")}},
        // Reaches the group without its trailing blanks, as every default does.
        {"CONFIG", "grpimsg", " Texto Rápido  ", {caption("GrpIMsg")}},
        {"MESSAGES", "labline1", "Line 1", {caption("LabLine1")}},
        {"MESSAGES", "labline2", "Line 2", {caption("LabLine2")}},
        {"MESSAGES", "labtimeex", "Time Exib", {caption("LabTimeEx")}},
        {"MESSAGES", "btnallwayslive", "Allways Live", {caption("BtnAllwaysLive")}},
        {"MESSAGES", "btnchecklive", "Check Live", {caption("BtnCheckLive")}},
        {"MESSAGES", "btnrstsoft", "Restart Soft", {caption("BtnRestartSoft")}},
        {"MESSAGES", "btnupdsoft", "Update Soft", {caption("BtnUpdSoft")}},
        {"MESSAGES", "grpiimg", "Instant Image", {caption("GrpIImg")}},
        {"MESSAGES", "btniimgfont", "Font", {caption("BtnIImgFont")}},
        {"MESSAGES", "btniimgsave", "Save", {caption("BtnIImgSave")}},
        {"MESSAGES", "btniimgclear", "Clear", {caption("BtnIImgClear")}},
        {"MESSAGES", "grpmac", "MAC Address", {caption("GrpMAC")}},
        {"MESSAGES", "labmac", "MAC Address", {caption("LabMAC")}},
        {"MESSAGES", "labiface", "Interface", {caption("LabIFace")}},
        {"MESSAGES", "grpiface", "Interface", {caption("GrpIFace")}},
        {"MESSAGES", "grpifacea", "Wired", {item("GrpIFace", 0)}},
        {"MESSAGES", "grpifaceb", "Wireless", {item("GrpIFace", 1)}},
        {"MESSAGES", "grpifacec", "Current", {item("GrpIFace", 2)}},
        {"IMAGES", "tabimgfilename", "Filename", {{K::Header, "StringGrid3", 0}}},
        {"IMAGES", "tabimgloop", "Loop", {{K::Header, "StringGrid3", 1}}},
        {"IMAGES", "tabimgpause", "Pause", {{K::Header, "StringGrid3", 2}}},
        {"HINT",
         "dlbclickimage",
         "Double Click to Load an Image",
         {{K::Hint, "EdtIImg"}, {K::Hint, "StringGrid3"}, {K::Hint, "Image1"}}},
        {"WIFI", "grpwifi", "WiFi", {caption("GrpWiFi")}},
        {"WIFI", "grpenbwifi", "Enable WiFi", {caption("GrpEnbWiFi")}},
        {"WIFI", "grpenbwifia", "Disable", {item("GrpEnbWiFi", 0)}},
        {"WIFI", "grpenbwifib", "Enable", {item("GrpEnbWiFi", 1)}},
        {"WIFI", "grpmodewifi", "Mode", {caption("GrpModeWiFi")}},
        {"WIFI", "grpmodewifia", "Managed", {item("GrpModeWiFi", 0)}},
        {"WIFI", "grpmodewifib", "Ad-Hoc", {item("GrpModeWiFi", 1)}},
        {"WIFI", "grpwepwifi", "WEP", {caption("GrpWEPWiFi")}},
        {"WIFI", "grpwepwifia", "Disable", {item("GrpWEPWiFi", 0)}},
        {"WIFI", "grpwepwifib", "Enable", {item("GrpWEPWiFi", 1)}},
        {"WIFI", "labwepwifi", "WEP", {caption("LabWEPWiFi")}},
        // Ours beside the 69 of the files as first made: where a configuration group's values
        // came from, and the checks of a write.
        {"CONFIG", "origin", "from %1", {configText(&ConfigTexts::origin)}},
        {"CONFIG", "confirmcaption", "Confirm", {configText(&ConfigTexts::confirmCaption)}},
        {"CONFIG",
         "confirmsend",
         "These values were read from terminal %1. Send them to terminal %2?",
         {configText(&ConfigTexts::confirmWrite)}},
        {"CONFIG",
         "receivefirst",
         "First press \"Receive\" with terminal %1 chosen: the write also carries the update "
         "server, the user and the password, which the window does not show and which only "
         "that terminal can give.",
         {configText(&ConfigTexts::receiveFirst)}},
        // The status page served on the web port, in the window's language.
        {"STATUS", "statuslanguage", "en", {consoleText(&console::ConsoleTexts::language)}},
        {"STATUS", "statustitle", "Tarifon status", {consoleText(&console::ConsoleTexts::title)}},
        {"STATUS",
         "statusterminals",
         "Connected terminals",
         {consoleText(&console::ConsoleTexts::terminals)}},
        {"STATUS",
         "statusnoterminals",
         "No terminal is connected.",
         {consoleText(&console::ConsoleTexts::noTerminals)}},
        {"STATUS", "statusaddress", "Address", {consoleText(&console::ConsoleTexts::address)}},
        {"STATUS", "statusmodel", "Model", {consoleText(&console::ConsoleTexts::model)}},
        {"STATUS",
         "statustransport",
         "Transport",
         {consoleText(&console::ConsoleTexts::transport)}},
        {"STATUS",
         "statusconnectedsince",
         "Connected since",
         {consoleText(&console::ConsoleTexts::connectedSince)}},
        {"STATUS", "statuslastscan", "Last scan", {consoleText(&console::ConsoleTexts::lastScan)}},
        {"STATUS", "statusanswer", "Answer", {consoleText(&console::ConsoleTexts::answer)}},
        {"STATUS",
         "statuschart",
         "Scans per minute, last hour",
         {consoleText(&console::ConsoleTexts::chart)}},
        {"STATUS",
         "statuscounts",
         "Scans since start",
         {consoleText(&console::ConsoleTexts::counts)}},
        {"STATUS", "statusfound", "Found", {consoleText(&console::ConsoleTexts::found)}},
        {"STATUS", "statusnotfound", "Not found", {consoleText(&console::ConsoleTexts::notFound)}},
        {"STATUS", "statusfailed", "Failed", {consoleText(&console::ConsoleTexts::failed)}},
        {"STATUS", "statusdatabase", "Database", {consoleText(&console::ConsoleTexts::database)}},
        {"STATUS", "statuspath", "Path", {consoleText(&console::ConsoleTexts::path)}},
        {"STATUS",
         "statuslastresult",
         "Last access",
         {consoleText(&console::ConsoleTexts::lastResult)}},
        {"STATUS", "statusok", "succeeded", {consoleText(&console::ConsoleTexts::ok)}},
        {"STATUS", "statusnoaccess", "none yet", {consoleText(&console::ConsoleTexts::noAccess)}},
        {"STATUS",
         "statustopnotfound",
         "Codes most often not found",
         {consoleText(&console::ConsoleTexts::topNotFound)}},
        {"STATUS", "statuscode", "Code", {consoleText(&console::ConsoleTexts::code)}},
        {"STATUS", "statustimes", "Times", {consoleText(&console::ConsoleTexts::times)}},
        {"STATUS", "statuseventlog", "Event log", {consoleText(&console::ConsoleTexts::eventLog)}},
        {"STATUS",
         "statusstarted",
         "Running since",
         {consoleText(&console::ConsoleTexts::started)}},
    };
    return entries;
}

void LoadLang(TForm1& window, const QString& fileName, stlang& texts) {
    // Read once and let go, as the file is not needed after.
    const IniFile file = IniFile::load(window.controller().besideProgram(fileName));
    for (const LangEntry& entry : languageEntries()) {
        const QString text =
            file.value(QString::fromLatin1(entry.section), QString::fromLatin1(entry.key),
                       QString::fromUtf8(entry.builtIn));
        for (const LangTarget& target : entry.targets) {
            apply(window, target, text, texts);
        }
    }
    window.controller().showConfigOrigins();
}
