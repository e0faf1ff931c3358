#include "ui/TForm1.h"

#include <algorithm>

#include <QAbstractButton>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QImageReader>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMetaEnum>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>

#include "app/ScanReply.h"
#include "app/SettingsFile.h"
#include "platform/AppPaths.h"
#include "platform/IntText.h"
#include "pricing/ConnectionTest.h"
#include "pricing/LookupPrice.h"
#include "terminal/ConnectedTerminals.h"
#include "terminal/TerminalLibrary.h"
#include "ui/QtDialogs.h"
#include "ui/StatusLamp.h"
#include "ui_TForm1.h"

using namespace tarifon;

TForm1* Form1 = nullptr;

namespace {

constexpr int kClientWidth = 664;
constexpr int kClientHeight = 536;
constexpr int kListItemHeight = 13;
constexpr int kGridRowHeight = 18;
constexpr int kGridColumnWidth = 64;  // until start-up sets the table's own widths
const QColor kGridHeaderColor{255, 255, 128};

// Gives every row of a list the same fixed height.
class FixedRowHeightDelegate : public QStyledItemDelegate {
public:
    FixedRowHeightDelegate(int height, QObject* parent)
        : QStyledItemDelegate(parent), m_height(height) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(m_height);
        return size;
    }

private:
    int m_height;
};

QTimer* makeTimer(QObject* owner, const char* name, int intervalMs) {
    auto* timer = new QTimer(owner);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(intervalMs);
    return timer;
}

QAction* makeAction(QObject* owner, const char* name, const QString& text) {
    auto* action = new QAction(text, owner);
    action->setObjectName(QLatin1String(name));
    return action;
}

// "All pictures" for every format this Qt build can read.
QString allPicturesFilter() {
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        patterns.append(QStringLiteral("*.") + QString::fromLatin1(format));
    }
    return QStringLiteral("Imagens (%1)|%1").arg(patterns.join(QLatin1Char(';')));
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent),
      ui(new Ui::TForm1),
      Timer2(makeTimer(this, "Timer2", 10)),
      Timer1(makeTimer(this, "Timer1", 3000)),
      time_OK(makeTimer(this, "time_OK", 5)),
      pm_Barra_Tarefas(new QMenu(this)),
      m_dialogs(
          std::make_unique<QtDialogs>(this, [this](QMessageBox& box) { armSelfDismiss(box); })),
      m_removedPages(new QWidget(this)) {
    ui->setupUi(this);
    time_OK->setSingleShot(true);
    m_removedPages->setObjectName(QStringLiteral("removedPages"));
    m_removedPages->hide();

    ui->Language1->menuAction()->setVisible(false);
    ui->GrpIFace->setItemIndex(2);
    ui->CBchannel->setCurrentText(QStringLiteral("1"));
    for (int i = 0; i < ui->PageControl1->count(); ++i) {
        ui->PageControl1->widget(i)->setWindowTitle(ui->PageControl1->tabText(i));
    }

    OpenPictureDialog1.filter = allPicturesFilter();
    FontDialog1 = QFont(QStringLiteral("MS Sans Serif"));
    FontDialog1.setStyleHint(QFont::SansSerif);
    FontDialog1.setPixelSize(11);

    buildPopupMenu();
    applyLook();

    connect(ui->BtnClearMemo, &QAbstractButton::clicked, this, &TForm1::BtnClearMemoClick);
    connect(ui->BtnImgAdd, &QAbstractButton::clicked, this, &TForm1::BtnImgAddClick);
    connect(ui->BtnImgDel, &QAbstractButton::clicked, this, &TForm1::BtnImgDelClick);
    connect(time_OK, &QTimer::timeout, this, &TForm1::time_OKTimer);
    connectHandlers();
    m_programDir = executableDir();
}

TForm1::~TForm1() {
    delete ui;
}

void TForm1::buildPopupMenu() {
    pm_Barra_Tarefas->setObjectName(QStringLiteral("pm_Barra_Tarefas"));
    mp_Exibir = makeAction(pm_Barra_Tarefas, "mp_Exibir", QStringLiteral("Exibir"));
    N2 = makeAction(pm_Barra_Tarefas, "N2", QString());
    N2->setSeparator(true);
    mp_Inicialicacao =
        new QMenu(QStringLiteral("Inicialização Automática com o Windows"), pm_Barra_Tarefas);
    mp_Inicialicacao->setObjectName(QStringLiteral("mp_Inicialicacao"));
    A1 = makeAction(mp_Inicialicacao, "A1", QStringLiteral("Ativar"));
    D1 = makeAction(mp_Inicialicacao, "D1", QStringLiteral("Desativar"));
    N1 = makeAction(pm_Barra_Tarefas, "N1", QString());
    N1->setSeparator(true);
    mp_Fechar = makeAction(pm_Barra_Tarefas, "mp_Fechar", QStringLiteral("Fechar"));

    mp_Inicialicacao->addAction(A1);
    mp_Inicialicacao->addAction(D1);
    pm_Barra_Tarefas->addAction(mp_Exibir);
    pm_Barra_Tarefas->addAction(N2);
    pm_Barra_Tarefas->addMenu(mp_Inicialicacao);
    pm_Barra_Tarefas->addAction(N1);
    pm_Barra_Tarefas->addAction(mp_Fechar);
}

// What the layout file cannot say: pixel font sizes, the tint, button pictures,
// fixed row heights and the window's fixed frame.
void TForm1::applyLook() {
    // "MS Sans Serif" is not on Linux; the style hint lets it fall back to sans-serif.
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setStyleHint(QFont::SansSerif);
    windowFont.setPixelSize(11);
    setFont(windowFont);
    QFont exitFont = ui->SpeedButton1->font();
    exitFont.setBold(true);
    exitFont.setPixelSize(13);
    ui->SpeedButton1->setFont(exitFont);

    const auto pixmaps = QMetaEnum::fromType<QStyle::StandardPixmap>();
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (widget->property("tinted").toBool()) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
            widget->setPalette(palette);
        }
        const QByteArray iconName = widget->property("standardIcon").toString().toLatin1();
        if (auto* button = qobject_cast<QAbstractButton*>(widget); button && !iconName.isEmpty()) {
            bool ok = false;
            const int pixmap = pixmaps.keyToValue(iconName.constData(), &ok);
            if (ok) {
                button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(pixmap)));
            }
        }
    }

    ui->ListBConec->setItemDelegate(new FixedRowHeightDelegate(kListItemHeight, ui->ListBConec));

    // Row 0 stands for the grid's fixed header row: only the language loader writes it.
    QHeaderView* rows = ui->StringGrid3->verticalHeader();
    rows->setMinimumSectionSize(kGridRowHeight);
    rows->setDefaultSectionSize(kGridRowHeight);
    ui->StringGrid3->horizontalHeader()->setDefaultSectionSize(kGridColumnWidth);
    for (int column = 0; column < ui->StringGrid3->columnCount(); ++column) {
        auto* cell = new QTableWidgetItem;
        cell->setBackground(kGridHeaderColor);
        cell->setFlags(Qt::ItemIsEnabled);
        ui->StringGrid3->setItem(0, column, cell);
    }

    centralWidget()->setFixedSize(kClientWidth, kClientHeight);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    adjustSize();
    if (const QScreen* screen = this->screen()) {
        const QRect desktop = screen->availableGeometry();
        move(desktop.center() - QPoint(width() / 2, height() / 2));
    }
}

void TForm1::setDialogs(std::unique_ptr<Dialogs> dialogs) {
    if (dialogs) {
        m_dialogs = std::move(dialogs);
    }
}

QString TForm1::pageCaption(const QWidget* page) const {
    return page->windowTitle();
}

void TForm1::setPageCaption(QWidget* page, const QString& caption) {
    page->setWindowTitle(caption);
    const int index = ui->PageControl1->indexOf(page);
    if (index >= 0) {
        ui->PageControl1->setTabText(index, caption);
    }
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // A spontaneous show is the window system restoring it (un-minimising), not a display.
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TForm1::contextMenuEvent(QContextMenuEvent* event) {
    pm_Barra_Tarefas->popup(event->globalPos());
    event->accept();
}

void TForm1::FormShow() {
    removePageTab(ui->TabSheet2);
    removePageTab(ui->TabSheet3);
}

void TForm1::removePageTab(QWidget* page) {
    QTabWidget* pages = ui->PageControl1;
    const int index = pages->indexOf(page);
    if (index < 0) {
        return;
    }
    QWidget* current = pages->currentWidget();
    pages->removeTab(index);
    page->setParent(m_removedPages);
    if (current == page) {
        // The tab that now stands at the removed one's place, or the last, takes over.
        pages->setCurrentIndex(std::min(index, pages->count() - 1));
    } else {
        pages->setCurrentWidget(current);
    }
}

void TForm1::BtnClearMemoClick() {
    ui->MemoRecv->clear();
}

// The image table's add and delete buttons have no action.
void TForm1::BtnImgAddClick() {}

void TForm1::BtnImgDelClick() {}

QMessageBox::StandardButton TForm1::showSelfDismissingBox(MessageIcon icon, const QString& caption,
                                                          const QString& text) {
    return dialogs().message(
        {.icon = icon, .caption = caption, .text = text, .selfDismissing = true});
}

void TForm1::showApplicationError(const QString& message) {
    dialogs().applicationError(message);
}

// Each box gets its own deadline, so a box opened inside another (a poller tick runs
// inside an open box) neither delays the outer one nor is closed by its timer.
void TForm1::armSelfDismiss(QMessageBox& box) {
    m_dismissals.push_back({&box, QDeadlineTimer(m_selfDismissDelay)});
    scheduleNextDismissal();
}

void TForm1::time_OKTimer() {
    time_OK->stop();
    // A pressed box leaves the list at once: an outer box lives on, hidden, until the
    // boxes opened inside it have closed, and must not be pressed twice.
    std::vector<QPointer<QMessageBox>> due;
    std::erase_if(m_dismissals, [&due](const PendingDismissal& pending) {
        if (pending.box.isNull()) {
            return true;  // closed by the operator already
        }
        if (pending.deadline.hasExpired()) {
            due.push_back(pending.box);
            return true;
        }
        return false;
    });
    for (const QPointer<QMessageBox>& box : due) {
        if (box.isNull()) {
            continue;
        }
        QAbstractButton* button = box->defaultButton();
        if (button == nullptr) {
            button = box->button(QMessageBox::Ok);
        }
        if (button != nullptr) {
            button->click();
        } else {
            box->reject();
        }
    }
    scheduleNextDismissal();
}

void TForm1::scheduleNextDismissal() {
    std::erase_if(m_dismissals,
                  [](const PendingDismissal& pending) { return pending.box.isNull(); });
    if (m_dismissals.empty()) {
        time_OK->stop();
        return;
    }
    const auto next = std::min_element(m_dismissals.begin(), m_dismissals.end(),
                                       [](const PendingDismissal& a, const PendingDismissal& b) {
                                           return a.deadline < b.deadline;
                                       });
    time_OK->setInterval(static_cast<int>(std::max<qint64>(0, next->deadline.remainingTime())));
    time_OK->start();
}

// ---- the program's handlers ------------------------------------------------

namespace {

const QString kServerStarted = QStringLiteral("Servidor inicializado com sucesso.");
const QString kServerFailed = QStringLiteral("Erro inicializando servidor");
const QString kDatabaseFailure =
    QStringLiteral("Falha Durante Tentativa de Conexão com o Banco de Dados do PDV!");

}  // namespace

void TForm1::connectHandlers() {
    // Queued: a timer does not fire again while its own slot runs, so a tick that opens a
    // modal box would stop the polling inside it; from the event queue the next ticks run.
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer, Qt::QueuedConnection);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(ui->Start, &QAction::triggered, this, &TForm1::StartClick);
    connect(ui->SpeedButton1, &QAbstractButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(mp_Fechar, &QAction::triggered, this, &TForm1::SpeedButton1Click);
    connect(ui->ListBConec, &QListWidget::itemClicked, this, &TForm1::ListBConecClick);
    connect(ui->SpeedButton2, &QAbstractButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(ui->SpeedButton3, &QAbstractButton::clicked, this, &TForm1::SpeedButton3Click);
    connect(ui->rb_Sim, &QAbstractButton::clicked, this, &TForm1::rb_SimClick);
    connect(ui->rb_Não, &QAbstractButton::clicked, this, &TForm1::rb_NãoClick);
}

void TForm1::setTerminalLibrary(TerminalLibrary& library) {
    m_library = &library;
    m_poller = std::make_unique<EventPoller>(library, static_cast<PollerSink&>(*this));
}

QString TForm1::besideProgram(const QString& name) const {
    return m_programDir + QLatin1Char('/') + name;
}

void TForm1::FormCreate() {
    LoadSettings();
    m_library->vInitialize();
    appendLog(
        QStringLiteral("DLL Version: %1")
            .arg(QString::number(m_library->dll_version(), 16).toUpper(), 8, QLatin1Char('0')));
    reportServerStart(m_library->tc_startserver());
    Timer1->start();
    m_selectedTerminal = -1;
    ui->PageControl1->setCurrentWidget(ui->TabSheet4);
    if (ui->edt_Caminho_Banco->text().isEmpty()) {
        dialogs().message({.icon = MessageIcon::Warning,
                           .caption = QStringLiteral("Confirmação"),
                           .text = QStringLiteral("Atenção! Caminho do Banco de dados do PDV ainda "
                                                  "não foi definido. \r\rAdicione o caminho do "
                                                  "banco de dados.")});
        ui->PageControl1->setCurrentWidget(ui->TabSheet6);
        m_showAtStart = true;
        show();
    }
    if (lcbo_Iniciar) {
        ui->rb_Sim->setChecked(true);
    } else {
        ui->rb_Não->setChecked(true);
    }
}

void TForm1::reportServerStart(int32_t result) {
    if (result != 0) {
        appendLog(kServerStarted);
        ui->Start->setEnabled(false);
    } else {
        appendLog(kServerFailed);
        dialogs().showMessage(kServerFailed);
    }
}

void TForm1::StartClick() {
    reportServerStart(m_library->tc_startserver());
}

void TForm1::LoadSettings() {
    const Settings settings = loadSettings(besideProgram(QStringLiteral("de501.ini")));
    ui->EdtCurrency->setText(settings.currency);
    ui->EdtLine1->setText(settings.line1);
    ui->EdtLine2->setText(settings.line2);
    ui->EdtTimeEx->setText(settings.timeex);
    ui->edt_Caminho_Banco->setText(settings.bd);
    lcbo_Iniciar = settings.iniciar;
}

void TForm1::SaveSettings() {
    saveSettings(besideProgram(QStringLiteral("de501.ini")), {.currency = ui->EdtCurrency->text(),
                                                              .line1 = ui->EdtLine1->text(),
                                                              .line2 = ui->EdtLine2->text(),
                                                              .timeex = ui->EdtTimeEx->text(),
                                                              .bd = ui->edt_Caminho_Banco->text(),
                                                              .iniciar = lcbo_Iniciar});
}

void TForm1::FormClose() {
    if (m_closed) {
        return;
    }
    m_closed = true;
    SaveSettings();
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    QMainWindow::closeEvent(event);
    emit closed();
}

void TForm1::SpeedButton1Click() {
    close();
}

void TForm1::rb_SimClick() {
    lcbo_Iniciar = true;
}

void TForm1::rb_NãoClick() {
    lcbo_Iniciar = false;
}

void TForm1::Timer2Timer() {
    if (m_poller) {
        m_poller->tick();
    }
}

void TForm1::Timer1Timer() {
    if (!m_library) {
        return;
    }
    const TerminalListRefresh refresh =
        refreshConnectedTerminals(*m_library, TabConec, m_selectedTerminal);
    ui->ListBConec->clear();
    ui->ListBConec->addItems(refresh.rows);
    // Highlighting is not a click: it must not run ListBConecClick.
    if (refresh.highlightedRow >= 0) {
        ui->ListBConec->setCurrentRow(refresh.highlightedRow);
    }
    m_selectedTerminal = refresh.selected;
}

std::optional<int32_t> TForm1::requireTerminal() {
    return requireSelectedTerminal(m_selectedTerminal, *this);
}

void TForm1::ListBConecClick() {
    m_selectedTerminal =
        selectClickedRow(TabConec, ui->ListBConec->currentRow(), m_selectedTerminal);
}

bool TForm1::lookupPrice(int32_t socket, const QString& code) {
    const PriceReply result =
        tarifon::lookupPrice(code, ui->edt_Caminho_Banco->text(), ui->EdtCurrency->text(),
                             Separators::fromLocale(QLocale::system()));
    sendPriceReply(*m_library, socket, result);
    if (result.outcome != LookupOutcome::Failed) {
        return true;
    }
    // While the box is open, ticks go on inside it; further failures stay silent
    // instead of stacking one nested box per scan.
    if (!m_databaseFailureShown) {
        m_databaseFailureShown = true;
        showSelfDismissingBox(MessageIcon::Error, QStringLiteral("Erro"), kDatabaseFailure);
        m_databaseFailureShown = false;
    }
    return false;
}

// Filling the configuration controls from a reply belongs to the configuration
// pages; the poller has already turned the reply's lamp green.
void TForm1::configReply(ReplyKind, std::span<const uint8_t>) {}

void TForm1::lampGreen(int lampNumber) {
    if (auto* lamp = findChild<StatusLamp*>(QStringLiteral("Shape%1").arg(lampNumber))) {
        lamp->setColor(StatusLamp::kGreen);
    }
}

void TForm1::appendLog(const QString& line) {
    ui->MemoRecv->appendPlainText(line);
}

// Picture distribution is not part of this window yet; the poller logs the request.
void TForm1::startImageWorker(int32_t) {}

void TForm1::showNotice(const QString& text) {
    dialogs().showMessage(text);
}

void TForm1::SpeedButton2Click() {
    OpenPictureDialog1.defaultSuffix = QStringLiteral("FDB");
    OpenPictureDialog1.filter = QStringLiteral(
        "Banco de Dados Firebird (*.FDB)|*.FDB|Banco de Dados Interbase (*.GDB)|*.GDB");
    const QString path = dialogs().openFile(OpenPictureDialog1);
    if (!path.isEmpty()) {
        ui->edt_Caminho_Banco->setText(path);
    }
}

void TForm1::SpeedButton3Click() {
    const DbResult<void> result = testDatabaseConnection(ui->edt_Caminho_Banco->text());
    if (result.ok()) {
        showSelfDismissingBox(
            MessageIcon::Information, QStringLiteral("Informação"),
            QStringLiteral("O Sistema Conectou com o Banco de Dados com Sucesso!"));
        return;
    }
    dialogs().error(
        QStringLiteral("Erro"),
        QStringLiteral("Falha Durante Tentativa de Conexão com o Banco de Dados VESTRA.") +
            QStringLiteral("\r\n") + result.error().message);
    ui->PageControl1->setCurrentWidget(ui->TabSheet6);
}
