#include "app/ScanReply.h"

#include <algorithm>
#include <array>

namespace tarifon {

namespace {

using ReplyBuffer = std::array<char, PriceReply::kMaxText + 1>;

ReplyBuffer zeroTerminated(const std::string& text) {
    ReplyBuffer buffer{};
    std::copy_n(text.begin(), std::min(text.size(), PriceReply::kMaxText), buffer.begin());
    return buffer;
}

}  // namespace

void sendPriceReply(TerminalLibrary& library, int32_t socket, const PriceReply& reply) {
    switch (reply.outcome) {
        case LookupOutcome::Price: {
            const ReplyBuffer description = zeroTerminated(reply.description);
            const ReplyBuffer price = zeroTerminated(reply.price);
            library.bSendProdPrice(socket, description.data(), price.data());
            break;
        }
        case LookupOutcome::NotFound:
            library.bSendProdNotFound(socket);
            break;
        case LookupOutcome::Skipped:
        case LookupOutcome::Failed:
            // No answer: a web terminal shows its error state instead of waiting for one.
            library.bSendLookupFailed(socket);
            break;
    }
}

}  // namespace tarifon
