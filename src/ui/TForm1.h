#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include <QFont>
#include <QLocale>
#include <QMainWindow>
#include <QSystemTrayIcon>

#include "app/DismissalSchedule.h"
#include "app/OperatorView.h"
#include "content/DisplayContent.h"
#include "platform/AppPaths.h"
#include "ui/Dialogs.h"
#include "ui/Lang.h"

namespace tarifon {
class Controller;
class TerminalLibrary;
}  // namespace tarifon

class QAction;
class QMenu;
class QTimer;
class QTranslator;

namespace Ui {
class TForm1;
}

// The main window: the controls, the timers, the menus and the dialogs.  Its handlers
// gather control values, call the controller and show what it reports; the state and
// the decisions are the controller's.  The implementation is split by subsystem, one
// source file each (TForm1.cpp: the window, start-up and shutdown; TForm1Terminals.cpp;
// TForm1Database.cpp; TForm1Config.cpp; TForm1Content.cpp: display content;
// TForm1Shell.cpp: languages, the notification-area icon, autostart).
class TForm1 : public QMainWindow, private tarifon::OperatorView {
    Q_OBJECT

public:
    // The event log keeps this many of its most recent lines.
    static constexpr int kEventLogLines = 10000;

    explicit TForm1(tarifon::TerminalLibrary& library,
                    const QString& programDir = tarifon::executableDir(),
                    QWidget* parent = nullptr);
    ~TForm1() override;

    tarifon::Controller& controller() { return *m_controller; }
    // The self-dismissing boxes' deadlines.
    tarifon::DismissalSchedule& dismissals() { return m_dismissals; }

    // The notification-area menu, which is also the window's context menu.
    QMenu* const pm_Barra_Tarefas;
    QAction* mp_Exibir;
    QAction* N2;
    QMenu* mp_Inicialicacao;
    QAction* A1;
    QAction* D1;
    QAction* N1;
    QAction* mp_Fechar;

    // The shared dialogs' settings: what one caller sets stays for the next.
    FileDialogOptions OpenPictureDialog1;
    FileDialogOptions SavePictureDialog1;
    QFont FontDialog1;

    Dialogs& dialogs() const { return *m_dialogs; }
    // Tests answer the window's dialogs through a scripted implementation.
    void setDialogs(std::unique_ptr<Dialogs> dialogs);

    // A page keeps its caption while its tab is removed, so captions can be set
    // without knowing whether the tab is shown.
    QString pageCaption(const QWidget* page) const;
    void setPageCaption(QWidget* page, const QString& caption);

    // A modal box that closes by itself, as if OK were pressed, when the
    // self-dismiss delay has passed since it opened.
    QMessageBox::StandardButton showSelfDismissingBox(MessageIcon icon, const QString& caption,
                                                      const QString& text);
    // The application's general error box (caption "Tarifon", error icon, OK).
    void showApplicationError(const QString& message) override;

    // ---- Start-up, settings and shutdown (TForm1.cpp)
    void FormCreate();
    void FormClose();
    void LoadSettings();
    void SaveSettings();
    void StartClick();
    void SpeedButton1Click();
    void rb_SimClick();
    void rb_NãoClick();

    // ---- The window itself (TForm1.cpp)
    // Runs on every show: takes the tabs of the pages not offered to the operator
    // out of the tab row, unless the settings offer every page.  The pages and their
    // controls stay alive.
    void FormShow();
    void BtnClearMemoClick();
    void time_OKTimer();

    // ---- Event poller and connected terminals (TForm1Terminals.cpp)
    void Timer2Timer();
    void Timer1Timer();
    void ListBConecClick();

    // ---- Database location and connection test (TForm1Database.cpp)
    void SpeedButton2Click();
    void SpeedButton3Click();

    // ---- Terminal configuration and maintenance commands (TForm1Config.cpp)
    void BtnGetCfgClick();
    void BtnSendCfgClick();
    void BtnGetUpdConfigClick();
    void BtnSendUpdConfigClick();
    void BtnGetParamClick();
    void BtnSendParamClick();
    void BtnGetWlanConfigClick();
    void BtnSendWlanConfigClick();
    void BtnGetMACClick();
    void BtnAllwaysLiveClick();
    void BtnCheckLiveClick();
    void BtnRestartSoftClick();
    void BtnUpdSoftClick();

    // ---- Languages, the notification-area icon and autostart (TForm1Shell.cpp)
    void Portugues1Click();
    void English1Click();
    // The alert texts of the language chosen last; empty until one is chosen.
    const stlang& languageTexts() const { return m_stlang; }
    const QString& languageFile() const { return m_languageFile; }
    void AddTrayIcon();
    // The icon's mouse events: a right-button press opens pm_Barra_Tarefas at the
    // cursor, a double-click shows the window; anything else does nothing.
    void TrayIconActivated(QSystemTrayIcon::ActivationReason reason);
    void pm_Barra_TarefasPopup();
    void mp_ExibirClick();
    void O1Click();
    void A1Click();
    void D1Click();
    // Null until the icon is added.
    QSystemTrayIcon* trayIcon() const { return m_trayIcon; }
    // Tests decide whether the desktop has a notification area.
    void setTrayAvailability(std::function<bool()> available) {
        m_trayAvailable = std::move(available);
    }

    // ---- Display content (TForm1Content.cpp).  Handlers that act by the pressed
    // control's name take that control.
    void BtnMsgSendClick();
    void BtnImgRelClick(const QObject* pressed);
    void BtnImgSaveClick(const QObject* pressed);
    void BtnImgAddClick();
    void BtnImgDelClick();
    // A new current cell of the image grid (QTableWidget::currentCellChanged).
    void StringGrid3SelectCell(int row, int column, int previousRow, int previousColumn);
    // A double-click on the grid (`source` StringGrid3) or on the preview (Image1).
    void StringGrid3DblClick(const QObject* source);
    void Image1Click();
    void EdtImg1DblClick();
    void BtnIImgFontClick();
    void BtnTr1Click(const QObject* pressed);
    void BtnIImgSaveClick();
    void BtnIImgClearClick();
    void BtnImg1Click();
    void Button6Click();

signals:
    // The window was closed: the program ends (main() quits every event loop, the
    // nested ones of open boxes included).
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // ---- OperatorView, start-up and the window (TForm1.cpp)
    void showNotice(const QString& text) override;
    void showSettings(const tarifon::Settings& settings) override;
    void serverStarted() override;
    void startTerminalRefresh() override;
    void appendLog(const QString& line) override;
    void setLamp(tarifon::Lamp lamp, tarifon::LampColor color) override;
    // ---- OperatorView, poller and terminals (TForm1Terminals.cpp)
    void showTerminalList(const QStringList& rows, int highlightedRow) override;
    // ---- OperatorView, database (TForm1Database.cpp)
    void warnDatabasePathMissing() override;
    void showDatabaseFailure() override;
    // ---- OperatorView, terminal configuration (TForm1Config.cpp)
    void showNetConfig(const tarifon::NetConfig& net) override;
    void showUpdConfig(const tarifon::UpdConfig& upd) override;
    void showExtras(const tarifon::Extras& extras) override;
    void showWlanConfig(const tarifon::WlanConfig& wlan) override;
    void showMacAddress(const tarifon::MacAddress& mac) override;
    void showConfigOrigin(tarifon::ConfigGroup group, const QString& text,
                          bool notSelected) override;
    bool confirm(const QString& caption, const QString& text) override;
    // ---- ContentView (TForm1Content.cpp)
    void setImageColumnWidths(
        const std::array<int, tarifon::ImageTable::kColumns>& widths) override;
    void showImageTable(const tarifon::ImageTable& table) override;
    void showPreview(const QImage& picture) override;
    void showInstantImage(const QImage& picture) override;
    void showError(const QString& message) override;
    // ---- OperatorView, the shell (TForm1Shell.cpp)
    bool trayAvailable() const override;
    bool windowVisible() const override;
    void showTrayIcon() override;
    void hideWindow() override;
    void showWindow() override;

    // Each subsystem wires its own controls to its handlers.
    void connectWindow();
    void connectSettings();
    void connectTerminals();
    void connectDatabase();
    void connectConfig();
    void connectContent();
    void connectShell();

    void useQtTexts(const QLocale& language);
    void buildPopupMenu();
    void applyLook();
    void removePageTab(QWidget* page);
    void commitOpenCell();
    tarifon::TableSource tableSource(const QObject* pressed) const;
    void armSelfDismiss(QMessageBox& box);
    void scheduleNextDismissal();

    std::unique_ptr<Ui::TForm1> ui;
    QTimer* const Timer2;   // event poller, 10 ms, runs from construction
    QTimer* const Timer1;   // connected-terminal list, 3000 ms, started by start-up
    QTimer* const time_OK;  // presses OK on a self-dismissing box; single shot
    tarifon::DismissalSchedule m_dismissals;
    std::unique_ptr<Dialogs> m_dialogs;
    QWidget* m_removedPages;  // hidden parent of the pages whose tabs were removed
    // The table, the preview and the instant image, which the controller also works on.
    tarifon::DisplayContent m_content;
    std::unique_ptr<tarifon::Controller> m_controller;
    QSystemTrayIcon* m_trayIcon = nullptr;
    std::function<bool()> m_trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
    stlang m_stlang;
    QString m_languageFile;
    QTranslator* const m_qtTexts;  // Qt's own texts in the window's language
    bool m_allPages = false;  // de501.ini asks for the pages the layout keeps from the operator
};
