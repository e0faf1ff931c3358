#pragma once

#include <QString>

namespace tarifon {

// The text of the application's error box when a number field the operator typed
// (the display time) does not convert to a whole number.
QString invalidIntegerMessage(const QString& text);

}  // namespace tarifon
