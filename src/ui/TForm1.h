#pragma once

#include <chrono>
#include <memory>
#include <vector>

#include <QDeadlineTimer>
#include <QFont>
#include <QMainWindow>
#include <QPointer>

#include "ui/Dialogs.h"

class QAction;
class QMenu;
class QTimer;

namespace Ui {
class TForm1;
}

// The main window: owns every control, the timers, the menus and the dialogs. Other
// code reaches the controls through `ui`, by their layout names; the handlers here
// are only the window's own behaviour.
class TForm1 : public QMainWindow {
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
    void FormShow();
    void BtnClearMemoClick();
    void BtnImgAddClick();
    void BtnImgDelClick();
    void time_OKTimer();

protected:
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct PendingDismissal {
        QPointer<QMessageBox> box;
        QDeadlineTimer deadline;
    };

    void buildPopupMenu();
    void applyLook();
    void removePageTab(QWidget* page);
    void armSelfDismiss(QMessageBox& box);
    void scheduleNextDismissal();

    bool lcbo_Iniciar = false;  // hide at start; set by start-up and the Sim/Não buttons
    std::unique_ptr<Dialogs> m_dialogs;
    QWidget* m_removedPages;  // hidden parent of the pages whose tabs were removed
    std::vector<PendingDismissal> m_dismissals;
    std::chrono::milliseconds m_selfDismissDelay{5000};
};

// The single main window; the program's main() sets it.
extern TForm1* Form1;
