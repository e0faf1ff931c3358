// The operator shell: the language menu, the notification-area icon with its menu, the
// window's visibility and the autostart entry.
#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QLibraryInfo>
#include <QMenu>
#include <QTranslator>

#include "app/Controller.h"
#include "ui/Application.h"
#include "ui/TForm1.h"
#include "ui_TForm1.h"

using namespace tarifon;

namespace {

const QString kTrayTip = QStringLiteral("Orvanta - Tarifon");
const QString kConfirmEnable = QStringLiteral(
    "Deseja realmente Iniciar o Tarifon automaticamente quando o Linux for Iniciado ?");
const QString kConfirmDisable =
    QStringLiteral("Deseja realmente remover o Tarifon da inicialização automática do Linux ?");
// The value name the error names, as the entry it could not write.
const QString kAutostartFailed = QStringLiteral("Failed to set data for '%1'");

// The autostart items' question, centred on the screen since the window may be hidden.
bool confirmed(Dialogs& dialogs, const QString& text) {
    return dialogs.message({.icon = MessageIcon::Question,
                            .caption = QStringLiteral("Confirm"),
                            .text = text,
                            .buttons = QMessageBox::Yes | QMessageBox::No,
                            .defaultButton = QMessageBox::Yes,
                            .centredOnScreen = true}) == QMessageBox::Yes;
}

}  // namespace

void TForm1::connectShell() {
    connect(ui->Portugues1, &QAction::triggered, this, &TForm1::Portugues1Click);
    connect(ui->English1, &QAction::triggered, this, &TForm1::English1Click);
    connect(ui->O1, &QAction::triggered, this, &TForm1::O1Click);
    // Opened from the icon or as the window's context menu alike.
    connect(pm_Barra_Tarefas, &QMenu::aboutToShow, this, &TForm1::pm_Barra_TarefasPopup);
    connect(mp_Exibir, &QAction::triggered, this, &TForm1::mp_ExibirClick);
    connect(A1, &QAction::triggered, this, &TForm1::A1Click);
    connect(D1, &QAction::triggered, this, &TForm1::D1Click);
}

// ---- Languages ---------------------------------------------------------------

void TForm1::Portugues1Click() {
    m_languageFile = QStringLiteral("lg_port.ini");
    LoadLang(*this, m_languageFile, m_stlang);
    useQtTexts(QLocale(QLocale::Portuguese, QLocale::Brazil));
    ui->Portugues1->setChecked(true);
    ui->English1->setChecked(false);
}

void TForm1::English1Click() {
    m_languageFile = QStringLiteral("lg_eng.ini");
    LoadLang(*this, m_languageFile, m_stlang);
    useQtTexts(QLocale(QLocale::English, QLocale::UnitedStates));
    ui->English1->setChecked(true);
    ui->Portugues1->setChecked(false);
}

// Qt's own texts (file dialogs, standard buttons, the log's context menu) from Qt's
// translations on the system; where they are missing Qt keeps its English.
void TForm1::useQtTexts(const QLocale& language) {
    QCoreApplication::removeTranslator(m_qtTexts);
    if (m_qtTexts->load(language, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(m_qtTexts);
    }
}

// ---- The notification-area icon and the window's visibility -----------------

void TForm1::AddTrayIcon() {
    m_controller->addTrayIcon();
}

bool TForm1::trayAvailable() const {
    return m_trayAvailable && m_trayAvailable();
}

bool TForm1::windowVisible() const {
    return isVisible();
}

void TForm1::showTrayIcon() {
    if (m_trayIcon == nullptr) {
        m_trayIcon = new QSystemTrayIcon(
            applicationIcon(m_controller->besideProgram(QStringLiteral("tarifon.png"))), this);
        m_trayIcon->setObjectName(QStringLiteral("TrayIcon"));
        m_trayIcon->setToolTip(kTrayTip);
        connect(m_trayIcon, &QSystemTrayIcon::activated, this, &TForm1::TrayIconActivated);
    }
    m_trayIcon->show();
}

void TForm1::hideWindow() {
    hide();
}

void TForm1::showWindow() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm1::TrayIconActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Context) {
        pm_Barra_Tarefas->popup(QCursor::pos());
    } else if (reason == QSystemTrayIcon::DoubleClick) {
        showWindow();
    }
}

void TForm1::pm_Barra_TarefasPopup() {
    mp_Exibir->setText(isVisible() ? QStringLiteral("Ocultar") : QStringLiteral("Exibir"));
}

void TForm1::mp_ExibirClick() {
    m_controller->toggleWindow();
}

void TForm1::O1Click() {
    m_controller->hideToTray();
}

// ---- Autostart -----------------------------------------------------------------

void TForm1::A1Click() {
    if (confirmed(dialogs(), kConfirmEnable) && !m_controller->enableAutostart()) {
        showApplicationError(kAutostartFailed.arg(QStringLiteral("Tarifon")));
    }
}

void TForm1::D1Click() {
    if (confirmed(dialogs(), kConfirmDisable)) {
        m_controller->disableAutostart();
    }
}
