#include "ui/Application.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "platform/AppPaths.h"

namespace tarifon {

namespace {

// The drawing of packaging/tarifon.svg, on its 64 x 64 grid: an orange tag with its
// string hole and a white label carrying a barcode.
QPixmap drawnIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath tag;
    tag.addPolygon(QPolygonF({{3, 32}, {17, 10}, {61, 10}, {61, 54}, {17, 54}, {3, 32}}));
    QPainterPath hole;
    hole.addEllipse(QPointF(17, 32), 4, 4);
    painter.fillPath(tag.subtracted(hole), QColor(0xe8, 0x83, 0x3a));
    painter.fillRect(25, 17, 30, 30, Qt::white);
    const int bars[][2] = {{28, 2}, {31, 1}, {33, 2}, {36, 1}, {38, 3},
                           {42, 1}, {44, 2}, {47, 1}, {49, 1}, {51, 1}};
    for (const auto& [x, width] : bars) {
        painter.fillRect(x, 21, width, 22, QColor(0x1d, 0x35, 0x57));
    }
    return pixmap;
}

}  // namespace

void setUpApplication() {
    // No display name: once one is set, the platform appends it to every window title,
    // the boxes' captions included.
    QApplication::setApplicationName(QStringLiteral("Tarifon"));
    // The window may be hidden in the notification area; only closing it ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(applicationIcon(besideExecutable(QStringLiteral("tarifon.png"))));
}

QIcon applicationIcon(const QString& pngPath) {
    const QPixmap file(pngPath);
    return QIcon(file.isNull() ? drawnIcon() : file);
}

}  // namespace tarifon
