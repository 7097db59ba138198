// quorrel-cli: finds controllers and writes their IP settings from the command line.
#include "Commands.h"

#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

namespace {

// The output is UTF-8 (card names may be Cyrillic). A console shows bytes in its output
// code page, an OEM one such as 866, so while the program writes to a console that page
// is UTF-8, and the console's own page is back at exit. Files and pipes get the UTF-8 bytes
// as they are.
class ConsoleUtf8 {
public:
    ConsoleUtf8() {
        DWORD mode = 0;
        if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) &&
            !GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode))
            return;
        previous_ = GetConsoleOutputCP();
        if (previous_ != 0 && previous_ != CP_UTF8 && SetConsoleOutputCP(CP_UTF8) == 0)
            previous_ = 0;
    }
    ~ConsoleUtf8() {
        std::cout.flush();
        std::cerr.flush();
        if (previous_ != 0 && previous_ != CP_UTF8)
            SetConsoleOutputCP(previous_);
    }
    ConsoleUtf8(const ConsoleUtf8&) = delete;
    ConsoleUtf8& operator=(const ConsoleUtf8&) = delete;

private:
    UINT previous_ = 0;
};

} // namespace
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // The output carries its own line ends (CSV: CR LF); in text mode Windows would add a
    // CR before every LF, giving CR CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    const ConsoleUtf8 console;
#endif
    const std::vector<std::string> args(argv + 1, argv + argc);
    return cli::Run(args, std::cout, std::cerr);
}
