// The command line's English account of a broadcast search that heard no controller.
#pragma once

#include "SearchDiagnosis.h"

#include <string>
#include <vector>

namespace cli {

// Lines without a line end, for the error output: the cards the request went out on, each
// card that is up without an IPv4 address and how to give it one, what is known of the host
// firewall, the local ports the replies must reach and the command that opens them.
std::vector<std::string> NoReplyText(const core::NoReplyFacts& facts);

} // namespace cli
