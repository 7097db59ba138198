// The command line's report of writes (--report FILE): the run's record (core/RunRecord.h)
// appended to a CSV file as each write goes out, and read back by undo.
#pragma once

#include "RunRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace cli {

// The file's name, the line and what is wrong: `r.csv:3: "mac" is "00-1A", not a MAC
// (00-1A-2B-3C-4D-5E)`.
std::string RunReadErrorText(const std::string& path, const core::RunReadError& error);

// A report file that writes are appended to. An entry goes in as its frame goes out, with the
// outcome "checking" when a check follows; the check's end then puts its outcome in place of
// that word. So an interrupted run leaves every write that went out in the file, the one
// whose check was cut short as "checking".
class ReportFile {
public:
    // No file: nothing is written.
    ReportFile() = default;
    // The report at path: a file that does not exist yet, an empty one, or one that reads as
    // a report of writes; the complaint otherwise.
    static std::variant<ReportFile, std::string> Open(const std::string& path);

    // Appends entry, after the header line when the file is new or empty; the complaint when
    // it could not.
    std::optional<std::string> Append(const core::RunEntry& entry);
    // Puts outcome in place of the last entry's "checking"; the complaint when it could not.
    std::optional<std::string> SetOutcome(core::RunOutcome outcome);

private:
    std::string path_;
    std::optional<std::int64_t> checkingAt_; // where the last entry's "checking" begins
};

// An entry of a report and the line it is on.
struct ReportedWrite {
    int line = 0;
    core::RunEntry entry;
};

// The latest entry of each MAC in the report, in the report's order; or where the text is no
// report.
std::variant<std::vector<ReportedWrite>, core::RunReadError> LatestWrites(std::string_view text);

} // namespace cli
