#pragma once

#include <QString>
#include <QStringView>

#include "base/Result.h"
#include "pricing/ScaleLabel.h"

namespace tarifon {

// A scale-label format as written in the settings file, items separated by ";":
//   prefix:20-29;length:13;code:3,5;value:8,5;kind:price;decimals:2;pricecheck:no
// prefix: digits, or a range low-high, several separated by ","; length: 12 or 13;
// code and value: the first digit's position counted from 1, then the number of digits;
// kind: price (default) or weight (grams); decimals: of a price, 2 by default;
// pricecheck: yes when the digit before the value checks it (default no).
// Names are case-insensitive; prefix, length, code and value are required.
Result<ScaleFormat, QString> parseScaleFormat(QStringView text);

}  // namespace tarifon
