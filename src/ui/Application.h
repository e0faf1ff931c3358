#pragma once

#include <QIcon>
#include <QString>

namespace tarifon {

// The application-wide settings main() makes once the application object exists.
void setUpApplication();

// The program's icon from `pngPath` ("tarifon.png", which the package puts beside the
// executable), or, when that cannot be read, the same price tag drawn here, so the
// window and the notification area never show an empty icon.
QIcon applicationIcon(const QString& pngPath);

}  // namespace tarifon
