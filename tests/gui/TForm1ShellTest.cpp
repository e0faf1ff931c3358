// The operator shell in the window: the language loader and its menu items, the
// notification-area icon and the window's visibility, and the autostart entry.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
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

const QString kNoTray =
    s("Sem área de notificação nesta área de trabalho: a janela continua visível.");

class ShellWindow : public ::testing::Test {
protected:
    void SetUp() override {
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        form.setDialogs(std::move(scripted));
    }
    void put(const QString& name, const QByteArray& bytes) {
        QFile file(m_dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // Start-up as main() runs it; `tray` says whether the desktop has a notification area.
    void start(const QByteArray& settings, std::optional<bool> tray) {
        put(s("de501.ini"), settings);
        if (tray)
            form.setTrayAvailability([tray] { return *tray; });
        form.FormCreate();
        if (form.controller().showAtStart() && !form.isVisible())
            form.show();
    }
    qsizetype icons() const { return form.findChildren<QSystemTrayIcon*>().size(); }
    QString firstItemWhenOpened() {
        emit form.trayIcon()->activated(QSystemTrayIcon::Context);
        EXPECT_TRUE(form.pm_Barra_Tarefas->isVisible());
        form.pm_Barra_Tarefas->close();
        return form.mp_Exibir->text();
    }

    QTemporaryDir m_dir;
    FakeTerminalLibrary library;
    TForm1 form{library, m_dir.path()};
    ScriptedDialogs* dialogs = nullptr;
};

QString targetText(const TForm1& form, const LangTarget& target, const stlang& texts) {
    if (target.kind == LangTarget::Kind::Alert)
        return texts.*target.alert;
    QObject* c = control<QObject>(form, target.control);
    switch (target.kind) {
        case LangTarget::Kind::Page:
            return form.pageCaption(qobject_cast<QWidget*>(c));
        case LangTarget::Kind::Item:
            return qobject_cast<RadioGroup*>(c)->itemText(target.index);
        case LangTarget::Kind::Header:
            return qobject_cast<QTableWidget*>(c)->item(0, target.index)->text();
        case LangTarget::Kind::Hint:
            return qobject_cast<QWidget*>(c)->toolTip();
        default:
            break;
    }
    if (auto* group = qobject_cast<QGroupBox*>(c))
        return group->title();
    if (auto* menu = qobject_cast<QMenu*>(c))
        return menu->title();
    return c->property("text").toString();  // labels, buttons and menu items
}

// Every target's text, entry by entry.
std::map<std::string, QStringList> windowTexts(const TForm1& form) {
    std::map<std::string, QStringList> texts;
    for (const LangEntry& entry : languageEntries())
        for (const LangTarget& target : entry.targets)
            texts[entry.key].append(targetText(form, target, form.languageTexts()));
    return texts;
}

}  // namespace

TEST_F(ShellWindow, LoaderAppliesEachEntryToAllItsTargets) {
    struct Case {
        const char* name;
        const char* file;  // nullptr: no language file
        bool english;
        std::vector<std::pair<const char*, const char*>> expected;  // key -> every target's text
    };
    const std::vector<Case> cases = {
        {"no file",
         nullptr,
         false,
         {{"tabrecv", "Received"},
          {"tabconfig", "Configuration"},
          {"pdrrecv", "Receive"},
          {"grpimsg", " Texto Rápido"},
          {"labtcname", "Nome T."},
          {"serverstarfail", "Fail starting server."}}},
        {"letter case, quotes, the key spelt like the field",
         "[hint]\nDLBCLICKIMAGE=Dica\n[ALERT]\nserverstartfail=x\n[Config]\n"
         "GrpIMsg=\"  Rápida  \"\n[MESSAGES]\ngrpifacea='Fio'\n",
         true,
         {{"dlbclickimage", "Dica"},
          {"serverstarfail", "Fail starting server."},
          {"grpimsg", "  Rápida  "},
          {"grpifacea", "Fio"},
          {"grpifacec", "Current"}}},
        {"empty values",
         "[DEFAULT]\npdrrecv=\npdrsend= \n",
         false,
         {{"pdrrecv", ""}, {"pdrsend", ""}, {"pdradd", "Add"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        TForm1 window(library, dir.path());
        const QString name = c.english ? s("lg_eng.ini") : s("lg_port.ini");
        if (c.file) {
            QFile file(dir.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.file);
        }
        const auto choose = c.english ? &TForm1::English1Click : &TForm1::Portugues1Click;
        (window.*choose)();
        const auto texts = windowTexts(window);
        for (const auto& [key, text] : c.expected)
            for (const QString& applied : texts.at(key))
                EXPECT_EQ(applied, s(text)) << key;
        EXPECT_EQ(control<RadioGroup>(window, "GrpIFace")->itemIndex(), 2);
        EXPECT_EQ(control<QAction>(window, "English1")->isChecked(), c.english);
        EXPECT_EQ(control<QAction>(window, "Portugues1")->isChecked(), !c.english);
        EXPECT_EQ(window.languageFile(), name);
        (window.*choose)();
        EXPECT_EQ(windowTexts(window), texts);
    }
}

TEST_F(ShellWindow, ShippedLanguageFilesAreCompleteAndSwitchBothWays) {
    for (const QString& name : {s("lg_port.ini"), s("lg_eng.ini")}) {
        ASSERT_TRUE(QFile::copy(s(TARIFON_SOURCE_DIR "/data/") + name, m_dir.filePath(name)));
        for (const LangEntry& entry : languageEntries())
            EXPECT_NE(IniFile::readString(m_dir.filePath(name), s(entry.section), s(entry.key),
                                          s("\x01")),
                      s("\x01"))
                << name.toStdString() << " lacks " << entry.key;
    }
    form.show();
    form.English1Click();
    EXPECT_EQ(windowTexts(form).at("tabconfig"), QStringList{s("Configuration")});
    form.Portugues1Click();
    const auto texts = windowTexts(form);
    EXPECT_EQ(texts.at("tabrecv"), QStringList{s("Recebidos")});
    EXPECT_EQ(texts.at("grpimsg"), QStringList{s(" Mensagem Rápida ")});
    EXPECT_FALSE(control<QAction>(form, "English1")->isChecked());
}

TEST_F(ShellWindow, WithoutNotificationAreaTheWindowStaysAndTheLogSaysWhyOnce) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());  // offscreen has none
    start("[CAMINHO]\nbd=/srv/pdv.fdb\n[INICIAR]\n=1\n", std::nullopt);
    EXPECT_TRUE(form.isVisible());
    form.O1Click();
    form.mp_Exibir->trigger();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(icons(), 0);
    EXPECT_EQ(control<QPlainTextEdit>(form, "MemoRecv")->toPlainText().count(kNoTray), 1);
}

TEST_F(ShellWindow, StartsHiddenAndComesBackFromTheOneIcon) {
    start("[CAMINHO]\nbd=/srv/pdv.fdb\n[INICIAR]\n=1\n", true);
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(icons(), 1);
    EXPECT_EQ(form.trayIcon()->toolTip(), s("Orvanta - Tarifon"));
    EXPECT_FALSE(form.trayIcon()->icon().isNull());
    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::MiddleClick})
        emit form.trayIcon()->activated(reason);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.pm_Barra_Tarefas->isVisible());
    EXPECT_EQ(firstItemWhenOpened(), s("Exibir"));

    emit form.trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(control<QTabWidget>(form, "PageControl1")->count(), 3);
    EXPECT_EQ(firstItemWhenOpened(), s("Ocultar"));
    form.mp_Exibir->trigger();
    EXPECT_FALSE(form.isVisible());
    form.mp_Exibir->trigger();
    EXPECT_TRUE(form.isVisible());
    control<QAction>(form, "O1")->trigger();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(icons(), 1);
}

TEST_F(ShellWindow, EmptyPathKeepsTheWindowBesideTheIcon) {
    start("[INICIAR]\n=1\n", true);
    EXPECT_EQ(dialogs->messages().size(), 1u);
    EXPECT_TRUE(form.controller().showAtStart());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(icons(), 1);
}

// Hidden without an icon, the window could never be brought back.
TEST_F(ShellWindow, HidingFromTheContextMenuAddsTheIconFirst) {
    start("[CAMINHO]\nbd=/srv/pdv.fdb\n", true);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(icons(), 0);
    form.pm_Barra_Tarefas->popup(QPoint(10, 10));
    form.pm_Barra_Tarefas->close();
    EXPECT_EQ(form.mp_Exibir->text(), s("Ocultar"));
    form.mp_Exibir->trigger();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(icons(), 1);
}

TEST_F(ShellWindow, AutostartEntryIsAskedForWrittenReplacedAndRemoved) {
    const AutostartEntry entry(m_dir.path());
    form.controller().setAutostartFolder(m_dir.path());
    dialogs->answerNext(QMessageBox::No);
    form.A1->trigger();
    EXPECT_FALSE(entry.exists());
    const MessageRequest& ask = dialogs->messages().at(0);
    EXPECT_EQ(ask.caption, s("Confirm"));
    EXPECT_EQ(ask.icon, MessageIcon::Question);
    EXPECT_EQ(ask.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(ask.defaultButton, QMessageBox::Yes);
    EXPECT_TRUE(ask.centredOnScreen);
    EXPECT_EQ(ask.text, s("Deseja realmente Iniciar o Tarifon automaticamente quando o Linux "
                          "for Iniciado ?"));

    form.A1->trigger();
    form.A1->trigger();
    QFile file(entry.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), AutostartEntry::contents(QCoreApplication::applicationFilePath()));
    form.D1->trigger();
    form.D1->trigger();
    EXPECT_FALSE(entry.exists());
    EXPECT_EQ(dialogs->messages().back().text,
              s("Deseja realmente remover o Tarifon da inicialização automática do Linux ?"));
    EXPECT_EQ(dialogs->messages().size(), 5u);  // questions only: nothing reports success

    form.controller().setAutostartFolder(m_dir.filePath(s("no rights")));
    form.A1->trigger();
    EXPECT_EQ(dialogs->messages().back().caption, s("Tarifon"));
    EXPECT_EQ(dialogs->messages().back().icon, MessageIcon::Error);
    EXPECT_EQ(dialogs->messages().back().text, s("Failed to set data for 'Tarifon'"));
}
