// bench_floor: what one price lookup costs at the least, on the same machine and
// catalog as the end-to-end runs, so their latency can be set against it.
//
//   bench_floor --database PATH --codes FILE [--runs N] [--program-runs M]
//
// Prints one JSON object with medians in milliseconds:
//   connect_p50_ms       attach, prepare the product query by exact text (a
//                        parameter, served by the barcode index), run, fetch, detach
//   open_p50_ms          the same on an attachment that stays open, with the query
//                        prepared once, as the high-volume mode keeps it (transaction,
//                        run, fetch)
//   program_open_p50_ms  the program's own statement (the code appended unquoted,
//                        a numeric comparison) on an open attachment

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "ExitOnError.h"
#include "pricing/FbConnection.h"
#include "pricing/FbStatement.h"
#include "pricing/FbTransaction.h"
#include "pricing/LookupPrice.h"

using namespace tarifon;

namespace {

using bench::check;
using bench::die;
using bench::take;
using Clock = std::chrono::steady_clock;

// Runs not counted: the first attachments warm the engine and the page cache.
constexpr int kWarmUp = 5;

// One lookup inside an open attachment; returns whether a row came back.
bool lookUp(const FbConnection& connection, const std::string& sql,
            const std::vector<std::string>& parameters) {
    auto transaction = take(FbTransaction::startReadOnly(connection), "start");
    auto statement = take(FbStatement::prepare(transaction, sql), "prepare");
    check(statement.execute(parameters), "execute");
    return take(statement.fetch(), "fetch");
}

// `once` gets the run's number, negative for the warm-up runs.
double medianMs(int runs, const std::function<void(int)>& once) {
    std::vector<double> ms;
    for (int run = -kWarmUp; run < runs; ++run) {
        const auto started = Clock::now();
        once(run);
        const double elapsed =
            std::chrono::duration<double, std::milli>(Clock::now() - started).count();
        if (run >= 0)
            ms.push_back(elapsed);
    }
    std::nth_element(ms.begin(), ms.begin() + static_cast<long>(ms.size() / 2), ms.end());
    return ms[ms.size() / 2];
}

std::vector<std::string> readCodes(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> codes;
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            codes.push_back(line);
    if (codes.empty())
        die("no codes in " + path);
    return codes;
}

int usage() {
    std::cerr << "usage: bench_floor --database PATH --codes FILE [--runs N] "
                 "[--program-runs M]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bench::setProgramName("bench_floor");
    QString database;
    std::string codesFile;
    int runs = 200;
    int programRuns = 50;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        const std::string value = argv[i + 1];
        if (arg == "--database")
            database = QString::fromStdString(value);
        else if (arg == "--codes")
            codesFile = value;
        else if (arg == "--runs")
            runs = std::atoi(value.c_str());
        else if (arg == "--program-runs")
            programRuns = std::atoi(value.c_str());
        else
            return usage();
    }
    if (argc % 2 == 0 || database.isEmpty() || codesFile.empty() || runs < 1 || programRuns < 1)
        return usage();

    const std::vector<std::string> codes = readCodes(codesFile);
    const auto code = [&codes](int run) {
        return codes[static_cast<size_t>(run + kWarmUp) % codes.size()];
    };
    const std::string byParameter = std::string(kProductQuery) + "?";
    int found = 0;

    const double connect = medianMs(runs, [&](int run) {
        auto connection = take(FbConnection::attach(database), "attach");
        if (lookUp(connection, byParameter, {code(run)}) && run >= 0)
            ++found;
        check(connection.detach(), "detach");
    });

    auto connection = take(FbConnection::attach(database), "attach");
    std::optional<FbStatement> kept;
    const double open = medianMs(runs, [&](int run) {
        auto transaction = take(FbTransaction::startReadOnly(connection), "start");
        if (!kept)
            kept.emplace(take(FbStatement::prepare(transaction, byParameter), "prepare"));
        kept->setTransaction(transaction);
        check(kept->execute({code(run)}), "execute");
        take(kept->fetch(), "fetch");
        kept->closeCursor();
    });
    kept.reset();
    const double program = medianMs(programRuns, [&](int run) {
        lookUp(connection, std::string(kProductQuery) + code(run), {});
    });

    std::printf(
        "{\"runs\":%d,\"program_runs\":%d,\"found\":%d,\"connect_p50_ms\":%.3f,"
        "\"open_p50_ms\":%.3f,\"program_open_p50_ms\":%.3f}\n",
        runs, programRuns, found, connect, open, program);
    return 0;
}
