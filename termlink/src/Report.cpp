#include "termlink/Report.h"

#include <cstdio>
#include <exception>
#include <string>

namespace termlink {

void report(std::string_view message) {
    // One write, so lines from several threads do not interleave.
    const std::string line = "termlink: " + std::string(message) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void runReportingFailures(asio::io_context& io) {
    while (true) {
        try {
            io.run();
            return;
        } catch (const std::exception& e) {
            report(std::string("network thread: ") + e.what() + "; serving on");
        } catch (...) {
            report("network thread: unknown failure; serving on");
        }
    }
}

}  // namespace termlink
