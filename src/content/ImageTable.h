#pragma once

#include <array>
#include <vector>

#include <QString>

namespace tarifon {

// The image table as plain text cells: column 0 the picture's file name in the
// folder "images", column 1 Loop, column 2 Pause.  Row 0 stands for the grid's title
// row: it is counted, so row numbers are the grid's, but the table routines never
// read or write it.  A copy is cheap (the texts are shared), which is how a picture
// worker gets a table no one changes under it.
class ImageTable {
public:
    static constexpr int kColumns = 3;
    static constexpr int kInitialRows = 5;  // the title row and 4 empty data rows

    ImageTable();

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    // At least the title row; new rows are empty, removed rows lose their cells.
    void setRowCount(int rows);

    // Cells outside the table read as empty; writing one is ignored.
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);

private:
    std::vector<std::array<QString, kColumns>> m_rows;
};

}  // namespace tarifon
