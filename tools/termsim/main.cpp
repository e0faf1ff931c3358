#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "termsim/Runner.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    return termsim::run(args, {STDIN_FILENO, std::cout, std::cerr});
}
