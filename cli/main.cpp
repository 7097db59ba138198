// quorrel-cli: finds controllers and writes their IP settings from the command line.
#include "Commands.h"
#include "Console.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const cli::ConsoleOutput console;
    const std::vector<std::string> args(argv + 1, argv + argc);
    return cli::Run(args, std::cout, std::cerr, cli::CatchStop);
}
