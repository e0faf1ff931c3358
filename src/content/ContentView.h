#pragma once

#include <array>

#include <QImage>
#include <QString>

#include "content/ImageTable.h"

namespace tarifon {

// What the display content shows the operator: the image table, the preview of a row's
// picture, the instant image and the application's error box.  The main window
// implements it on the user-interface thread.
class ContentView {
public:
    virtual ~ContentView() = default;

    virtual void setImageColumnWidths(const std::array<int, ImageTable::kColumns>& widths) = 0;
    // The table's data rows (from row 1); the title row is the language loader's.
    virtual void showImageTable(const ImageTable& table) = 0;
    virtual void showPreview(const QImage& picture) = 0;
    virtual void showInstantImage(const QImage& picture) = 0;
    // The application's general error box, for an error that ended an operator action.
    virtual void showError(const QString& message) = 0;
};

}  // namespace tarifon
