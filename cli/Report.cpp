#include "Report.h"

#include "Csv.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace cli {

namespace {

constexpr std::string_view kChecking = "checking\r\n";

// What a cell of the column must be.
std::string Expected(core::RunColumn column) {
    switch (column) {
    case core::RunColumn::kTime:
        return "a time with its offset from UTC (2026-12-09T14:10:05+01:00)";
    case core::RunColumn::kMac:
        return "a MAC (00-1A-2B-3C-4D-5E)";
    case core::RunColumn::kOutcome: {
        std::string words;
        for (const char* word : core::kRunOutcomeNames)
            words += std::string(words.empty() ? "" : ", ") + word;
        return "one of " + words;
    }
    default:
        return "an IPv4 address";
    }
}

std::string Reason(const core::RunReadError& e) {
    using Why = core::RunReadError::Why;
    const std::string column =
        e.column ? "\"" + std::string(core::kRunColumnNames.at(size_t(*e.column))) + "\"" : "";
    switch (e.why) {
    case Why::kNoHeader:
        return "not a report of writes: no CSV header line that names the column " + column;
    case Why::kBadQuote:
        return "a quoted field is not closed properly";
    case Why::kFieldCount:
        return "not as many fields as the header line names";
    case Why::kBadValue:
        break;
    }
    return column + " is \"" + e.text + "\", not " +
           Expected(e.column.value_or(core::RunColumn::kCard));
}

std::string CannotWrite(const std::string& path) {
    return "cannot write the report \"" + path + "\"";
}

} // namespace

std::string RunReadErrorText(const std::string& path, const core::RunReadError& error) {
    return path + ":" + std::to_string(error.line) + ": " + Reason(error);
}

std::variant<ReportFile, std::string> ReportFile::Open(const std::string& path) {
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        // A file of no bytes is a new report; any other must read as one.
        std::ifstream file(path, std::ios::binary);
        std::stringstream text;
        const auto size = std::filesystem::file_size(path, error);
        if (!file || error || (size > 0 && !(text << file.rdbuf())))
            return "cannot read the report \"" + path + "\"";
        const auto read = core::ReadRunRecord(text.str());
        if (const auto* fault = std::get_if<core::RunReadError>(&read))
            return RunReadErrorText(path, *fault);
    } else if (error) {
        return "cannot read the report \"" + path + "\"";
    }
    ReportFile report;
    report.path_ = path;
    return report;
}

std::optional<std::string> ReportFile::Append(const core::RunEntry& entry) {
    checkingAt_.reset();
    if (path_.empty())
        return std::nullopt;
    std::ofstream file(path_, std::ios::binary | std::ios::app);
    file.seekp(0, std::ios::end);
    std::string text;
    if (file.tellp() == 0)
        text = core::CsvLine({core::kRunColumnNames.begin(), core::kRunColumnNames.end()});
    const auto cells = core::RunCells(entry);
    text += core::CsvLine({cells.begin(), cells.end()});
    if (!(file << text << std::flush))
        return CannotWrite(path_);
    if (entry.outcome == core::RunOutcome::kChecking)
        checkingAt_ =
            static_cast<std::int64_t>(file.tellp()) - static_cast<std::int64_t>(kChecking.size());
    return std::nullopt;
}

std::optional<std::string> ReportFile::SetOutcome(core::RunOutcome outcome) {
    if (!checkingAt_)
        return path_.empty() ? std::nullopt : std::optional(CannotWrite(path_));
    // The word is put in place only while it is still the file's last one.
    std::fstream file(path_, std::ios::binary | std::ios::in | std::ios::out);
    std::string was(kChecking.size() + 1, '\0');
    file.seekg(*checkingAt_);
    file.read(was.data(), static_cast<std::streamsize>(was.size()));
    if (file.gcount() != static_cast<std::streamsize>(kChecking.size()) ||
        !was.starts_with(kChecking))
        return CannotWrite(path_);
    file.clear();
    file.seekp(*checkingAt_);
    if (!(file << core::kRunOutcomeNames.at(static_cast<size_t>(outcome)) << "\r\n" << std::flush))
        return CannotWrite(path_);
    checkingAt_.reset();
    return std::nullopt;
}

std::variant<std::vector<ReportedWrite>, core::RunReadError> LatestWrites(std::string_view text) {
    auto read = core::ReadRunRecord(text);
    if (auto* fault = std::get_if<core::RunReadError>(&read))
        return *fault;
    const auto& entries = std::get<std::vector<core::RunEntry>>(read);
    // The records as read, the header line first: each entry's line.
    const auto records = std::get<std::vector<core::CsvRecord>>(core::CsvRecords(text));
    core::RunRecord record;
    for (const core::RunEntry& entry : entries)
        record.Add(entry);
    std::vector<ReportedWrite> latest;
    for (size_t i = 0; i < entries.size(); ++i)
        if (record.LatestOf(entries[i].mac) == i)
            latest.push_back({records.at(i + 1).line, entries[i]});
    return latest;
}

} // namespace cli
