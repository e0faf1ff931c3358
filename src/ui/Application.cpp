#include "ui/Application.h"

#include <QApplication>

namespace tarifon {

void setUpApplication() {
    // No display name: once one is set, the platform appends it to every window title,
    // the boxes' captions included.
    QApplication::setApplicationName(QStringLiteral("Tarifon"));
    // The window may be hidden in the notification area; only closing it ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
}

}  // namespace tarifon
