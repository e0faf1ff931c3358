#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QString>

#include "pricing/DbResult.h"
#include "pricing/PriceFormat.h"
#include "terminal/TerminalLibrary.h"

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
    Skipped,   // no database path: nothing was done
    Price,     // answered with bSendProdPrice
    NotFound,  // answered with bSendProdNotFound
    Failed,    // database error; the terminal got no reply
};

struct LookupResult {
    LookupOutcome outcome = LookupOutcome::Skipped;
    QString error;  // the database client's message when Failed
};

// Answers one scanned code: the product's description and price text, or "not
// found".  The price text is the prefix (as typed, untrimmed) followed by the
// price formatted with the given separators.
LookupResult LookupPrice(TerminalLibrary& library, int32_t socket, const QString& code,
                         const QString& databasePath, const QString& currencyPrefix,
                         const Separators& separators);
