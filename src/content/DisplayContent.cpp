#include "content/DisplayContent.h"

#include <optional>
#include <utility>

#include <QDir>
#include <QFileInfo>

#include "content/ImageTableFile.h"
#include "content/InstantImage.h"
#include "content/TerminalPicture.h"

namespace tarifon {

namespace {

constexpr int kFirstDataRow = 1;

}  // namespace

DisplayContent::DisplayContent(TerminalLibrary& library, ContentView& view, QString programDir)
    : m_library(library),
      m_view(view),
      m_programDir(std::move(programDir)),
      m_preview(whitePicture()),
      m_instantImage(whitePicture()) {}

QString DisplayContent::besideProgram(QStringView name) const {
    return QDir(m_programDir).filePath(name.toString());
}

bool DisplayContent::take(const PictureLoad& load, QImage& target) {
    switch (load.outcome) {
        case PictureLoad::Outcome::Loaded:
            target = load.picture;
            return true;
        case PictureLoad::Outcome::Failed:
            m_view.showError(load.error);
            return false;
        case PictureLoad::Outcome::Missing:
            break;
    }
    return false;
}

void DisplayContent::setPreview(const PictureLoad& load) {
    if (take(load, m_preview))
        m_view.showPreview(m_preview);
}

void DisplayContent::setInstantImage(const PictureLoad& load) {
    if (take(load, m_instantImage))
        m_view.showInstantImage(m_instantImage);
}

// ---- Image table and preview ----------------------------------------------

void DisplayContent::setCell(int row, int column, const QString& text) {
    // Row 0 is the title row, which the table routines leave alone.
    if (row >= kFirstDataRow)
        m_table.setCell(row, column, text);
}

void DisplayContent::loadImageTable() {
    m_view.setImageColumnWidths(kColumnWidths);
    loadTableFile(kImageTableFileName.toString());
}

void DisplayContent::reloadImageTable(TableSource source) {
    if (source == TableSource::ImageTable)
        loadTableFile(kImageTableFileName.toString());
}

// The image table's file: its rows, then the preview of its first row.
void DisplayContent::loadTableFile(const QString& file) {
    tarifon::loadImageTable(besideProgram(file), m_table);
    m_view.showImageTable(m_table);
    previewRow(kFirstDataRow);
}

void DisplayContent::saveImageTable(TableSource source) {
    if (source != TableSource::ImageTable)
        return;
    if (const Result<void, QString> saved =
            tarifon::saveImageTable(besideProgram(kImageTableFileName), m_table);
        !saved)
        m_view.showError(saved.error());
}

void DisplayContent::previewRow(int row) {
    setPreview(previewFromRow(m_programDir, m_table, row));
}

void DisplayContent::choosePicture(int row, const QString& path) {
    if (row < kFirstDataRow || row >= m_table.rowCount())
        return;
    m_table.setCell(row, 0, QFileInfo(path).fileName());
    m_view.showImageTable(m_table);
    setPreview(loadPictureFile(path));
}

// ---- Instant image ----------------------------------------------------------

void DisplayContent::clearInstantImage() {
    m_instantImage = whitePicture();
    m_view.showInstantImage(m_instantImage);
}

void DisplayContent::loadLastInstantImage() {
    clearInstantImage();
    setInstantImage(loadPictureUnchanged(besideProgram(kInstantImageFileName)));
}

void DisplayContent::loadInstantImage(const QString& path) {
    setInstantImage(loadPictureFile(path));
}

void DisplayContent::writeTextLine(TextLine line, const QString& line1, const QString& line2,
                                   const QFont& font) {
    drawTextLine(m_instantImage, line == TextLine::First ? line1 : line2, textLineCentre(line),
                 font);
    m_view.showInstantImage(m_instantImage);
}

void DisplayContent::saveInstantImage(const QString& path) {
    if (const Result<void, QString> saved = savePictureBmp(m_instantImage, path); !saved)
        m_view.showError(saved.error());
}

void DisplayContent::sendInstantImage(int32_t socket, const QString& displayTime) {
    if (const Result<void, QString> sent = tarifon::sendInstantImage(
            m_library, socket, m_instantImage, besideProgram(kInstantImageFileName), displayTime);
        !sent)
        m_view.showError(sent.error());
}

void DisplayContent::keepInstantImage() {
    // The program is ending: there is no one left to tell.
    [[maybe_unused]] const auto kept =
        savePictureBmp(m_instantImage, besideProgram(kInstantImageFileName));
}

}  // namespace tarifon
