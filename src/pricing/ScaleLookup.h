#pragma once

#include <functional>
#include <optional>
#include <span>

#include <QString>

#include "pricing/DbResult.h"
#include "pricing/LookupPrice.h"
#include "pricing/ScaleLabel.h"

namespace tarifon {

// Finds the product stored under a code, as the lookup does.
using FindByCode = std::function<DbResult<std::optional<ProductRow>>(const QString& code)>;

// A code that is in no barcode table, read as a scale label: the product of its short
// code, priced as the label says when it carries a price (a weight label keeps the
// catalogue price).  Empty when no format reads it or no product has that short code.
DbResult<std::optional<ProductRow>> findScaleLabelProduct(const QString& code,
                                                          std::span<const ScaleFormat> formats,
                                                          const FindByCode& find);

}  // namespace tarifon
