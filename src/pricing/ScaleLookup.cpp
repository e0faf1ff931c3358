#include "pricing/ScaleLookup.h"

namespace tarifon {

DbResult<std::optional<ProductRow>> findScaleLabelProduct(const QString& code,
                                                          std::span<const ScaleFormat> formats,
                                                          const FindByCode& find) {
    if (formats.empty())
        return std::optional<ProductRow>{};
    const std::optional<ScaleLabel> label = decodeScaleLabel(code.toStdString(), formats);
    if (!label)
        return std::optional<ProductRow>{};
    auto found = find(QString::fromStdString(label->productCode));
    if (found && *found && label->kind == ScaleValueKind::Price) {
        // At most nine digits with up to four decimals: always a Currency.
        found.value()->price = currencyFromScaled(label->value, -label->decimals).value_or(0);
    }
    return found;
}

}  // namespace tarifon
