#include "pricing/FbClient.h"

#include <ibase.h>

namespace tarifon {

namespace {

// Runs inside the signal handler: nothing but the answer.  Any other reason (the
// program's own shutdown, an exit) goes ahead.
int refuseSignalShutdown(const int reason, const int /*mask*/, void* /*arg*/) {
    return reason == fb_shutrsn_signal ? 1 : 0;
}

}  // namespace

void keepDatabaseClientFromSignals() {
    ISC_STATUS_ARRAY status{};
    fb_shutdown_callback(status, refuseSignalShutdown, fb_shut_confirmation, nullptr);
}

bool shutDownDatabaseClient(std::chrono::milliseconds timeout) {
    return fb_shutdown(static_cast<unsigned>(timeout.count()), fb_shutrsn_app_stopped) == 0;
}

}  // namespace tarifon
