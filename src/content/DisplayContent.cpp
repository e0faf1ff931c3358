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
      m_instantImage(whitePicture()),
      m_distributor(library, m_programDir) {}

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

void DisplayContent::reloadImageTable(QStringView controlName) {
    if (const std::optional<QString> file = tableFileForControl(controlName))
        loadTableFile(*file);
}

// The image table's file: its rows, then the preview of its first row.
void DisplayContent::loadTableFile(const QString& file) {
    tarifon::loadImageTable(besideProgram(file), m_table);
    m_view.showImageTable(m_table);
    previewRow(kFirstDataRow);
}

void DisplayContent::saveImageTable(QStringView controlName) {
    const std::optional<QString> file = tableFileForControl(controlName);
    if (!file)
        return;
    if (const std::optional<QString> error = tarifon::saveImageTable(besideProgram(*file), m_table))
        m_view.showError(*error);
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

void DisplayContent::writeTextLine(QStringView buttonName, const QString& line1,
                                   const QString& line2, const QFont& font) {
    const TextLineChoice choice = textLineForButton(buttonName);
    drawTextLine(m_instantImage, choice.firstLine ? line1 : line2, choice.centreY, font);
    m_view.showInstantImage(m_instantImage);
}

void DisplayContent::saveInstantImage(const QString& path) {
    if (const std::optional<QString> error = savePictureBmp(m_instantImage, path))
        m_view.showError(*error);
}

void DisplayContent::sendInstantImage(int32_t socket, const QString& displayTime) {
    if (const std::optional<QString> error = tarifon::sendInstantImage(
            m_library, socket, m_instantImage, besideProgram(kInstantImageFileName), displayTime))
        m_view.showError(*error);
}

void DisplayContent::keepInstantImage() {
    // The program is ending: there is no one left to tell.
    savePictureBmp(m_instantImage, besideProgram(kInstantImageFileName));
}

// ---- Picture distribution ---------------------------------------------------

PictureDistributor::Request DisplayContent::distributeOnRequest(int32_t socket) {
    return m_distributor.requestFromTerminal(m_flags, socket, m_table);
}

PictureDistributor::Request DisplayContent::distributeFromOperator(int32_t socket) {
    return m_distributor.requestFromOperator(m_flags, socket, m_table);
}

void DisplayContent::stopDistributions() {
    m_distributor.stop();
}

QStringList DisplayContent::takeDistributionLog() {
    return m_distributor.takeLogLines();
}

}  // namespace tarifon
