// Standard output in binary mode: in text mode Windows would add a CR before every LF,
// giving CR CR LF. A console shows bytes in its output code page, an OEM one such as 866,
// so while the program writes to a console that page is UTF-8, and the console's own page
// is back at exit. Files and pipes get the UTF-8 bytes as they are. The console's Ctrl+C,
// Ctrl+Break and close set the stop flag.
#include "Console.h"

#include <fcntl.h>
#include <io.h>
#include <iostream>
#include <stdio.h>
#include <windows.h>

namespace cli {

namespace {

std::atomic<bool>* stopFlag = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        if (stopFlag != nullptr)
            stopFlag->store(true);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

bool CatchStop(std::atomic<bool>& stop) {
    stopFlag = &stop;
    return SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
}

ConsoleOutput::ConsoleOutput() {
    _setmode(_fileno(stdout), _O_BINARY);
    DWORD mode = 0;
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) &&
        !GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode))
        return;
    previousCodePage_ = GetConsoleOutputCP();
    if (previousCodePage_ != 0 && previousCodePage_ != CP_UTF8 && SetConsoleOutputCP(CP_UTF8) == 0)
        previousCodePage_ = 0;
}

ConsoleOutput::~ConsoleOutput() {
    std::cout.flush();
    std::cerr.flush();
    if (previousCodePage_ != 0 && previousCodePage_ != CP_UTF8)
        SetConsoleOutputCP(previousCodePage_);
}

} // namespace cli
