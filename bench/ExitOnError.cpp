#include "ExitOnError.h"

#include <cstdlib>
#include <iostream>

using namespace tarifon;

namespace bench {

namespace {
const char* g_program = "bench";
}  // namespace

void setProgramName(const char* program) {
    g_program = program;
}

void die(const std::string& what, const DbError& error) {
    std::cerr << g_program << ": " << what;
    if (!error.message.isEmpty())
        std::cerr << ": " << error.message.toStdString();
    std::cerr << "\n";
    std::exit(1);
}

}  // namespace bench
