// The event poller's ticks and the connected-terminal list.
#include <QListWidget>
#include <QSignalBlocker>
#include <QTimer>

#include "app/Controller.h"
#include "ui/TForm1.h"
#include "ui_TForm1.h"

using namespace tarifon;

void TForm1::connectTerminals() {
    // Queued: a timer does not fire again while its own slot runs, so a tick that opens a
    // modal box would stop the polling inside it; from the event queue the next ticks run.
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer, Qt::QueuedConnection);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    // The selection follows the highlight however the operator moves it: a click, the
    // arrow keys, Home or End.
    connect(ui->ListBConec, &QListWidget::currentRowChanged, this, &TForm1::ListBConecClick);
}

void TForm1::Timer2Timer() {
    m_controller->poll();
}

void TForm1::Timer1Timer() {
    m_controller->refreshTerminals();
}

void TForm1::ListBConecClick() {
    m_controller->selectRow(ui->ListBConec->currentRow());
}

void TForm1::showTerminalList(const QStringList& rows, int highlightedRow) {
    // The refresh's own highlight is not the operator's choice: no ListBConecClick.
    const QSignalBlocker quiet(ui->ListBConec);
    // The same terminals as before: the rows stay, and with them the operator's scroll
    // position; rebuilding a thousand rows every 3 s is also most of the idle cost.
    QListWidget* list = ui->ListBConec;
    bool same = list->count() == rows.size();
    for (int i = 0; same && i < rows.size(); ++i) {
        same = list->item(i)->text() == rows[i];
    }
    if (!same) {
        list->clear();
        list->addItems(rows);
    }
    if (highlightedRow >= 0 && list->currentRow() != highlightedRow) {
        list->setCurrentRow(highlightedRow);
    }
}
