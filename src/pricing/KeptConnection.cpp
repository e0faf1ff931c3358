#include "pricing/KeptConnection.h"

#include <utility>

namespace tarifon {

PriceReply KeptConnection::lookup(const QString& code, const LookupSettings& settings) {
    if (settings.databasePath != m_database)
        release();
    if (settings.databasePath.isEmpty())
        return {.outcome = LookupOutcome::Skipped};

    const bool reused = attached();
    auto product = find(code, settings);
    if (!product && reused) {
        release();
        product = find(code, settings);
    }
    if (!product)
        release();
    return priceReply(product, settings);
}

bool KeptConnection::warmUp(const LookupSettings& settings) {
    // A lookup also brings the index's first pages in; its answer goes nowhere.
    return lookup(QStringLiteral("0"), settings).outcome != LookupOutcome::Failed && attached();
}

void KeptConnection::release() {
    m_statements.reset();
    m_connection.reset();
    m_database.clear();
}

DbResult<std::optional<ProductRow>> KeptConnection::find(const QString& code,
                                                         const LookupSettings& settings) {
    if (!m_connection) {
        auto connection = FbConnection::attach(settings.databasePath, settings.connectTimeout);
        if (!connection)
            return connection.error();
        m_connection.emplace(std::move(*connection));
        m_database = settings.databasePath;
    }
    return findProduct(*m_connection, m_statements, code, DigitFallback::LeadingZeroSpellings,
                       settings.scaleFormats);
}

}  // namespace tarifon
