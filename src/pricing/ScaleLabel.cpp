#include "pricing/ScaleLabel.h"

#include <algorithm>
#include <array>

namespace tarifon {

namespace {

// Values longer than this would not fit the price arithmetic downstream.
constexpr int kMaxValueDigits = 9;
constexpr int kMaxDecimals = 4;

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The weighting tables of the price check digit: each digit's weighted product.
constexpr std::array<int, 10> kTwoMinus = {0, 2, 4, 6, 8, 9, 1, 3, 5, 7};
constexpr std::array<int, 10> kThree = {0, 3, 6, 9, 2, 5, 8, 1, 4, 7};
constexpr std::array<int, 10> kFivePlus = {0, 5, 1, 6, 2, 7, 3, 8, 4, 9};
constexpr std::array<int, 10> kFiveMinus = {0, 5, 9, 4, 8, 3, 7, 2, 6, 1};

int digitAt(std::string_view text, size_t i) {
    return text[i] - '0';
}

bool overlaps(int start1, int length1, int start2, int length2) {
    return start1 < start2 + length2 && start2 < start1 + length1;
}

bool matchesPrefix(std::string_view code, const ScaleFormat::Prefix& prefix) {
    // Digit strings of one length compare as their numbers do.
    const std::string_view lead = code.substr(0, prefix.low.size());
    return lead >= prefix.low && lead <= prefix.high;
}

}  // namespace

std::optional<std::string> checkScaleFormat(const ScaleFormat& f) {
    if (f.length != 12 && f.length != 13)
        return "the length must be 12 or 13";
    if (f.prefixes.empty())
        return "no prefix";
    size_t prefixLength = 0;
    for (const ScaleFormat::Prefix& p : f.prefixes) {
        if (!isDigits(p.low) || !isDigits(p.high) || p.low.size() != p.high.size() ||
            p.low > p.high)
            return "a prefix must be digits, or a range of two equally long ones, low to high";
        prefixLength = std::max(prefixLength, p.low.size());
    }
    // Everything stands between the prefix and the check digit.
    const int first = static_cast<int>(prefixLength);
    const int last = f.length - 1;
    const auto inside = [&](const DigitField& field) {
        // Written so that no sum of two typed numbers can overflow.
        return field.length >= 1 && field.start >= first && field.start <= last - field.length;
    };
    if (!inside(f.code))
        return "the product code must lie between the prefix and the check digit";
    if (!inside(f.value) || f.value.length > kMaxValueDigits)
        return "the value must lie between the prefix and the check digit, at most 9 digits";
    if (overlaps(f.code.start, f.code.length, f.value.start, f.value.length))
        return "the product code and the value overlap";
    if (f.kind == ScaleValueKind::Price && (f.decimals < 0 || f.decimals > kMaxDecimals))
        return "a price has 0 to 4 decimals";
    if (f.kind == ScaleValueKind::Weight && f.decimals != 0)
        return "a weight is in grams, without decimals";
    if (f.priceCheck) {
        if (f.value.length != 4 && f.value.length != 5)
            return "a price check digit needs a value of 4 or 5 digits";
        const int check = f.value.start - 1;
        if (check < first || overlaps(check, 1, f.code.start, f.code.length))
            return "the price check digit before the value overlaps the prefix or the code";
    }
    return std::nullopt;
}

bool hasValidCheckDigit(std::string_view digits) {
    if (digits.size() < 2 || !isDigits(digits))
        return false;
    // Weights 3 and 1 alternate leftwards from the digit next to the check digit.
    int sum = 0;
    const size_t body = digits.size() - 1;
    for (size_t i = 0; i < body; ++i)
        sum += digitAt(digits, body - 1 - i) * (i % 2 == 0 ? 3 : 1);
    return (10 - sum % 10) % 10 == digitAt(digits, body);
}

std::optional<int> priceCheckDigit(std::string_view v) {
    if (!isDigits(v))
        return std::nullopt;
    if (v.size() == 4) {
        const int sum = kTwoMinus[digitAt(v, 0)] + kTwoMinus[digitAt(v, 1)] +
                        kThree[digitAt(v, 2)] + kFiveMinus[digitAt(v, 3)];
        return sum * 3 % 10;
    }
    if (v.size() == 5) {
        const int sum = kFivePlus[digitAt(v, 0)] + kTwoMinus[digitAt(v, 1)] +
                        kFiveMinus[digitAt(v, 2)] + kFivePlus[digitAt(v, 3)] +
                        kTwoMinus[digitAt(v, 4)];
        // The check digit is the one whose five-minus product makes the sum a multiple of ten.
        const int wanted = (10 - sum % 10) % 10;
        return static_cast<int>(std::find(kFiveMinus.begin(), kFiveMinus.end(), wanted) -
                                kFiveMinus.begin());
    }
    return std::nullopt;
}

std::optional<ScaleLabel> decodeScaleLabel(std::string_view code,
                                           std::span<const ScaleFormat> formats) {
    if (!hasValidCheckDigit(code))
        return std::nullopt;
    for (const ScaleFormat& f : formats) {
        if (code.size() != static_cast<size_t>(f.length) || checkScaleFormat(f))
            continue;
        if (std::none_of(f.prefixes.begin(), f.prefixes.end(),
                         [&](const ScaleFormat::Prefix& p) { return matchesPrefix(code, p); }))
            continue;
        const std::string_view value = code.substr(f.value.start, f.value.length);
        if (f.priceCheck && priceCheckDigit(value) != digitAt(code, f.value.start - 1))
            continue;
        ScaleLabel label{std::string(code.substr(f.code.start, f.code.length)), f.kind, 0,
                         f.decimals};
        for (char digit : value)
            label.value = label.value * 10 + (digit - '0');
        return label;
    }
    return std::nullopt;
}

}  // namespace tarifon
