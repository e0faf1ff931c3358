#pragma once

#include <cstdint>
#include <optional>

#include <QString>
#include <QStringView>

#include "base/Result.h"

namespace tarifon {

// Whole numbers typed by the operator or stored in settings files, read the way shops'
// existing settings files expect:
// - leading spaces and tabs are skipped, trailing ones are not (" 7" converts, "7 " fails);
// - an optional "+" or "-", then decimal digits, or hexadecimal digits after "0x", "0X",
//   "$", "x" or "X";
// - decimal must fit a signed 32-bit number;
// - hexadecimal may go up to FFFFFFFF and is taken as the 32-bit pattern, so "$FFFFFFFF"
//   is -1 and "0x80000000" is -2147483648 (existing settings files rely on it);
//   a "-" before hexadecimal negates that pattern.
// Anything else, including an empty text or a prefix without digits, does not convert.
std::optional<int32_t> strToInt(QStringView text);

// As strToInt, with `def` when the text does not convert.
int32_t strToIntDef(QStringView text, int32_t def);

// A number field the operator typed, by strToInt's rules, or the error that ends the
// action in the application's error box: "''%s'' is not a valid integer value", %s
// being the text as entered.
Result<int32_t, QString> typedInteger(QStringView text);

}  // namespace tarifon
