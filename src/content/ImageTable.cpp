#include "content/ImageTable.h"

#include <algorithm>

namespace tarifon {

ImageTable::ImageTable() : m_rows(kInitialRows) {}

void ImageTable::setRowCount(int rows) {
    m_rows.resize(static_cast<size_t>(std::max(rows, 1)));
}

QString ImageTable::cell(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= kColumns)
        return {};
    return m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

void ImageTable::setCell(int row, int column, const QString& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= kColumns)
        return;
    m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)] = text;
}

}  // namespace tarifon
