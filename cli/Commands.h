// The commands of quorrel-cli: discover, set, apply and watch. Everything main does, so that
// tests run the tool's behaviour in their own process.
#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

namespace cli {

constexpr int kExitSuccess = 0;
constexpr int kExitNotFound = 1; // nothing found, or a write not confirmed
constexpr int kExitBadInput = 2; // bad usage or bad input: nothing was sent
constexpr int kExitNetwork = 3;  // no local port could be opened, or a send failed

// Makes Ctrl+C and SIGTERM (on Windows the console's Ctrl+C, Ctrl+Break and close) set stop
// instead of ending the process; false when that could not be set up.
using StopCatcher = bool (*)(std::atomic<bool>& stop);

// Runs the command line (without the program name); results go to out, complaints to err.
// watch, which runs until it is stopped, catches the stop with catchStop (without one it
// runs until the process ends). Gives the exit status.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        StopCatcher catchStop = nullptr);

} // namespace cli
