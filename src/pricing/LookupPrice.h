#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <QString>

#include "pricing/DbResult.h"
#include "pricing/FbConnection.h"
#include "pricing/FbStatement.h"
#include "pricing/FbTransaction.h"
#include "pricing/PriceFormat.h"
#include "pricing/ScaleLabel.h"

namespace tarifon {

// The product query up to the compared value: the scanned code or a parameter
// follows it directly.
extern const char kProductQuery[];

// The first product row found for a scanned code.
struct ProductRow {
    std::string description;  // WIN1252 bytes as stored (null reads as empty)
    Currency price = 0;       // null reads as 0
};

// How a digit-only code that is not stored exactly as scanned is looked up further.
enum class DigitFallback {
    // The product query with the code appended as a number: finds every stored code
    // equal to it as a number, but reads the whole barcode table.
    NumericStatement,
    // The code's other leading-zero spellings, through the index only.
    LeadingZeroSpellings,
};

// The product query's statements on one connection, prepared on first use and kept,
// so that lookups on a kept attachment pay for preparing them once.  Destroy before the
// connection.
class ProductStatements {
public:
    // The product query with the code as a text parameter.
    DbResult<FbStatement*> byText(const FbTransaction& transaction);
    // The same with `width` codes ORed, the shortest stored code first.
    DbResult<FbStatement*> bySpellings(const FbTransaction& transaction, size_t width);
    // Due before the transaction they last ran in ends.
    void closeCursors();
    // Frees them, as is due before their connection goes.
    void reset();

private:
    DbResult<FbStatement*> statement(std::optional<FbStatement>& kept,
                                     const FbTransaction& transaction,
                                     const std::function<QString()>& text);

    std::optional<FbStatement> m_byText;
    std::optional<FbStatement> m_bySpellings;
};

// Finds the product for a code over an open connection, in a read-only,
// read-committed transaction of its own; a code not stored is then read as a scale
// label of one of `scaleFormats`.  Empty when no row matches.
DbResult<std::optional<ProductRow>> findProduct(const FbConnection& connection,
                                                ProductStatements& statements, const QString& code,
                                                DigitFallback fallback,
                                                std::span<const ScaleFormat> scaleFormats = {});
// The same with statements prepared for this lookup alone.
DbResult<std::optional<ProductRow>> findProduct(const FbConnection& connection, const QString& code,
                                                DigitFallback fallback,
                                                std::span<const ScaleFormat> scaleFormats = {});

enum class LookupOutcome {
    Skipped,   // no database path: nothing was done, nothing is to be sent
    Price,     // answer with the description and the price text
    NotFound,  // answer "not found"
    Failed,    // database error; the terminal gets no reply
};

// What one scanned code is answered with; the caller sends it to the terminal.
struct PriceReply {
    // Both texts travel to the terminal in buffers of 100 bytes plus a terminating zero.
    static constexpr size_t kMaxText = 100;

    LookupOutcome outcome = LookupOutcome::Skipped;
    std::string description{};  // Windows-1252, at most kMaxText bytes
    std::string price{};        // Windows-1252, at most kMaxText bytes
    QString error{};            // the database client's message when Failed
};

// The settings one lookup reads, as they stand when the scan is taken.
struct LookupSettings {
    QString databasePath;
    QString currencyPrefix;  // as typed, untrimmed
    Separators separators;
    std::chrono::seconds connectTimeout = kDefaultConnectTimeout;
    std::vector<ScaleFormat> scaleFormats{};  // none: scale labels are not read
};

// The reply to a finished search: the price text is the prefix followed by the price
// formatted with the separators.
PriceReply priceReply(const DbResult<std::optional<ProductRow>>& product,
                      const LookupSettings& settings);

// Looks one scanned code up over a connection of its own, closed again before this
// returns: the product's description and price text, or "not found".
PriceReply lookupPrice(const QString& code, const LookupSettings& settings);

}  // namespace tarifon
