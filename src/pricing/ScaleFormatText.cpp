#include "pricing/ScaleFormatText.h"

#include <algorithm>
#include <optional>

#include <QStringList>

#include "platform/IntText.h"

namespace tarifon {

namespace {

using Parsed = Result<ScaleFormat, QString>;

bool isDigits(QStringView text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

std::optional<std::vector<ScaleFormat::Prefix>> prefixes(QStringView text) {
    std::vector<ScaleFormat::Prefix> list;
    for (QStringView item : text.split(QLatin1Char(','))) {
        const QList<QStringView> ends = item.trimmed().split(QLatin1Char('-'));
        if (ends.size() > 2 || !isDigits(ends.front().trimmed()) ||
            !isDigits(ends.back().trimmed()))
            return std::nullopt;
        list.push_back({ends.front().trimmed().toString().toStdString(),
                        ends.back().trimmed().toString().toStdString()});
    }
    return list;
}

// "start,length" with the start counted from 1.
std::optional<DigitField> field(QStringView text) {
    const QList<QStringView> parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return std::nullopt;
    const std::optional<int32_t> start = strToInt(parts[0].trimmed());
    const std::optional<int32_t> length = strToInt(parts[1].trimmed());
    if (!start || !length || *start < 1)
        return std::nullopt;
    return DigitField{*start - 1, *length};
}

std::optional<bool> yesNo(QStringView text) {
    for (const char* yes : {"yes", "1"})
        if (text.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0)
            return true;
    for (const char* no : {"no", "0"})
        if (text.compare(QLatin1String(no), Qt::CaseInsensitive) == 0)
            return false;
    return std::nullopt;
}

}  // namespace

Parsed parseScaleFormat(QStringView text) {
    ScaleFormat format;
    QStringList seen;
    std::optional<int32_t> decimals;
    for (QStringView item : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (item.trimmed().isEmpty())
            continue;
        const qsizetype colon = item.indexOf(QLatin1Char(':'));
        const QString name = item.left(colon).trimmed().toString().toLower();
        const QStringView value = colon < 0 ? QStringView() : item.mid(colon + 1).trimmed();
        if (colon < 0 || value.isEmpty())
            return fail(QStringLiteral("\"%1\" is not name:value").arg(item.trimmed()));
        if (seen.contains(name))
            return fail(QStringLiteral("%1 given twice").arg(name));
        seen << name;
        bool understood = true;
        if (name == QLatin1String("prefix")) {
            const auto list = prefixes(value);
            understood = list.has_value();
            if (list)
                format.prefixes = *list;
        } else if (name == QLatin1String("length")) {
            const auto length = strToInt(value);
            understood = length.has_value();
            format.length = length.value_or(0);
        } else if (name == QLatin1String("code") || name == QLatin1String("value")) {
            const auto digits = field(value);
            understood = digits.has_value();
            (name == QLatin1String("code") ? format.code : format.value) =
                digits.value_or(DigitField{});
        } else if (name == QLatin1String("kind")) {
            const bool weight = value.compare(QLatin1String("weight"), Qt::CaseInsensitive) == 0;
            understood = weight || value.compare(QLatin1String("price"), Qt::CaseInsensitive) == 0;
            format.kind = weight ? ScaleValueKind::Weight : ScaleValueKind::Price;
        } else if (name == QLatin1String("decimals")) {
            decimals = strToInt(value);
            understood = decimals.has_value();
        } else if (name == QLatin1String("pricecheck")) {
            const auto check = yesNo(value);
            understood = check.has_value();
            format.priceCheck = check.value_or(false);
        } else {
            return fail(QStringLiteral("unknown item %1").arg(name));
        }
        if (!understood)
            return fail(QStringLiteral("%1:%2 is not understood").arg(name, value));
    }
    for (const char* required : {"prefix", "length", "code", "value"})
        if (!seen.contains(QLatin1String(required)))
            return fail(QStringLiteral("%1 is missing").arg(QLatin1String(required)));
    format.decimals = decimals.value_or(format.kind == ScaleValueKind::Price ? 2 : 0);
    if (const std::optional<std::string> fault = checkScaleFormat(format))
        return fail(QString::fromStdString(*fault));
    return format;
}

}  // namespace tarifon
