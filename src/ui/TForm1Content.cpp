// Display content: the quick message, the image table and its preview, the instant
// image and the picture distribution.
#include <functional>
#include <utility>

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QSignalBlocker>
#include <QTableWidget>

#include "app/Controller.h"
#include "ui/TForm1.h"
#include "ui_TForm1.h"

using namespace tarifon;

namespace {

// Clicks and double-clicks on controls that have no such signals of their own (the
// pictures, the read-only path of the instant image).
class MouseActions : public QObject {
public:
    MouseActions(QWidget* control, std::function<void()> click, std::function<void()> doubleClick)
        : QObject(control), m_click(std::move(click)), m_doubleClick(std::move(doubleClick)) {
        control->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick && m_doubleClick &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_doubleClick();
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease && m_click &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_click();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_click;
    std::function<void()> m_doubleClick;
};

}  // namespace

void TForm1::connectContent() {
    QTableWidget* grid = ui->StringGrid3;
    // The grid starts on its first data cell, whose picture the preview shows.
    grid->setCurrentCell(1, 0);

    connect(ui->BtnMsgSend, &QAbstractButton::clicked, this, &TForm1::BtnMsgSendClick);
    connect(ui->BtnImgAdd, &QAbstractButton::clicked, this, &TForm1::BtnImgAddClick);
    connect(ui->BtnImgDel, &QAbstractButton::clicked, this, &TForm1::BtnImgDelClick);
    connect(ui->BtnImgRel, &QAbstractButton::clicked, this,
            [this] { BtnImgRelClick(ui->BtnImgRel); });
    connect(ui->BtnImgSave, &QAbstractButton::clicked, this,
            [this] { BtnImgSaveClick(ui->BtnImgSave); });
    connect(grid, &QTableWidget::currentCellChanged, this, &TForm1::StringGrid3SelectCell);
    connect(grid, &QTableWidget::cellDoubleClicked, this,
            [this] { StringGrid3DblClick(ui->StringGrid3); });
    // Cells edited in place reach the controller's table as they change.
    connect(grid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* cell) {
        m_content.setCell(cell->row(), cell->column(), cell->text());
    });
    new MouseActions(
        ui->Image1, [this] { Image1Click(); }, [this] { StringGrid3DblClick(ui->Image1); });
    new MouseActions(ui->EdtIImg, nullptr, [this] { EdtImg1DblClick(); });

    connect(ui->BtnIImgFont, &QAbstractButton::clicked, this, &TForm1::BtnIImgFontClick);
    connect(ui->BtnTr1, &QAbstractButton::clicked, this, [this] { BtnTr1Click(ui->BtnTr1); });
    connect(ui->BtnTr2, &QAbstractButton::clicked, this, [this] { BtnTr1Click(ui->BtnTr2); });
    connect(ui->BtnIImgSave, &QAbstractButton::clicked, this, &TForm1::BtnIImgSaveClick);
    connect(ui->BtnIImgClear, &QAbstractButton::clicked, this, &TForm1::BtnIImgClearClick);
    connect(ui->BtnIImg, &QAbstractButton::clicked, this, &TForm1::BtnImg1Click);
    connect(ui->Button6, &QAbstractButton::clicked, this, &TForm1::Button6Click);
}

// ---- Quick message ------------------------------------------------------------

void TForm1::BtnMsgSendClick() {
    m_controller->sendQuickMessage();
}

// ---- Image table and preview ---------------------------------------------------

// The buttons take no focus, so a cell still being edited would not end its edit and
// the table would go on without the text typed into it: its editor hands it over first.
void TForm1::commitOpenCell() {
    QTableWidget* grid = ui->StringGrid3;
    if (QWidget* editor = grid->indexWidget(grid->currentIndex())) {
        emit grid->itemDelegate()->commitData(editor);
        emit grid->itemDelegate()->closeEditor(editor);
    }
}

// The reload and save handlers are shared; only their own two buttons name the table.
TableSource TForm1::tableSource(const QObject* pressed) const {
    return pressed == ui->BtnImgRel || pressed == ui->BtnImgSave ? TableSource::ImageTable
                                                                 : TableSource::None;
}

void TForm1::BtnImgRelClick(const QObject* pressed) {
    commitOpenCell();
    m_content.reloadImageTable(tableSource(pressed));
}

void TForm1::BtnImgSaveClick(const QObject* pressed) {
    commitOpenCell();
    m_content.saveImageTable(tableSource(pressed));
}

// The image table's add and delete buttons have no action.
void TForm1::BtnImgAddClick() {}

void TForm1::BtnImgDelClick() {}

void TForm1::StringGrid3SelectCell(int row, int, int previousRow, int) {
    if (row != previousRow && row >= 1) {
        m_content.previewRow(row);
    }
}

void TForm1::StringGrid3DblClick(const QObject* source) {
    QTableWidget* grid = ui->StringGrid3;
    // Loop and Pause cells are edited as usual; the preview always chooses a file.
    if (source == grid && grid->currentColumn() != 0) {
        return;
    }
    OpenPictureDialog1.directory = m_controller->besideProgram(QStringLiteral("images"));
    OpenPictureDialog1.defaultSuffix = QStringLiteral("JPG");
    OpenPictureDialog1.filter = QStringLiteral("Imagem (*.JPG)|*.JPG|Imagem (*.BMP)|*.BMP");
    const QString path = dialogs().openFile(OpenPictureDialog1);
    if (!path.isEmpty()) {
        m_content.choosePicture(grid->currentRow(), path);
    }
}

void TForm1::Image1Click() {}

void TForm1::setImageColumnWidths(const std::array<int, ImageTable::kColumns>& widths) {
    for (int column = 0; column < ImageTable::kColumns; ++column) {
        ui->StringGrid3->setColumnWidth(column, widths[static_cast<size_t>(column)]);
    }
}

void TForm1::showImageTable(const ImageTable& table) {
    QTableWidget* grid = ui->StringGrid3;
    // The controller's table already holds these texts: no hand-over back.
    const QSignalBlocker quiet(grid);
    grid->setRowCount(table.rowCount());
    for (int row = 1; row < table.rowCount(); ++row) {
        for (int column = 0; column < ImageTable::kColumns; ++column) {
            QTableWidgetItem* cell = grid->item(row, column);
            if (cell == nullptr) {
                cell = new QTableWidgetItem;
                grid->setItem(row, column, cell);
            }
            cell->setText(table.cell(row, column));
        }
    }
}

// Unscaled from the top-left corner: the preview is narrower than a terminal picture.
void TForm1::showPreview(const QImage& picture) {
    ui->Image1->setPixmap(QPixmap::fromImage(picture));
}

// ---- Instant image ---------------------------------------------------------------

void TForm1::EdtImg1DblClick() {
    const QString path = dialogs().openFile(OpenPictureDialog1);
    if (path.isEmpty()) {
        return;
    }
    ui->EdtIImg->setText(path);
    m_content.loadInstantImage(path);
}

void TForm1::BtnIImgFontClick() {
    if (const std::optional<QFont> font = dialogs().chooseFont(FontDialog1)) {
        FontDialog1 = *font;
    }
}

void TForm1::BtnTr1Click(const QObject* pressed) {
    // Only "BtnTr1" writes the first line; the handler is shared.
    m_controller->writeTextLine(pressed == ui->BtnTr1 ? TextLine::First : TextLine::Second,
                                FontDialog1);
}

void TForm1::BtnIImgSaveClick() {
    SavePictureDialog1.defaultSuffix = QStringLiteral(".bmp");
    SavePictureDialog1.filter = QStringLiteral("Bitmap (*.bmp)|*.BMP");
    const QString path = dialogs().saveFile(SavePictureDialog1);
    if (!path.isEmpty()) {
        m_content.saveInstantImage(path);
    }
}

void TForm1::BtnIImgClearClick() {
    m_content.clearInstantImage();
}

void TForm1::BtnImg1Click() {
    m_controller->sendInstantImage();
}

void TForm1::showInstantImage(const QImage& picture) {
    ui->IImg->setPixmap(QPixmap::fromImage(picture));
}

// ---- Picture distribution ------------------------------------------------------

void TForm1::Button6Click() {
    commitOpenCell();
    m_controller->sendImageSet();
}

void TForm1::showError(const QString& message) {
    showApplicationError(message);
}
