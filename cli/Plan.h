// A commissioning plan: CSV text with the header line mac,ip,mask,gateway and one row per
// controller. Blank lines and lines starting with # are skipped; fields may be quoted as in
// RFC 4180 (a quoted field stays on its line).
#pragma once

#include "ControllerRecord.h"

#include <string>
#include <string_view>
#include <vector>

namespace cli {

struct PlanRow {
    int line = 0;    // 1-based line number in the file
    core::Mac mac{}; // the controller to write
    std::string ip;
    std::string mask;
    std::string gateway;
};

struct PlanError {
    int line = 0;
    std::string message;
};

struct Plan {
    std::vector<PlanRow> rows;     // the good rows, in file order
    std::vector<PlanError> errors; // in line order; the plan is usable only when empty
};

// Checks every row: four fields, a MAC of six two-digit hexadecimal groups, the values as the
// window's write rules accept them, no MAC and no target IP address twice.
Plan ParsePlan(std::string_view csvText);

} // namespace cli
