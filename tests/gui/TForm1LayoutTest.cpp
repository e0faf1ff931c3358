// The window as built: every named control with its kind, text, limit and state.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include "support/Controls.h"
#include "support/FakeTerminalLibrary.h"
#include "support/Utf8.h"
#include "ui/Application.h"
#include "ui/LimitedEdit.h"
#include "ui/RadioGroup.h"
#include "ui/StatusLamp.h"
#include "ui/TForm1.h"

using namespace tarifon;

namespace {

struct ExpectedControl {
    const char* name;
    const char* kind;
    QString text;   // caption, title or built-in text
    int limit = 0;  // typing limit of an edit, 0 = none
};

QString textOf(const QWidget* widget) {
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
        return group->title();
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        return edit->text();
    }
    if (auto* memo = qobject_cast<const QPlainTextEdit*>(widget)) {
        return memo->toPlainText();
    }
    return {};
}

// clang-format off
const std::vector<ExpectedControl> kControls = {
    {"PageControl1", "QTabWidget", {}},
    {"Panel1", "QFrame", {}},
    {"SpeedButton1", "QToolButton", s("Sair")},
    {"GroupBox2", "QGroupBox", s(" Terminais Conectados ")},
    {"ListBConec", "QListWidget", {}},
    {"gbx_Fundo", "QGroupBox", {}},
    // Recebidos
    {"TabSheet4", "QWidget", {}},
    {"MemoRecv", "QPlainTextEdit", {}},
    {"BtnClearMemo", "QToolButton", s("Limpar")},
    // Messages
    {"TabSheet2", "QWidget", {}},
    {"BtnAllwaysLive", "QPushButton", s("Allways Live")},
    {"BtnCheckLive", "QPushButton", s("Check Live")},
    {"BtnRestartSoft", "QPushButton", s("Restart Soft")},
    {"BtnUpdSoft", "QPushButton", s("Update Soft")},
    {"GrpIImg", "QGroupBox", s("Instant Image")},
    {"IImg", "QLabel", {}},
    {"EdtIImg", "QLineEdit", {}},
    {"BtnTr1", "QPushButton", s(">")},
    {"BtnTr2", "QPushButton", s(">")},
    {"BtnIImgFont", "QPushButton", s("Font")},
    {"BtnIImgSave", "QPushButton", s("Save")},
    {"BtnIImgClear", "QPushButton", s("Clear")},
    {"BtnIImg", "QPushButton", s(">>")},
    {"GrpMAC", "QGroupBox", s("MAC Address")},
    {"LabMAC", "QLabel", s("MacAddr")},
    {"EDmacaddr", "QLineEdit", {}},
    {"LabIFace", "QLabel", s("Interface")},
    {"EDiface", "QLineEdit", {}},
    {"GrpIFace", "RadioGroup", s("Interface")},
    {"BtnGetMAC", "QPushButton", s("Receive")},
    // Configuração
    {"TabSheet6", "QWidget", {}},
    {"GroupBox1", "QGroupBox", s(" Caminho do banco ")},
    {"edt_Caminho_Banco", "QLineEdit", {}},
    {"SpeedButton2", "QToolButton", {}},
    {"SpeedButton3", "QToolButton", s("Conectar")},
    {"GrpEthernet", "QGroupBox", s(" Rede ")},
    {"LabServIP", "QLabel", s("Servidor")},
    {"Edit16", "LimitedEdit", {}, 15},
    {"LabCliIP", "QLabel", s("Terminal")},
    {"Edit17", "LimitedEdit", {}, 15},
    {"LabNetMask", "QLabel", s("Máscara")},
    {"Edit18", "LimitedEdit", {}, 15},
    {"LabText1", "QLabel", s("Texto 1")},
    {"Edit19", "LimitedEdit", {}, 20},
    {"LabText2", "QLabel", s("Texto 2")},
    {"Edit20", "LimitedEdit", {}, 20},
    {"LabText3", "QLabel", s("Texto 3")},
    {"Edit22", "LimitedEdit", {}, 20},
    {"LabText4", "QLabel", s("Texto 4")},
    {"Edit23", "LimitedEdit", {}, 20},
    {"LabTimeExi", "QLabel", s("Tempo Exib")},
    {"Edit21", "LimitedEdit", {}, 2},
    {"BtnGetCfg", "QToolButton", s("Receber")},
    {"BtnSendCfg", "QToolButton", s("Enviar")},
    {"GrpUpdate", "QGroupBox", s(" Configuração ")},
    {"LabGateway", "QLabel", s("GateWay")},
    {"Edit10", "LimitedEdit", {}, 15},
    {"LabTCName", "QLabel", s("Nome T.")},
    {"Edit12", "LimitedEdit", {}, 20},
    {"LabNameServer", "QLabel", s("S. de Nomes")},
    {"Edit11", "LimitedEdit", {}, 15},
    {"LabSrv", "QLabel", s("Upd. Server")},
    {"LabUsr", "QLabel", s("Usuario")},
    {"LabPass", "QLabel", s("Senha")},
    {"Edit13", "LimitedEdit", {}, 100},
    {"Edit14", "LimitedEdit", {}, 20},
    {"Edit_Teste_15", "LimitedEdit", {}, 20},
    {"BtnGetUpdConfig", "QToolButton", s("Receber")},
    {"BtnSendUpdConfig", "QToolButton", s("Enviar")},
    {"GrpExtras", "QGroupBox", s(" Extras ")},
    {"CBdynamicip", "QCheckBox", s("IP Dinâmico")},
    {"CBfindserver", "QCheckBox", s("Busca Servidor")},
    {"BtnGetParam", "QToolButton", s("Receber")},
    {"BtnSendParam", "QToolButton", s("Enviar")},
    {"RadioGroup1", "QGroupBox", s(" Ocultar o Programa ao Iniciar ")},
    {"rb_Sim", "QRadioButton", s("Sim")},
    {"rb_Não", "QRadioButton", s("Não")},
    {"GrpIMsg", "QGroupBox", s(" Mensagem Rápida ")},
    {"LabLine1", "QLabel", s("Linha 1")},
    {"EdtLine1", "LimitedEdit", s("Grande Promocao!"), 20},
    {"LabLine2", "QLabel", s("Linha 2")},
    {"EdtLine2", "LimitedEdit", s("Nao Perca!!"), 20},
    {"LabTimeEx", "QLabel", s("Tempo Exib")},
    {"EdtTimeEx", "QLineEdit", s("4")},
    {"BtnMsgSend", "QToolButton", s("Enviar")},
    {"GroupBox3", "QGroupBox", s(" Moeda ")},
    {"EdtCurrency", "QLineEdit", s("R$")},
    // Images
    {"TabSheet3", "QWidget", {}},
    {"StringGrid3", "QTableWidget", {}},
    {"Image1", "QLabel", {}},
    {"BtnImgAdd", "QToolButton", s("Adicionar")},
    {"BtnImgDel", "QToolButton", s("Apagar")},
    {"BtnImgRel", "QToolButton", s("Recarregar")},
    {"BtnImgSave", "QToolButton", s("Salvar")},
    {"Button6", "QToolButton", s("Enviar")},
    // WiFi
    {"TabSheet7", "QWidget", {}},
    {"GrpWiFi", "QGroupBox", s(" Configuração WiFi ")},
    {"GrpEnbWiFi", "RadioGroup", s(" Habilitar WiFi ")},
    {"GrpModeWiFi", "RadioGroup", s(" Modo ")},
    {"grp_SSID", "QGroupBox", s(" SSID ")},
    {"EDssid", "QLineEdit", {}},
    {"GroupBox4", "QGroupBox", s(" Canal ")},
    {"CBchannel", "QComboBox", {}},
    {"GrpWEPWiFi", "RadioGroup", s(" Utilizar WEP ")},
    {"GroupBox5", "QGroupBox", s(" WEP ")},
    {"EDwepkey", "QLineEdit", {}},
    {"LabWEPWiFi", "QLabel", {}},
    {"BtnGetWlanConfig", "QToolButton", s("Receber")},
    {"BtnSendWlanConfig", "QToolButton", s("Enviar")},
};
// clang-format on

bool isTinted(const QWidget* widget) {
    return widget->palette().color(QPalette::Base) ==
           widget->palette().color(QPalette::ToolTipBase);
}

}  // namespace

TEST(TForm1Layout, EveryNamedControlHasItsKindTextAndLimit) {
    FakeTerminalLibrary library;
    TForm1 form(library);
    for (const ExpectedControl& expected : kControls) {
        SCOPED_TRACE(expected.name);
        auto* widget = control<QWidget>(form, expected.name);
        EXPECT_TRUE(widget->inherits(expected.kind)) << widget->metaObject()->className();
        EXPECT_EQ(textOf(widget), expected.text);
        if (auto* edit = qobject_cast<LimitedEdit*>(widget)) {
            EXPECT_EQ(edit->typingLimit(), expected.limit);
        }
    }
    for (int i = 1; i <= 12; ++i) {
        auto* lamp = form.findChild<StatusLamp*>(QStringLiteral("Shape%1").arg(i));
        ASSERT_NE(lamp, nullptr) << i;
        EXPECT_EQ(lamp->color(), StatusLamp::kGreen) << i;
        const int side = (i == 10 || i == 11) ? 16 : 15;
        EXPECT_EQ(lamp->size(), QSize(side, side)) << i;
    }
}

TEST(TForm1Layout, InitialStatesMatchTheLayout) {
    FakeTerminalLibrary library;
    TForm1 form(library);
    EXPECT_TRUE(control<QRadioButton>(form, "rb_Não")->isChecked());
    EXPECT_FALSE(control<QRadioButton>(form, "rb_Sim")->isChecked());
    EXPECT_EQ(control<RadioGroup>(form, "GrpIFace")->itemIndex(), 2);
    EXPECT_EQ(control<RadioGroup>(form, "GrpIFace")->items(),
              QStringList({s("Cabo"), s("Sem Fio"), s("Atual")}));
    EXPECT_EQ(control<RadioGroup>(form, "GrpEnbWiFi")->items(),
              QStringList({s("Desabilitado"), s("Habilitado")}));
    EXPECT_EQ(control<RadioGroup>(form, "GrpModeWiFi")->items(),
              QStringList({s("Infraestrutura"), s("Ad-Hoc")}));
    EXPECT_EQ(control<RadioGroup>(form, "GrpWEPWiFi")->items(), QStringList({s("NAO"), s("SIM")}));
    for (const char* name : {"GrpEnbWiFi", "GrpModeWiFi", "GrpWEPWiFi"}) {
        EXPECT_EQ(control<RadioGroup>(form, name)->itemIndex(), -1) << name;
    }
    EXPECT_FALSE(control<QCheckBox>(form, "CBdynamicip")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(form, "CBfindserver")->isChecked());

    auto* channel = control<QComboBox>(form, "CBchannel");
    EXPECT_TRUE(channel->isEditable());
    ASSERT_EQ(channel->count(), 11);
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(channel->itemText(i), QString::number(i + 1));
    }
    EXPECT_EQ(channel->currentText(), s("1"));

    // Hidden controls stay hidden; the update-server rows lie below the group's edge.
    EXPECT_TRUE(control<QWidget>(form, "Edit11")->isHidden());
    EXPECT_TRUE(control<QWidget>(form, "LabNameServer")->isHidden());
    EXPECT_TRUE(control<QWidget>(form, "GrpIImg")->isHidden());
    auto* update = control<QGroupBox>(form, "GrpUpdate");
    EXPECT_EQ(update->height(), 139);
    for (const char* name : {"LabSrv", "LabUsr", "LabPass", "Edit13", "Edit14", "Edit_Teste_15"}) {
        auto* widget = control<QWidget>(form, name);
        EXPECT_EQ(widget->parentWidget(), update) << name;
        EXPECT_GE(widget->y(), update->height()) << name;
        EXPECT_FALSE(widget->isHidden()) << name;
    }
    for (const char* name : {"Edit10", "Edit12", "BtnGetUpdConfig", "Shape6"}) {
        auto* widget = control<QWidget>(form, name);
        EXPECT_LE(widget->geometry().bottom(), update->height()) << name;
    }

    // Read-only edits, hints and the tint.
    EXPECT_TRUE(control<QLineEdit>(form, "EdtIImg")->isReadOnly());
    EXPECT_TRUE(control<QLineEdit>(form, "EDmacaddr")->isReadOnly());
    EXPECT_TRUE(control<QLineEdit>(form, "EDiface")->isReadOnly());
    const QString hint = s("Double Click to Load an Image");
    for (const char* name : {"EdtIImg", "StringGrid3", "Image1"}) {
        EXPECT_EQ(control<QWidget>(form, name)->toolTip(), hint) << name;
    }
    for (const char* name : {"MemoRecv", "ListBConec", "edt_Caminho_Banco", "Edit16", "Edit21",
                             "Edit13", "EdtLine1", "EdtTimeEx", "EdtCurrency", "EdtIImg"}) {
        EXPECT_TRUE(isTinted(control<QWidget>(form, name))) << name;
    }
    for (const char* name : {"EDssid", "EDwepkey", "EDmacaddr", "EDiface"}) {
        EXPECT_FALSE(isTinted(control<QWidget>(form, name))) << name;
    }
    EXPECT_EQ(control<QPlainTextEdit>(form, "MemoRecv")->verticalScrollBarPolicy(),
              Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(control<QPlainTextEdit>(form, "MemoRecv")->isReadOnly());

    // The image grid: row 0 is the light-yellow header row that only code writes.
    auto* grid = control<QTableWidget>(form, "StringGrid3");
    EXPECT_EQ(grid->columnCount(), 3);
    EXPECT_EQ(grid->rowCount(), 5);
    EXPECT_EQ(grid->rowHeight(0), 18);
    EXPECT_EQ(grid->rowHeight(4), 18);
    EXPECT_TRUE(grid->tabKeyNavigation());
    for (int column = 0; column < 3; ++column) {
        const QTableWidgetItem* cell = grid->item(0, column);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->background().color(), QColor(255, 255, 128));
        EXPECT_FALSE(cell->flags().testFlag(Qt::ItemIsEditable));
        EXPECT_TRUE(cell->text().isEmpty());
    }
    EXPECT_TRUE(grid->editTriggers().testFlag(QAbstractItemView::AnyKeyPressed));
    EXPECT_EQ(control<QLabel>(form, "Image1")->size(), QSize(115, 64));
    EXPECT_EQ(control<QLabel>(form, "IImg")->size(), QSize(128, 64));
}

TEST(TForm1Layout, WindowFrameRegionsAndFonts) {
    FakeTerminalLibrary library;
    TForm1 form(library);
    EXPECT_EQ(form.windowTitle(), s("Tarifon - Servidor de Terminais de Consulta de Preço "));
    EXPECT_EQ(form.centralWidget()->size(), QSize(664, 536));
    form.show();
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowCloseButtonHint));

    EXPECT_EQ(control<QWidget>(form, "Panel1")->geometry(), QRect(0, 488, 664, 48));
    EXPECT_EQ(control<QWidget>(form, "GroupBox2")->geometry(), QRect(501, 0, 163, 488));
    EXPECT_EQ(control<QWidget>(form, "gbx_Fundo")->geometry(), QRect(5, 7, 492, 477));
    EXPECT_EQ(control<QWidget>(form, "PageControl1")->geometry(), QRect(12, 19, 476, 455));
    EXPECT_EQ(control<QWidget>(form, "MemoRecv")->size(), QSize(457, 341));
    EXPECT_EQ(control<QWidget>(form, "BtnClearMemo")->size(), QSize(121, 44));
    auto* exit = control<QWidget>(form, "SpeedButton1");
    EXPECT_EQ(exit->size(), QSize(146, 36));
    EXPECT_EQ(exit->parentWidget()->objectName(), s("Panel1"));
    EXPECT_GT(exit->x(), 664 / 2);  // at the bar's right end
    auto* list = control<QListWidget>(form, "ListBConec");
    EXPECT_GT(list->width(), 163 - 20);
    EXPECT_GT(list->height(), 488 - 40);
    list->addItem(s("192.0.2.10:300"));
    list->addItem(s("192.0.2.11:301"));
    EXPECT_EQ(list->visualItemRect(list->item(1)).top() - list->visualItemRect(list->item(0)).top(),
              13);

    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_TRUE(exit->font().bold());
    EXPECT_EQ(exit->font().pixelSize(), 13);
    EXPECT_TRUE(control<QWidget>(form, "BtnClearMemo")->font().bold());
    // Bold groups: their buttons and the terminal list inherit bold, labels and edits do not.
    for (const char* name :
         {"GroupBox1", "GrpEthernet", "GrpUpdate", "GrpExtras", "RadioGroup1", "GrpIMsg",
          "GroupBox3", "GroupBox2", "ListBConec", "BtnGetCfg", "SpeedButton3", "BtnMsgSend"}) {
        EXPECT_TRUE(control<QWidget>(form, name)->font().bold()) << name;
    }
    for (const char* name : {"LabServIP", "Edit16", "edt_Caminho_Banco", "CBdynamicip", "LabLine1",
                             "EdtCurrency", "Edit_Teste_15", "GrpWiFi", "GrpMAC", "MemoRecv"}) {
        auto* widget = control<QWidget>(form, name);
        EXPECT_FALSE(widget->font().bold()) << name;
        EXPECT_EQ(widget->font().pixelSize(), 11) << name;
    }
    // Flat buttons carry a picture beside their caption.
    for (const char* name : {"SpeedButton1", "SpeedButton2", "BtnGetCfg", "BtnSendWlanConfig"}) {
        auto* button = control<QToolButton>(form, name);
        EXPECT_TRUE(button->autoRaise()) << name;
        EXPECT_FALSE(button->icon().isNull()) << name;
    }
}

TEST(TForm1Layout, MenusTimersAndPopup) {
    FakeTerminalLibrary library;
    TForm1 form(library);
    auto* bar = control<QMenuBar>(form, "MainMenu1");
    EXPECT_EQ(form.menuBar(), bar);
    QStringList shown;
    for (const QAction* action : bar->actions()) {
        if (action->isVisible()) {
            shown.append(action->text());
        }
    }
    EXPECT_EQ(shown, QStringList({s("Ocultar")}));
    auto* language = control<QMenu>(form, "Language1");
    EXPECT_EQ(language->title(), s("Language"));
    EXPECT_FALSE(language->menuAction()->isVisible());
    auto* start = control<QAction>(form, "Start");
    EXPECT_EQ(start->text(), s("Start"));
    EXPECT_FALSE(start->isVisible());
    EXPECT_TRUE(start->shortcut().isEmpty());
    for (const char* name : {"Portugues1", "English1"}) {
        auto* item = control<QAction>(form, name);
        EXPECT_FALSE(item->isVisible()) << name;
        EXPECT_TRUE(item->isCheckable()) << name;
        EXPECT_FALSE(item->isChecked()) << name;
        EXPECT_TRUE(language->actions().contains(item)) << name;
    }
    EXPECT_EQ(control<QAction>(form, "Portugues1")->text(), s("Português"));

    // The poller runs from construction; start-up starts the terminal list.
    EXPECT_EQ(control<QTimer>(form, "Timer2")->interval(), 10);
    EXPECT_TRUE(control<QTimer>(form, "Timer2")->isActive());
    EXPECT_EQ(control<QTimer>(form, "Timer1")->interval(), 3000);
    EXPECT_FALSE(control<QTimer>(form, "Timer1")->isActive());
    EXPECT_EQ(control<QTimer>(form, "time_OK")->interval(), 5);
    EXPECT_TRUE(control<QTimer>(form, "time_OK")->isSingleShot());
    EXPECT_FALSE(control<QTimer>(form, "time_OK")->isActive());

    const QList<QAction*> items = form.pm_Barra_Tarefas->actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0]->text(), s("Exibir"));
    EXPECT_EQ(items[0]->objectName(), s("mp_Exibir"));
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[1]->objectName(), s("N2"));
    EXPECT_EQ(items[2]->menu(), form.mp_Inicialicacao);
    EXPECT_EQ(items[2]->text(), s("Inicialização Automática com o Linux"));
    EXPECT_TRUE(items[3]->isSeparator());
    EXPECT_EQ(items[3]->objectName(), s("N1"));
    EXPECT_EQ(items[4]->text(), s("Fechar"));
    const QList<QAction*> autostart = form.mp_Inicialicacao->actions();
    ASSERT_EQ(autostart.size(), 2);
    EXPECT_EQ(autostart[0]->text(), s("Ativar"));
    EXPECT_EQ(autostart[1]->text(), s("Desativar"));
}

// The platform appends a display name that was set to every window title (" — Tarifon"
// on X11), so the captions would not be the texts given.  Unset, it follows the
// application name and nothing is appended.
TEST(TForm1Layout, ApplicationSetsNoDisplayNameForTitles) {
    const QString testName = QCoreApplication::applicationName();
    setUpApplication();
    EXPECT_EQ(QCoreApplication::applicationName(), s("Tarifon"));
    QCoreApplication::setApplicationName(testName);
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), testName);
}
