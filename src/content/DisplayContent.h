#pragma once

#include <array>
#include <cstdint>

#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "content/ContentView.h"
#include "content/ImageTable.h"
#include "content/InstantImage.h"
#include "content/PictureFile.h"
#include "terminal/TerminalLibrary.h"

namespace tarifon {

// What a reload or save acts on.
enum class TableSource { ImageTable, None };

// The display content as the window shows it: the image table, the preview of a row's
// picture and the instant image.  The window hands the operator's actions over and shows
// what comes back through ContentView; no picture or cell lives only in a widget.
// User-interface thread only; picture distributions get their own copy of the table.
class DisplayContent {
public:
    static constexpr std::array<int, ImageTable::kColumns> kColumnWidths{140, 40, 40};

    DisplayContent(TerminalLibrary& library, ContentView& view, QString programDir);

    // ---- Image table and preview
    const ImageTable& imageTable() const { return m_table; }
    // The operator edited a data cell in place.
    void setCell(int row, int column, const QString& text);
    // Start-up: the column widths, "images.txt" into the table, the preview of row 1.
    void loadImageTable();
    // The reload and save buttons, whose shared handlers may be pressed from another
    // control: only the image table has a file.
    void reloadImageTable(TableSource source);
    void saveImageTable(TableSource source);
    // The preview shows `row`'s picture, white when its file does not exist.
    void previewRow(int row);
    // A picture file chosen for `row`: its bare name into column 0, the file itself
    // (wherever it lies) into the preview.
    void choosePicture(int row, const QString& path);

    // ---- Instant image
    const QImage& instantImage() const { return m_instantImage; }
    void clearInstantImage();
    // Start-up: cleared, then "temp.bmp" as it is (any size and depth) when it exists.
    void loadLastInstantImage();
    void loadInstantImage(const QString& path);
    // The ">" buttons: `line`'s text, centred on its line, in `font`.
    void writeTextLine(TextLine line, const QString& line1, const QString& line2,
                       const QFont& font);
    void saveInstantImage(const QString& path);
    // Through "temp.bmp" to the selected terminal.
    void sendInstantImage(int32_t socket, const QString& displayTime);
    // Shutdown: "temp.bmp" keeps the instant image for the next run; errors are ignored.
    void keepInstantImage();

private:
    QString besideProgram(QStringView name) const;
    void loadTableFile(const QString& file);
    // A loaded picture replaces `target`; a failed one leaves it and shows the error; a
    // missing file changes nothing.  True when `target` changed.
    bool take(const PictureLoad& load, QImage& target);
    void setPreview(const PictureLoad& load);
    void setInstantImage(const PictureLoad& load);

    TerminalLibrary& m_library;
    ContentView& m_view;
    const QString m_programDir;
    ImageTable m_table;
    QImage m_preview;
    QImage m_instantImage;
};

}  // namespace tarifon
