#include "ui/TForm1.h"

#include <algorithm>
#include <utility>

#include <QAbstractButton>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMetaEnum>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>

#include "app/Controller.h"
#include "content/InstantImage.h"
#include "content/PictureFile.h"
#include "ui/QtDialogs.h"
#include "ui/StatusLamp.h"
#include "ui_TForm1.h"

using namespace tarifon;

namespace {

// The controller's lamps and the controls that show them.
constexpr std::pair<Lamp, StatusLamp * Ui::TForm1::*> kLampControls[] = {
    {Lamp::AllwaysLive, &Ui::TForm1::Shape1},   {Lamp::CheckLive, &Ui::TForm1::Shape2},
    {Lamp::RestartSoft, &Ui::TForm1::Shape3},   {Lamp::UpdateSoftware, &Ui::TForm1::Shape4},
    {Lamp::UpdConfigRead, &Ui::TForm1::Shape5}, {Lamp::UpdConfigWrite, &Ui::TForm1::Shape6},
    {Lamp::ConfigRead, &Ui::TForm1::Shape7},    {Lamp::ParamRead, &Ui::TForm1::Shape8},
    {Lamp::ParamWrite, &Ui::TForm1::Shape9},    {Lamp::WlanRead, &Ui::TForm1::Shape10},
    {Lamp::WlanWrite, &Ui::TForm1::Shape11},    {Lamp::MacRead, &Ui::TForm1::Shape12},
};

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

// "All pictures" for every format the picture decoders take.
QString allPicturesFilter() {
    QStringList patterns;
    for (const QString& extension : readablePictureExtensions()) {
        patterns.append(QStringLiteral("*.") + extension);
    }
    return QStringLiteral("Imagens (%1)|%1").arg(patterns.join(QLatin1Char(';')));
}

}  // namespace

TForm1::TForm1(TerminalLibrary& library, const QString& programDir, QWidget* parent)
    : QMainWindow(parent),
      pm_Barra_Tarefas(new QMenu(this)),
      ui(std::make_unique<Ui::TForm1>()),
      Timer2(makeTimer(this, "Timer2", 10)),
      Timer1(makeTimer(this, "Timer1", 3000)),
      time_OK(makeTimer(this, "time_OK", 5)),
      m_dialogs(
          std::make_unique<QtDialogs>(this, [this](QMessageBox& box) { armSelfDismiss(box); })),
      m_removedPages(new QWidget(this)),
      m_content(library, static_cast<ContentView&>(*this), programDir),
      m_controller(std::make_unique<Controller>(library, static_cast<OperatorView&>(*this),
                                                m_content, programDir)),
      m_qtTexts(new QTranslator(this)) {
    ui->setupUi(this);
    time_OK->setSingleShot(true);
    m_removedPages->setObjectName(QStringLiteral("removedPages"));
    m_removedPages->hide();

    ui->Language1->menuAction()->setVisible(false);
    // The window's built-in texts are Portuguese; Qt's own follow them.
    useQtTexts(QLocale(QLocale::Portuguese, QLocale::Brazil));
    ui->GrpIFace->setItemIndex(2);
    ui->CBchannel->setCurrentText(QStringLiteral("1"));
    // Months of scans would otherwise fill the memory with log lines.
    ui->MemoRecv->setMaximumBlockCount(kEventLogLines);
    for (int i = 0; i < ui->PageControl1->count(); ++i) {
        ui->PageControl1->widget(i)->setWindowTitle(ui->PageControl1->tabText(i));
    }

    OpenPictureDialog1.filter = allPicturesFilter();
    FontDialog1 = defaultTextFont();

    buildPopupMenu();
    applyLook();

    connectWindow();
    connectSettings();
    connectTerminals();
    connectDatabase();
    connectConfig();
    connectContent();
    connectShell();
    // Enabled in the layout: the poller runs from the first event loop on, the boxes
    // of start-up included.
    Timer2->start();
}

TForm1::~TForm1() = default;

void TForm1::connectWindow() {
    connect(ui->BtnClearMemo, &QAbstractButton::clicked, this, &TForm1::BtnClearMemoClick);
    connect(time_OK, &QTimer::timeout, this, &TForm1::time_OKTimer);
}

void TForm1::buildPopupMenu() {
    pm_Barra_Tarefas->setObjectName(QStringLiteral("pm_Barra_Tarefas"));
    mp_Exibir = makeAction(pm_Barra_Tarefas, "mp_Exibir", QStringLiteral("Exibir"));
    N2 = makeAction(pm_Barra_Tarefas, "N2", QString());
    N2->setSeparator(true);
    mp_Inicialicacao =
        new QMenu(QStringLiteral("Inicialização Automática com o Linux"), pm_Barra_Tarefas);
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
    if (m_allPages) {
        return;
    }
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

void TForm1::appendLog(const QString& line) {
    ui->MemoRecv->appendPlainText(line);
}

void TForm1::setLamp(Lamp lamp, LampColor color) {
    for (const auto& [which, control] : kLampControls) {
        if (which == lamp) {
            (ui.get()->*control)
                ->setColor(color == LampColor::Green ? StatusLamp::kGreen : StatusLamp::kYellow);
        }
    }
}

void TForm1::showNotice(const QString& text) {
    dialogs().showMessage(text);
}

// ---- self-dismissing boxes -------------------------------------------------

QMessageBox::StandardButton TForm1::showSelfDismissingBox(MessageIcon icon, const QString& caption,
                                                          const QString& text) {
    return dialogs().message(
        {.icon = icon, .caption = caption, .text = text, .selfDismissing = true});
}

void TForm1::showApplicationError(const QString& message) {
    dialogs().applicationError(message);
}

void TForm1::armSelfDismiss(QMessageBox& box) {
    const DismissalSchedule::Box key = &box;
    m_dismissals.open(key, DismissalSchedule::Clock::now());
    connect(&box, &QObject::destroyed, this, [this, key] {
        m_dismissals.close(key);
        scheduleNextDismissal();
    });
    scheduleNextDismissal();
}

void TForm1::time_OKTimer() {
    time_OK->stop();
    const std::vector<DismissalSchedule::Box> due =
        m_dismissals.takeDue(DismissalSchedule::Clock::now());
    // Only a box that is still open can be pressed, so the addresses are looked up
    // among the window's boxes.
    for (QMessageBox* box : findChildren<QMessageBox*>()) {
        if (std::find(due.begin(), due.end(), box) == due.end()) {
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
    const auto wait = m_dismissals.untilNext(DismissalSchedule::Clock::now());
    if (!wait) {
        time_OK->stop();
        return;
    }
    time_OK->setInterval(static_cast<int>(wait->count()));
    time_OK->start();
}

// ---- start-up, settings and shutdown ---------------------------------------

void TForm1::FormCreate() {
    ui->PageControl1->setCurrentWidget(ui->TabSheet4);
    m_controller->startUp();
}

void TForm1::LoadSettings() {
    m_controller->loadSettings();
}

void TForm1::SaveSettings() {
    m_controller->saveSettings();
}

void TForm1::StartClick() {
    m_controller->startServer();
}

void TForm1::FormClose() {
    m_controller->shutDown();
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
    m_controller->setStartHidden(true);
}

void TForm1::rb_NãoClick() {
    m_controller->setStartHidden(false);
}

void TForm1::connectSettings() {
    connect(ui->Start, &QAction::triggered, this, &TForm1::StartClick);
    connect(ui->SpeedButton1, &QAbstractButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(mp_Fechar, &QAction::triggered, this, &TForm1::SpeedButton1Click);
    connect(ui->rb_Sim, &QAbstractButton::clicked, this, &TForm1::rb_SimClick);
    connect(ui->rb_Não, &QAbstractButton::clicked, this, &TForm1::rb_NãoClick);
    // Every edit reaches the controller as it happens, so nothing reads a control later.
    const auto handOver = [this](QLineEdit* edit, QString Settings::*entry) {
        connect(edit, &QLineEdit::textChanged, this,
                [this, entry](const QString& text) { m_controller->setSetting(entry, text); });
    };
    handOver(ui->EdtCurrency, &Settings::currency);
    handOver(ui->EdtLine1, &Settings::line1);
    handOver(ui->EdtLine2, &Settings::line2);
    handOver(ui->EdtTimeEx, &Settings::timeex);
    handOver(ui->edt_Caminho_Banco, &Settings::bd);
}

void TForm1::showSettings(const Settings& settings) {
    ui->EdtCurrency->setText(settings.currency);
    ui->EdtLine1->setText(settings.line1);
    ui->EdtLine2->setText(settings.line2);
    ui->EdtTimeEx->setText(settings.timeex);
    ui->edt_Caminho_Banco->setText(settings.bd);
    (settings.lcbo_Iniciar ? ui->rb_Sim : ui->rb_Não)->setChecked(true);
    // Every page keeps its tab, the instant image shows and the language menu is offered.
    m_allPages = settings.allPages;
    for (QAction* language : {ui->Language1->menuAction(), ui->Portugues1, ui->English1}) {
        language->setVisible(m_allPages);
    }
    ui->GrpIImg->setVisible(m_allPages);
}

void TForm1::serverStarted() {
    ui->Start->setEnabled(false);
}

void TForm1::startTerminalRefresh() {
    Timer1->start();
}
