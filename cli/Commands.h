// The commands of quorrel-cli: discover, set and apply. Everything main does, so that tests
// run the tool's behaviour in their own process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

constexpr int kExitSuccess = 0;
constexpr int kExitNotFound = 1; // nothing found, or a write not confirmed
constexpr int kExitBadInput = 2; // bad usage or bad input: nothing was sent
constexpr int kExitNetwork = 3;  // no local port could be opened, or a send failed

// Runs the command line (without the program name); results go to out, complaints to err.
// Gives the exit status.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace cli
