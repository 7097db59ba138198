// A commissioning plan: CSV text with the header line mac,ip,mask,gateway and one row per
// controller. Blank lines and lines starting with # are skipped; fields may be quoted as in
// RFC 4180 (a quoted field stays on its line). Both front ends read it here and word its
// faults themselves.
#pragma once

#include "ControllerRecord.h"
#include "WriteFields.h"

#include <string>
#include <string_view>
#include <vector>

namespace core {

struct PlanRow {
    int line = 0; // 1-based line number in the file
    Mac mac{};    // the controller to write
    std::string ip;
    std::string mask;
    std::string gateway;
};

// What is wrong with a line of a plan.
struct PlanFault {
    enum class Why {
        kBadQuote,   // a quoted field is not closed, or more than a comma follows it
        kNotHeader,  // the first line is not the header mac,ip,mask,gateway
        kFieldCount, // not four fields (fieldCount)
        kBadMac,     // text is no MAC of six two-digit hexadecimal groups
        kBadValue,   // value: the write rules refuse a value
        kMacTwice,   // text: the MAC, already on line earlierLine
        kIpTwice,    // text: the address as written, already given on line earlierLine
        kNoHeader,   // the text has no line but blanks and comments
        kNoRows,     // nothing after the header
    };
    int line = 0;
    Why why = Why::kBadQuote;
    std::string text;
    int fieldCount = 0;
    int earlierLine = 0;
    FieldFault value{};
};

struct Plan {
    std::vector<PlanRow> rows;     // the good rows, in file order
    std::vector<PlanFault> errors; // in line order; the plan is usable only when empty
};

// Checks every row: four fields, a MAC of six two-digit hexadecimal groups, the values as the
// window's write rules accept them, no MAC and no target IP address twice.
Plan ParsePlan(std::string_view csvText);

// Whether the first line that is no blank or comment is a plan's header, so that a file can
// be told a plan or a list whichever the user opened it as.
bool IsPlanText(std::string_view csvText);

} // namespace core
