#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include <boost/asio.hpp>

#include "termsim/Asio.h"
#include "termsim/Options.h"
#include "base/Result.h"

namespace termsim {

// Where a run reads codes (interactive mode) and writes its lines.
struct RunIo {
    int inputFd = 0;
    std::ostream& out;
    std::ostream& err;
};

// The whole program: arguments (without the program name) in, exit status out.
int run(const std::vector<std::string>& args, const RunIo& io);

std::chrono::steady_clock::duration toDuration(double seconds);

tarifon::Result<std::vector<asio::ip::tcp::endpoint>> resolveServer(asio::io_context& io,
                                                                    const Options& options);

}  // namespace termsim
