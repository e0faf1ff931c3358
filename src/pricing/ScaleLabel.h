#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarifon {

// What the value embedded in a scale label stands for.
enum class ScaleValueKind { Price, Weight };

// A run of digits within a label; `start` counts from 0.
struct DigitField {
    int start = 0;
    int length = 0;
};

// One layout of the barcodes that counter scales print on the spot: leading digits that
// mark them, the product's short code and the label's price or weight, then the
// EAN-13 / UPC-A check digit.
struct ScaleFormat {
    // Equally long digit strings; a single prefix has low == high ("2".."2", "20".."29").
    struct Prefix {
        std::string low;
        std::string high;
    };

    std::vector<Prefix> prefixes;
    int length = 13;  // 13 (EAN-13) or 12 (UPC-A), the check digit last
    DigitField code;
    DigitField value;
    ScaleValueKind kind = ScaleValueKind::Price;
    int decimals = 2;  // of a price; a weight is in grams and has none
    // The digit just before the value is the value's own check digit (4 or 5 digits only).
    bool priceCheck = false;
};

// A label read through its format.
struct ScaleLabel {
    std::string productCode;  // as printed, leading zeros included
    ScaleValueKind kind = ScaleValueKind::Price;
    int64_t value = 0;  // the price in units of 10^-decimals, or the grams
    int decimals = 0;
};

// Why the format cannot read any label (a field outside the code, fields that overlap,
// a price check digit on a value it is not defined for, ...); nothing when it can.
std::optional<std::string> checkScaleFormat(const ScaleFormat& format);

// The label as read by the first format that it matches, with its check digit, and the
// price check digit where the format has one, both right.  A wrong check digit is a
// misread, never a label.  Formats that checkScaleFormat refuses are passed over.
std::optional<ScaleLabel> decodeScaleLabel(std::string_view code,
                                           std::span<const ScaleFormat> formats);

// Whether the last digit is the EAN-13 / UPC-A check digit of the others.
bool hasValidCheckDigit(std::string_view digits);

// The check digit that scales print before a 4- or 5-digit price or weight; nothing for
// other lengths or for anything but digits.
std::optional<int> priceCheckDigit(std::string_view value);

}  // namespace tarifon
