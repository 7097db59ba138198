// How quorrel-cli prints the controllers a search heard: an aligned table, one JSON
// document, or CSV with a header line (RFC 4180, see ControllerList.h); compared with an
// earlier search, with a change column; and the lines of watch, one per change.
#pragma once

#include "CommandLine.h"
#include "Controllers.h"
#include "SiteChanges.h"

#include <string>
#include <vector>

namespace cli {

std::string FormatControllers(const core::Controllers& controllers, Format format);

// The controllers of now with the column "change" ("new", "moved from 192.168.1.9",
// "record changed", "unchanged"), then the gone ones of changes with "gone".
std::string FormatComparison(const core::Controllers& now, const core::SiteChanges& changes,
                             Format format);

// One line per change between two searches of watch, at time (text, e.g.
// "2026-12-08 14:10:05"): the new, moved and changed controllers in now's order, then the
// gone ones. Format::kJson gives JSON lines (the keys "time", "change", the listing's
// columns, and "from" for a move or "fields" for a changed record); otherwise text lines
// such as "2026-12-08 14:10:05 moved 192.168.1.20 00-1A-2B-3C-4D-5E from 192.168.1.10".
std::string ChangeLines(const core::Controllers& before, const core::Controllers& now,
                        const core::SiteChanges& changes, const std::string& time, Format format);

} // namespace cli
