// bench_fbserver: a private Firebird server for the benchmarks' server runs, the
// same one the tests use (its own configuration and security database in a
// temporary folder, loopback only, a free port).  Prints {"port":N} once it
// listens, then runs until SIGTERM or SIGINT, and kills the server on the way out.
//
//   bench_fbserver

#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <exception>

#include "support/FirebirdServer.h"

int main() {
    try {
        tarifon::FirebirdServer server;
        // Blocked only now, so the server's own process did not inherit the mask.
        sigset_t endings;
        sigemptyset(&endings);
        sigaddset(&endings, SIGTERM);
        sigaddset(&endings, SIGINT);
        pthread_sigmask(SIG_BLOCK, &endings, nullptr);
        std::printf("{\"port\":%d}\n", server.port());
        std::fflush(stdout);
        int signal = 0;
        sigwait(&endings, &signal);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_fbserver: %s\n", e.what());
        return 1;
    }
    return 0;
}
