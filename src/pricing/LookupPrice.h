#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QString>

#include "pricing/DbResult.h"
#include "pricing/PriceFormat.h"

namespace tarifon {

// The product query up to the compared value: the scanned code or a parameter
// follows it directly.
extern const char kProductQuery[];

// The first product row found for a scanned code.
struct ProductRow {
    std::string description;  // WIN1252 bytes as stored (null reads as empty)
    Currency price = 0;       // null reads as 0
};

// Finds the product for a code in the point-of-sale database at `databasePath`,
// over one connection that is closed again before this returns.  Empty when no
// row matches.
DbResult<std::optional<ProductRow>> findProduct(const QString& databasePath, const QString& code);

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

// Looks one scanned code up: the product's description and price text, or "not
// found".  The price text is the prefix (as typed, untrimmed) followed by the
// price formatted with the given separators.
PriceReply lookupPrice(const QString& code, const QString& databasePath,
                       const QString& currencyPrefix, const Separators& separators);

}  // namespace tarifon
