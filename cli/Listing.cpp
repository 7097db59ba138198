#include "Listing.h"

#include <array>

namespace cli {

namespace {

// What a cell of each column must be.
constexpr std::array<const char*, core::kListColumns> kExpected = {"an IPv4 address",
                                                                   "an IPv4 address",
                                                                   "an IPv4 address",
                                                                   "an IPv4 address",
                                                                   "a port number (0 to 65535)",
                                                                   "a MAC (00-1A-2B-3C-4D-5E)",
                                                                   "a version (01)",
                                                                   "a version (02.0A)",
                                                                   "an IPv4 address"};

std::string Reason(const core::ListError& e) {
    using Why = core::ListError::Why;
    const std::string column =
        "\"" + std::string(e.column ? core::ColumnName(*e.column) : "") + "\"";
    switch (e.why) {
    case Why::kNotJson:
        return "not JSON: " + e.text;
    case Why::kNotAnObject:
        return "an entry of the array is not a JSON object";
    case Why::kNoHeader:
        return "not a list of controllers: neither a JSON array nor CSV with a header line that "
               "names the column " +
               column;
    case Why::kBadQuote:
        return "a quoted field is not closed properly";
    case Why::kFieldCount:
        return "not as many fields as the header line names";
    case Why::kMissing:
        return "no " + column;
    case Why::kBadValue:
        break;
    }
    return column + " is \"" + e.text + "\", not " +
           kExpected[static_cast<size_t>(e.column.value_or(core::ListColumn::kSender))];
}

} // namespace

std::string ListErrorText(const std::string& path, const core::ListError& error) {
    return path + ":" + std::to_string(error.line) + ": " + Reason(error);
}

} // namespace cli
