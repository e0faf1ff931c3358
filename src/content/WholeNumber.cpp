#include "content/WholeNumber.h"

namespace tarifon {

QString invalidIntegerMessage(const QString& text) {
    return QStringLiteral("''%1'' is not a valid integer value").arg(text);
}

}  // namespace tarifon
