// The streams of a terminal, a file or a pipe take the UTF-8 bytes and line ends as they
// are: nothing to change. SIGINT and SIGTERM set the stop flag.
#include "Console.h"

#include <csignal>

namespace cli {

namespace {

std::atomic<bool>* stopFlag = nullptr;

extern "C" void OnStopSignal(int) {
    if (stopFlag != nullptr)
        stopFlag->store(true);
}

} // namespace

bool CatchStop(std::atomic<bool>& stop) {
    static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
    stopFlag = &stop;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0;
}

ConsoleOutput::ConsoleOutput() = default;
ConsoleOutput::~ConsoleOutput() = default;

} // namespace cli
