// The standard streams as the command line writes to them: its output is UTF-8 (card names
// may be Cyrillic) and carries its own line ends (CSV: CR LF). Only Windows needs anything
// done for that (Console_win.cpp); elsewhere the streams take the bytes as they are
// (Console_posix.cpp). The build takes one of the two. Each also catches the user's stop
// for watch.
#pragma once

#include <atomic>

namespace cli {

// From now on Ctrl+C and SIGTERM (Windows: the console's Ctrl+C, Ctrl+Break and close) set
// stop instead of ending the process; false when that could not be set up (see StopCatcher
// in Commands.h).
bool CatchStop(std::atomic<bool>& stop);

// While it lives, the standard streams take the output as written; when it goes, what it
// changed is put back.
class ConsoleOutput {
public:
    ConsoleOutput();
    ~ConsoleOutput();
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

private:
    // The console's own output code page, to put back (Windows; 0: nothing to put back).
    [[maybe_unused]] unsigned previousCodePage_ = 0;
};

} // namespace cli
