// Any argument list (one argument per line of the input) through the command-line parser:
// it gives a command or a reason, never both, and a command that runs has its defaults.
#include "CommandLine.h"
#include "FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args;
    std::string arg;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            args.push_back(arg);
            arg.clear();
        } else {
            arg.push_back(static_cast<char>(data[i]));
        }
    }
    if (size > 0)
        args.push_back(arg);

    const cli::ParsedCommandLine parsed = cli::ParseCommandLine(args);
    FUZZ_CHECK(parsed.command.has_value() == parsed.error.empty());
    // A command that runs has its defaults: a search or a check lasts, a watch repeats.
    if (parsed.command && !parsed.command->help &&
        parsed.command->kind != cli::CommandKind::kHelp) {
        FUZZ_CHECK(parsed.command->timeoutMs > 0);
        if (parsed.command->kind == cli::CommandKind::kWatch)
            FUZZ_CHECK(parsed.command->everySeconds > 0);
    }
    FUZZ_CHECK(
        !cli::UsageText(parsed.command ? parsed.command->kind : cli::CommandKind::kHelp).empty());
    return 0;
}
