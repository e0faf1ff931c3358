// The operator shell in the window: the language loader and its menu items, the
// notification-area icon and the window's visibility, and the autostart entry.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QMap>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTemporaryDir>

#include "app/Controller.h"
#include "platform/AutostartEntry.h"
#include "platform/IniFile.h"
#include "support/Controls.h"
#include "support/FakeTerminalLibrary.h"
#include "support/ScriptedDialogs.h"
#include "support/Utf8.h"
#include "ui/RadioGroup.h"
#include "ui/TForm1.h"

using namespace tarifon;

namespace {

struct Window {
    explicit Window(std::optional<bool> tray = std::nullopt) {
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        form.setDialogs(std::move(scripted));
        if (tray)
            form.setTrayAvailability([tray] { return *tray; });
    }
    void put(const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(s(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    void start(const QByteArray& settings) {
        put("de501.ini", settings);
        form.FormCreate();
        if (form.controller().showAtStart() && !form.isVisible())
            form.show();
    }
    qsizetype icons() const { return form.findChildren<QSystemTrayIcon*>().size(); }
    QString firstItemOnRightPress() {
        emit form.trayIcon()->activated(QSystemTrayIcon::Context);
        EXPECT_TRUE(form.pm_Barra_Tarefas->isVisible());
        form.pm_Barra_Tarefas->close();
        return form.mp_Exibir->text();
    }

    QTemporaryDir dir;
    FakeTerminalLibrary library;
    TForm1 form{library, dir.path()};
    ScriptedDialogs* dialogs = nullptr;
};

// Where the files' entries go, named here and not taken from the program's table: the control
// named like the key (letter case aside) unless listed; "Name?" a tooltip, "Name#i" radio item
// or header cell i, "@i" the alerts, then the configuration texts, in their fields' order; "%i"
// the status page's texts, in their fields' order.
const char* const kTargets =
    "tabrecv=TabSheet4 tabmsg=TabSheet2 tabconfig=TabSheet6 chooseterminal=@0 serverstarfail=@1 "
    "serverstartok=@2 language=Language1 language1=Portugues1 language2=English1 "
    "pdrrecv=BtnGetCfg,BtnGetUpdConfig,BtnGetParam,BtnGetMAC,BtnGetWlanConfig "
    "pdrsend=BtnSendCfg,BtnSendUpdConfig,BtnSendParam,BtnSendWlanConfig pdradd=BtnImgAdd "
    "pdrdel=BtnImgDel pdrreload=BtnImgRel pdrsave=BtnImgSave btnclear=BtnClearMemo "
    "grpcfg=GrpUpdate grpextra=GrpExtras btnrstsoft=BtnRestartSoft grpifacea=GrpIFace#0 "
    "grpifaceb=GrpIFace#1 grpifacec=GrpIFace#2 tabimgfilename=StringGrid3#0 "
    "tabimgloop=StringGrid3#1 tabimgpause=StringGrid3#2 "
    "dlbclickimage=EdtIImg?,StringGrid3?,Image1? "
    "grpenbwifia=GrpEnbWiFi#0 grpenbwifib=GrpEnbWiFi#1 grpmodewifia=GrpModeWiFi#0 "
    "grpmodewifib=GrpModeWiFi#1 grpwepwifia=GrpWEPWiFi#0 grpwepwifib=GrpWEPWiFi#1 origin=@3 "
    "confirmcaption=@4 confirmsend=@5 receivefirst=@6 "
    "statuslanguage=%0 statustitle=%1 statusterminals=%2 statusnoterminals=%3 statusaddress=%4 "
    "statusmodel=%5 statustransport=%6 statusconnectedsince=%7 statuslastscan=%8 "
    "statusanswer=%9 statuschart=%10 statuscounts=%11 statusfound=%12 statusnotfound=%13 "
    "statusfailed=%14 statusdatabase=%15 statuspath=%16 statuslastresult=%17 statusok=%18 "
    "statusnoaccess=%19 statustopnotfound=%20 statuscode=%21 statustimes=%22 "
    "statuseventlog=%23 statusstarted=%24";

QString shown(TForm1& form, const QString& target) {
    const stlang& a = form.languageTexts();
    const ConfigTexts& c = form.controller().configTexts();
    if (target.startsWith(u'%')) {
        const auto& t = form.controller().consoleTexts();
        const std::string* texts[] = {
            &t.language,    &t.title,     &t.terminals,      &t.noTerminals, &t.address,
            &t.model,       &t.transport, &t.connectedSince, &t.lastScan,    &t.answer,
            &t.chart,       &t.counts,    &t.found,          &t.notFound,    &t.failed,
            &t.database,    &t.path,      &t.lastResult,     &t.ok,          &t.noAccess,
            &t.topNotFound, &t.code,      &t.times,          &t.eventLog,    &t.started};
        return QString::fromStdString(*texts[target.mid(1).toInt()]);
    }
    if (target.startsWith(u'@'))
        return QStringList{a.chooseterminal, a.serverstartfail, a.serverstartok, c.origin,
                           c.confirmCaption, c.confirmWrite,    c.receiveFirst}
            .at(target.mid(1).toInt());
    QObject* o = control<QObject>(form, qPrintable(target.section(u'#', 0, 0).remove(u'?')));
    if (target.endsWith(u'?'))
        return o->property("toolTip").toString();
    if (const int index = target.section(u'#', 1).toInt(); target.contains(u'#')) {
        if (auto* grid = qobject_cast<QTableWidget*>(o))
            return grid->item(0, index)->text();
        return qobject_cast<RadioGroup*>(o)->itemText(index);
    }
    if (target.startsWith(s("TabSheet")))
        return form.pageCaption(qobject_cast<QWidget*>(o));
    const bool titled = qobject_cast<QGroupBox*>(o) || qobject_cast<QMenu*>(o);
    return o->property(titled ? "title" : "text").toString();
}

// Every target's text, by key.
std::map<std::string, QStringList> windowTexts(TForm1& form) {
    QMap<QString, QString> listed;
    for (const QObject* o : form.findChildren<QObject*>())
        listed[o->objectName().toLower()] = o->objectName();
    for (const QString& entry : s(kTargets).split(u' '))
        listed[entry.section(u'=', 0, 0)] = entry.section(u'=', 1);
    std::map<std::string, QStringList> texts;
    for (const LangEntry& entry : languageEntries())
        for (const QString& target : listed.value(s(entry.key), s(entry.key)).split(u','))
            texts[entry.key].append(shown(form, target));
    return texts;
}

}  // namespace

TEST(ShellLanguages, LoaderAppliesEachEntryToAllItsTargets) {
    // name, the language file (nullptr: none), English or Portuguese chosen, and "key=text|..."
    // where every target of each key shows its text
    const std::vector<std::tuple<const char*, const char*, bool, const char*>> cases = {
        {"no file", nullptr, false,
         "tabrecv=Received|tabconfig=Configuration|pdrrecv=Receive|grpimsg= Texto Rápido|"
         "labtcname=Nome T.|serverstarfail=Fail starting server."},
        {"letter case, quotes, the key spelt like the field",
         "[hint]\nDLBCLICKIMAGE=Dica\n[ALERT]\nserverstartfail=x\n[Config]\n"
         "GrpIMsg=\"  Rápida  \"\n[MESSAGES]\ngrpifacea='Fio'\n",
         true,
         "dlbclickimage=Dica|serverstarfail=Fail starting server.|grpimsg=  Rápida  |"
         "grpifacea=Fio|grpifacec=Current"},
        {"empty values", "[DEFAULT]\npdrrecv=\npdrsend= \n", false, "pdrrecv=|pdrsend=|pdradd=Add"},
    };
    for (const auto& [name, file, english, expected] : cases) {
        SCOPED_TRACE(name);
        Window w;
        if (file)
            w.put(english ? "lg_eng.ini" : "lg_port.ini", file);
        const auto choose = english ? &TForm1::English1Click : &TForm1::Portugues1Click;
        (w.form.*choose)();
        const auto texts = windowTexts(w.form);
        for (const QString& pair : s(expected).split(u'|')) {
            const QString key = pair.section(u'=', 0, 0);
            for (const QString& applied : texts.at(key.toStdString()))
                EXPECT_EQ(applied, pair.section(u'=', 1)) << pair.toStdString();
        }
        EXPECT_EQ(control<RadioGroup>(w.form, "GrpIFace")->itemIndex(), 2);
        EXPECT_EQ(control<QAction>(w.form, "English1")->isChecked(), english);
        EXPECT_EQ(control<QAction>(w.form, "Portugues1")->isChecked(), !english);
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                  s(english ? "Cancel" : "Cancelar"));  // Qt's own texts follow
        (w.form.*choose)();
        EXPECT_EQ(windowTexts(w.form), texts);  // loading twice changes nothing more
    }
    Window w;  // each key's value its own name: every target shows the key it belongs to
    for (const LangEntry& entry : languageEntries())
        ASSERT_TRUE(IniFile::writeString(w.dir.filePath(s("lg_eng.ini")), s(entry.section),
                                         s(entry.key), s(entry.key)));
    w.form.English1Click();
    for (const auto& [key, applied] : windowTexts(w.form))
        EXPECT_EQ(applied, QStringList(applied.size(), s(key.c_str()))) << key;
}

// The table of start-up states is the controller's (ControllerTest); the window starts hidden
// with its icon, and without a notification area (offscreen has none) stays and says why once.
TEST(ShellTray, StartUpStatesFollowTheChoiceThePathAndTheNotificationArea) {
    for (const std::optional<bool> tray : {std::optional<bool>(true), std::optional<bool>()}) {
        Window w(tray);
        w.start("[CAMINHO]\nbd=/srv/pdv.fdb\n[INICIAR]\n=1\n");
        EXPECT_EQ(w.form.isVisible(), !tray);
        EXPECT_EQ(w.icons(), tray ? 1 : 0);
        if (!tray) {
            w.form.O1Click();
            w.form.mp_Exibir->trigger();
            EXPECT_TRUE(w.form.isVisible());
            EXPECT_EQ(
                control<QPlainTextEdit>(w.form, "MemoRecv")->toPlainText().count(s("notificação")),
                1);
        }
    }
}

TEST(ShellTray, HiddenAndShownThroughTheOneIcon) {
    Window w(true);
    w.start("[CAMINHO]\nbd=/srv/pdv.fdb\n");
    // Hiding from the context menu adds the icon first: without one there is no way back.
    w.form.pm_Barra_Tarefas->popup(QPoint(10, 10));
    w.form.pm_Barra_Tarefas->close();
    EXPECT_EQ(w.form.mp_Exibir->text(), s("Ocultar"));
    w.form.mp_Exibir->trigger();
    EXPECT_FALSE(w.form.isVisible());
    ASSERT_EQ(w.icons(), 1);
    EXPECT_FALSE(w.form.trayIcon()->icon().isNull());
    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::MiddleClick})
        emit w.form.trayIcon()->activated(reason);
    EXPECT_FALSE(w.form.isVisible());
    EXPECT_EQ(w.firstItemOnRightPress(), s("Exibir"));
    emit w.form.trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(w.form.isVisible());
    EXPECT_EQ(w.firstItemOnRightPress(), s("Ocultar"));
    control<QAction>(w.form, "O1")->trigger();
    EXPECT_FALSE(w.form.isVisible());
    w.form.mp_Exibir->trigger();
    EXPECT_TRUE(w.form.isVisible());
    EXPECT_EQ(w.icons(), 1);
}

TEST(ShellAutostart, EntryIsAskedForWrittenReplacedAndRemoved) {
    Window w;
    const AutostartEntry entry(w.dir.path());
    w.form.controller().setAutostartFolder(w.dir.path());
    w.dialogs->answerNext(QMessageBox::No);
    w.form.A1->trigger();
    EXPECT_FALSE(entry.exists());
    EXPECT_TRUE(w.dialogs->messages().at(0).centredOnScreen);  // the window may be hidden
    w.form.A1->trigger();
    w.form.A1->trigger();
    QFile file(entry.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), AutostartEntry::contents(QCoreApplication::applicationFilePath()));
    EXPECT_TRUE(file.permissions() & QFile::ReadOther);  // every user's session reads it
    w.form.D1->trigger();
    w.form.D1->trigger();  // with no entry left: nothing to say
    EXPECT_FALSE(entry.exists());
    EXPECT_EQ(w.dialogs->messages().size(), 5u);  // questions only: nothing reports success

    w.form.controller().setAutostartFolder(w.dir.filePath(s("no rights")));
    w.form.A1->trigger();
    EXPECT_EQ(w.dialogs->messages().back().text, s("Failed to set data for 'Tarifon'"));
}
