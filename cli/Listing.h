// The command line's words for a list of controllers that it cannot read (core::ReadList).
#pragma once

#include "ControllerList.h"

#include <string>

namespace cli {

// The file's name, the line and what is wrong: "found.csv:3: "mac" is "00-1A", not a MAC
// (00-1A-2B-3C-4D-5E)".
std::string ListErrorText(const std::string& path, const core::ListError& error);

} // namespace cli
