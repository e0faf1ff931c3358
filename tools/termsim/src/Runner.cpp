#include "termsim/Runner.h"

#include "termsim/LoadRun.h"
#include "termsim/SingleRun.h"

namespace termsim {

std::chrono::steady_clock::duration toDuration(double seconds) {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(seconds));
}

tarifon::Result<std::vector<asio::ip::tcp::endpoint>> resolveServer(asio::io_context& io,
                                                                    const Options& options) {
    using Endpoints = std::vector<asio::ip::tcp::endpoint>;
    boost::system::error_code ec;
    asio::ip::tcp::resolver resolver(io);
    const auto results = resolver.resolve(options.host, std::to_string(options.port), ec);
    if (ec || results.empty()) {
        return tarifon::fail("cannot resolve " + options.host + ": " +
                             (ec ? ec.message() : "no address"));
    }
    Endpoints endpoints;
    for (const auto& entry : results)
        endpoints.push_back(entry.endpoint());
    return endpoints;
}

int run(const std::vector<std::string>& args, const RunIo& io) {
    auto options = parseArguments(args);
    if (!options) {
        io.err << "termsim: " << options.error() << "\nTry 'termsim --help'.\n";
        return 2;
    }
    if (options.value().help) {
        io.out << usage();
        return 0;
    }
    switch (options.value().mode) {
        case Mode::Load:
        case Mode::Idle:
            return LoadRun(options.value(), io).run();
        default:
            return SingleRun(options.value(), io).run();
    }
}

}  // namespace termsim
