#include "pricing/LookupPrice.h"

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

#include "platform/Cp1252.h"
#include "pricing/FbConnection.h"
#include "pricing/FbDeadline.h"
#include "pricing/FbStatement.h"
#include "pricing/FbTransaction.h"
#include "pricing/ScaleLookup.h"

namespace tarifon {

const char kProductQuery[] =
    "SELECT PDV_CODIGOBARRAS.COB_CODIGO_EAN, PDV_ITENSRESUMIDO.ITR_DESCRICAO, "
    "PDV_ITENSRESUMIDO.ITR_VLR_VENDA FROM PDV_CODIGOBARRAS INNER JOIN PDV_ITENSRESUMIDO ON "
    "(PDV_CODIGOBARRAS.COB_CODIGO_ITEM = PDV_ITENSRESUMIDO.ITR_CODIGO) WHERE "
    "PDV_CODIGOBARRAS.COB_CODIGO_EAN = ";

namespace {

// SQLSTATEs of a stored code that the numeric comparison cannot convert: one that is
// not a number, and one too large for a 64-bit integer.
const QString kConversionError = QStringLiteral("22018");
const QString kOutOfRange = QStringLiteral("22003");

using Found = std::optional<ProductRow>;
using Type = short;

bool isDigitsOnly(const QString& code) {
    return !code.isEmpty() && std::all_of(code.begin(), code.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

// The engine reads a digit literal only as a 64-bit integer: a larger value makes the
// numeric comparison fail for every scan of that code, whatever is stored.
bool fitsNumericLiteral(const QString& digits) {
    static const QString kLargest = QStringLiteral("9223372036854775807");
    qsizetype first = 0;
    while (first < digits.size() && digits[first] == QLatin1Char('0'))
        ++first;
    const QStringView value = QStringView(digits).mid(first);
    return value.size() < kLargest.size() ||
           (value.size() == kLargest.size() && value.compare(kLargest) <= 0);
}

bool isText(Type type) {
    return type == SQL_TEXT || type == SQL_VARYING;
}

bool isInteger(Type type) {
    return type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64;
}

bool isFloating(Type type) {
    return type == SQL_FLOAT || type == SQL_DOUBLE || type == SQL_D_FLOAT;
}

QString typeName(const FbStatement::Column& column) {
    switch (column.type) {
        case SQL_TEXT:
            return QStringLiteral("CHAR(%1)").arg(column.length);
        case SQL_VARYING:
            return QStringLiteral("VARCHAR(%1)").arg(column.length);
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
            return column.scale == 0 ? QStringLiteral("INTEGER")
                                     : QStringLiteral("NUMERIC(scale %1)").arg(-column.scale);
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            return QStringLiteral("DOUBLE PRECISION");
        case SQL_BLOB:
            return QStringLiteral("BLOB");
        case SQL_TIMESTAMP:
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
            return QStringLiteral("a date or time");
        case SQL_BOOLEAN:
            return QStringLiteral("BOOLEAN");
        default:
            return QStringLiteral("type %1").arg(column.type);
    }
}

// The result must be the code, the description and the price, in that order.
std::optional<DbError> checkColumns(const std::vector<FbStatement::Column>& columns) {
    struct Expected {
        const char* name;
        bool (*accepts)(Type);
        const char* kind;
    };
    static const std::array<Expected, 3> expected = {{
        {"COB_CODIGO_EAN", isText, "text"},
        {"ITR_DESCRICAO", isText, "text"},
        {"ITR_VLR_VENDA", [](Type t) { return isInteger(t) || isFloating(t); }, "a number"},
    }};
    if (columns.size() != expected.size())
        return DbError{QStringLiteral("The product query returned %1 columns instead of 3")
                           .arg(columns.size()),
                       {}};
    for (size_t i = 0; i < expected.size(); ++i) {
        const QString name = QLatin1String(expected[i].name);
        if (columns[i].name != name)
            return DbError{QStringLiteral("The product query returned column %1 where %2 belongs")
                               .arg(columns[i].name, name),
                           {}};
        if (!expected[i].accepts(columns[i].type))
            return DbError{QStringLiteral("Column %1 is %2, not %3")
                               .arg(name, typeName(columns[i]), QLatin1String(expected[i].kind)),
                           {}};
    }
    return std::nullopt;
}

DbResult<FbStatement> prepareProductQuery(const FbTransaction& transaction, const QString& text) {
    // Statement text crosses to the client in the 8-bit code page like all text.
    const QString statement = cp1252::decode(cp1252::encode(text));
    auto prepared = FbStatement::prepare(transaction, cp1252::encode(statement));
    if (!prepared)
        return prepared;
    if (auto mismatch = checkColumns(prepared->columns()))
        return *mismatch;
    return prepared;
}

DbResult<ProductRow> readRow(const FbStatement& statement) {
    ProductRow row;
    if (!statement.isNull(1))
        row.description = statement.text(1);
    if (statement.isNull(2))
        return row;

    const FbStatement::Column& price = statement.columns()[2];
    const std::optional<Currency> value =
        isInteger(price.type) ? currencyFromScaled(statement.integer(2), price.scale)
                              : currencyFromDouble(statement.floating(2));
    if (!value)
        return DbError{QStringLiteral("The price of this product is out of range"), {}};
    row.price = *value;
    return row;
}

// Runs the prepared query and reads its first row; later rows are ignored.
DbResult<Found> firstRow(FbStatement& statement, const std::vector<std::string>& parameters) {
    if (auto executed = statement.execute(parameters); !executed)
        return executed.error();
    auto fetched = statement.fetch();
    if (!fetched)
        return fetched.error();
    if (!*fetched)
        return Found{};
    auto row = readRow(statement);
    if (!row)
        return row.error();
    return Found{std::move(*row)};
}

// How many bytes the code column holds, as the engine describes the parameter.
size_t codeWidth(const FbStatement& statement) {
    const auto& parameters = statement.parameters();
    return parameters.empty() ? 0 : static_cast<size_t>(std::max<short>(parameters[0].length, 0));
}

// Exact text match through a parameter, so the code is never read as SQL.
DbResult<Found> findByText(FbStatement& statement, const std::string& code) {
    // Longer than the column: cannot be stored there, and the engine would refuse
    // the parameter rather than compare it.
    const size_t significant = code.find_last_not_of(' ') + 1;  // trailing blanks compare equal
    if (significant > codeWidth(statement))
        return Found{};
    return firstRow(statement, {code});
}

// Every other spelling of the code with leading zeros removed or added that fits in
// `width` characters; the code as scanned has been looked up already.
std::vector<std::string> zeroForms(const std::string& code, size_t width) {
    std::vector<std::string> forms;
    const size_t firstSignificant = code.find_first_not_of('0');
    const std::string canonical =
        firstSignificant == std::string::npos ? std::string("0") : code.substr(firstSignificant);
    for (size_t length = canonical.size(); length <= width; ++length) {
        std::string form(length, '0');
        std::copy(canonical.begin(), canonical.end(), form.end() - canonical.size());
        if (form != code)
            forms.push_back(std::move(form));
    }
    return forms;
}

}  // namespace

DbResult<FbStatement*> ProductStatements::byText(const FbTransaction& transaction) {
    return statement(m_byText, transaction,
                     []() -> QString { return QLatin1String(kProductQuery) + u'?'; });
}

// The spellings in one query, each served by the index, shortest first as the numeric
// comparison's first match would most likely be; one round trip instead of one per
// spelling, which through a server is most of what an unknown code costs.  One
// placeholder for every length up to the column's width, so one statement serves every
// code; the unused ones repeat a spelling.
DbResult<FbStatement*> ProductStatements::bySpellings(const FbTransaction& transaction,
                                                      size_t width) {
    return statement(m_bySpellings, transaction, [width]() -> QString {
        QString sql = QLatin1String(kProductQuery) + u'?';
        for (size_t i = 1; i < width; ++i)
            sql += QStringLiteral(" OR PDV_CODIGOBARRAS.COB_CODIGO_EAN = ?");
        return sql + QStringLiteral(" ORDER BY CHAR_LENGTH(PDV_CODIGOBARRAS.COB_CODIGO_EAN)");
    });
}

DbResult<FbStatement*> ProductStatements::statement(std::optional<FbStatement>& kept,
                                                    const FbTransaction& transaction,
                                                    const std::function<QString()>& text) {
    if (kept) {
        kept->setTransaction(transaction);
        return &*kept;
    }
    auto prepared = prepareProductQuery(transaction, text());
    if (!prepared)
        return prepared.error();
    return &kept.emplace(std::move(*prepared));
}

void ProductStatements::closeCursors() {
    for (auto* kept : {&m_byText, &m_bySpellings})
        if (*kept)
            (*kept)->closeCursor();
}

void ProductStatements::reset() {
    m_byText.reset();
    m_bySpellings.reset();
}

namespace {

DbResult<Found> findInTransaction(const FbTransaction& transaction, ProductStatements& statements,
                                  const QString& code, DigitFallback fallback) {
    auto statement = statements.byText(transaction);
    if (!statement)
        return statement.error();
    if (!isDigitsOnly(code))
        return findByText(**statement, cp1252::encode(code));

    // The numeric comparison below converts every stored code, so it reads the whole
    // barcode table on every scan.  Most codes are stored exactly as scanned: the
    // index finds those at a fraction of the cost.
    if (auto exact = findByText(**statement, code.toStdString()); !exact || *exact)
        return exact;

    if (fallback == DigitFallback::NumericStatement && fitsNumericLiteral(code)) {
        auto numeric = prepareProductQuery(transaction, QLatin1String(kProductQuery) + code);
        if (!numeric)
            return numeric.error();
        auto found = firstRow(*numeric, {});
        if (found ||
            (found.error().sqlState != kConversionError && found.error().sqlState != kOutOfRange))
            return found;
    }

    // One stored code that is not a number, or too large for 64 bits, fails every
    // numeric comparison, and a scanned code too large for a 64-bit literal cannot be
    // compared as a number at all.  Match the spellings that compare equal as numbers
    // instead, through the index.
    const size_t width = codeWidth(**statement);
    std::vector<std::string> forms = zeroForms(code.toStdString(), width);
    if (forms.empty())
        return Found{};
    auto spellings = statements.bySpellings(transaction, width);
    if (!spellings)
        return spellings.error();
    forms.resize(width, forms.back());
    return firstRow(**spellings, forms);
}

std::string replyText(std::string text) {
    text.resize(std::min(text.size(), PriceReply::kMaxText));
    return text;
}

}  // namespace

DbResult<Found> findProduct(const FbConnection& connection, ProductStatements& statements,
                            const QString& code, DigitFallback fallback,
                            std::span<const ScaleFormat> scaleFormats) {
    const FbDeadline deadline(connection);
    auto transaction = FbTransaction::startReadOnly(connection);
    if (!transaction)
        return transaction.error();
    auto found = findInTransaction(*transaction, statements, code, fallback);
    if (found && !*found) {
        // A scale label's short code is looked up through the index only.
        found = findScaleLabelProduct(code, scaleFormats, [&](const QString& productCode) {
            return findInTransaction(*transaction, statements, productCode,
                                     DigitFallback::LeadingZeroSpellings);
        });
    }
    // Their cursors belong to this transaction.
    statements.closeCursors();
    return found;
}

DbResult<Found> findProduct(const FbConnection& connection, const QString& code,
                            DigitFallback fallback, std::span<const ScaleFormat> scaleFormats) {
    ProductStatements statements;
    return findProduct(connection, statements, code, fallback, scaleFormats);
}

PriceReply priceReply(const DbResult<Found>& product, const LookupSettings& settings) {
    if (!product)
        return {.outcome = LookupOutcome::Failed, .error = product.error().message};
    const Found& row = product.value();
    if (!row)
        return {.outcome = LookupOutcome::NotFound};
    const QString price = settings.currencyPrefix + formatPrice(row->price, settings.separators);
    return {.outcome = LookupOutcome::Price,
            .description = replyText(row->description),
            .price = replyText(cp1252::encode(price))};
}

PriceReply lookupPrice(const QString& code, const LookupSettings& settings) {
    if (settings.databasePath.isEmpty())
        return {.outcome = LookupOutcome::Skipped};
    auto connection = FbConnection::attach(settings.databasePath, settings.connectTimeout);
    if (!connection)
        return priceReply(connection.error(), settings);
    // Closed before the caller sends the reply: the database is held no longer than needed.
    auto product =
        findProduct(*connection, code, DigitFallback::NumericStatement, settings.scaleFormats);
    // The answer stands whether or not the detach went well.
    (void)connection->detach();
    return priceReply(product, settings);
}

}  // namespace tarifon
