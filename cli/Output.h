// How quorrel-cli prints the controllers a search heard: an aligned table, one JSON
// document, or CSV with a header line (RFC 4180, see ControllerList.h).
#pragma once

#include "CommandLine.h"
#include "Controllers.h"

#include <string>
#include <string_view>

namespace cli {

std::string FormatControllers(const core::Controllers& controllers, Format format);

// A JSON string literal with its quotes.
std::string JsonString(std::string_view text);

} // namespace cli
