#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include <QDeadlineTimer>
#include <QFont>
#include <QMainWindow>
#include <QPointer>

#include "terminal/EventPoller.h"
#include "terminal/Notifier.h"
#include "terminal/PollerSink.h"
#include "terminal/TTABSOCK.h"
#include "ui/Dialogs.h"

namespace tarifon {
class TerminalLibrary;
}

class QAction;
class QMenu;
class QTimer;

namespace Ui {
class TForm1;
}

// The main window: owns every control, the timers, the menus and the dialogs, and
// holds the program's state (settings live in the controls). Its handlers gather
// control values, call the subsystems' cores and put the results back.
class TForm1 : public QMainWindow, private tarifon::PollerSink, private tarifon::Notifier {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    Ui::TForm1* const ui;

    // Created stopped with their intervals; start-up starts the first two.
    QTimer* const Timer2;   // event poller, 10 ms
    QTimer* const Timer1;   // connected-terminal table, 3000 ms
    QTimer* const time_OK;  // closes self-dismissing boxes; single shot

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
    std::chrono::milliseconds selfDismissDelay() const { return m_selfDismissDelay; }
    void setSelfDismissDelay(std::chrono::milliseconds delay) { m_selfDismissDelay = delay; }

    // The application's general error box (caption "Tarifon", error icon, OK).
    void showApplicationError(const QString& message);

    // Runs on every show: takes the tabs of the pages not offered to the operator
    // out of the tab row. The pages and their controls stay alive.
    // The terminal library the window polls and commands; set before FormCreate.
    void setTerminalLibrary(tarifon::TerminalLibrary& library);
    // Where the program's files live (beside the executable unless a test says otherwise).
    QString programDir() const { return m_programDir; }
    void setProgramDir(const QString& dir) { m_programDir = dir; }
    QString besideProgram(const QString& name) const;

    // Start-up, settings and shutdown.
    void FormCreate();
    void FormClose();
    void LoadSettings();
    void SaveSettings();
    void StartClick();
    void SpeedButton1Click();
    // Whether main() shows the window when the event loop starts.
    bool showAtStart() const { return m_showAtStart; }

    // The event poller and the connected-terminal table.
    void Timer2Timer();
    void Timer1Timer();
    void ListBConecClick();
    int32_t selectedTerminal() const { return m_selectedTerminal; }
    // Every single-terminal command starts here: the selected terminal, or nothing
    // after telling the operator "Escolha um terminal".
    std::optional<int32_t> requireTerminal();
    tarifon::TTABSOCK TabConec;

    // Database location and connection test.
    void SpeedButton2Click();
    void SpeedButton3Click();

    void rb_SimClick();
    void rb_NãoClick();

    void FormShow();
    void BtnClearMemoClick();
    void BtnImgAddClick();
    void BtnImgDelClick();
    void time_OKTimer();

signals:
    // The window was closed: the program ends (main() quits every event loop, the
    // nested ones of open boxes included).
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct PendingDismissal {
        QPointer<QMessageBox> box;
        QDeadlineTimer deadline;
    };

    // PollerSink: what the event poller hands to the window.
    bool lookupPrice(int32_t socket, const QString& code) override;
    void configReply(tarifon::ReplyKind kind, std::span<const uint8_t> record) override;
    void lampGreen(int lampNumber) override;
    void appendLog(const QString& line) override;
    void startImageWorker(int32_t socket) override;
    // Notifier: a bare text under the application title.
    void showNotice(const QString& text) override;

    void connectHandlers();
    void reportServerStart(int32_t result);
    void buildPopupMenu();
    void applyLook();
    void removePageTab(QWidget* page);
    void armSelfDismiss(QMessageBox& box);
    void scheduleNextDismissal();

    bool lcbo_Iniciar = false;  // hide at start; set by start-up and the Sim/Não buttons
    bool m_showAtStart = true;
    int32_t m_selectedTerminal = -1;
    bool m_databaseFailureShown = false;  // at most one database failure box at a time
    bool m_closed = false;
    QString m_programDir;
    tarifon::TerminalLibrary* m_library = nullptr;
    std::unique_ptr<tarifon::EventPoller> m_poller;
    std::unique_ptr<Dialogs> m_dialogs;
    QWidget* m_removedPages;  // hidden parent of the pages whose tabs were removed
    std::vector<PendingDismissal> m_dismissals;
    std::chrono::milliseconds m_selfDismissDelay{5000};
};

// The single main window; the program's main() sets it.
extern TForm1* Form1;
