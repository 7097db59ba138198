#include "RunRecord.h"

#include "UserFunc.h"

#include "Controllers.h"
#include "Csv.h"
#include "PreparedWrite.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>

namespace core {

namespace {

using std::chrono::days;
using std::chrono::minutes;
using std::chrono::seconds;
using std::chrono::sys_days;
using std::chrono::sys_seconds;
using std::chrono::system_clock;

// The local time's calendar fields at t; false when the system cannot give them.
bool LocalFields(std::time_t t, std::tm& fields) {
#ifdef _WIN32
    return localtime_s(&fields, &t) == 0;
#else
    return localtime_r(&t, &fields) != nullptr;
#endif
}

// "2026-12-09T14:10:05+01:00": the local time, and how far it is ahead of UTC.
std::string TimeText(system_clock::time_point time) {
    const sys_seconds utc = std::chrono::floor<seconds>(time);
    // How far local time is ahead of UTC, in whole minutes as the offset is written (zones
    // of old dates may be seconds off a minute); the time is shown by that offset.
    std::tm local{};
    minutes ahead{0};
    if (LocalFields(system_clock::to_time_t(utc), local)) {
        const std::chrono::year_month_day date{std::chrono::year{local.tm_year + 1900},
                                               std::chrono::month(unsigned(local.tm_mon + 1)),
                                               std::chrono::day(unsigned(local.tm_mday))};
        const sys_seconds fields = sys_days{date} + std::chrono::hours{local.tm_hour} +
                                   minutes{local.tm_min} + seconds{local.tm_sec};
        ahead = std::chrono::round<minutes>(fields - utc);
        if (std::chrono::abs(ahead) >= days{1})
            ahead = minutes{0};
    }
    const sys_seconds shown = utc + ahead;
    const auto day = std::chrono::floor<days>(shown);
    const std::chrono::year_month_day date{day};
    const std::chrono::hh_mm_ss clock{shown - day};
    const long offset = std::chrono::abs(ahead).count();
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d%c%02ld:%02ld", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                  int(clock.minutes().count()), int(clock.seconds().count()),
                  ahead < minutes{0} ? '-' : '+', offset / 60, offset % 60);
    return text;
}

// The digits of text from at, as a number; nullopt when one is no digit.
std::optional<int> Digits(std::string_view text, size_t at, size_t count) {
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// The time TimeText wrote: "YYYY-MM-DDTHH:MM:SS+HH:MM" (or "-HH:MM").
std::optional<system_clock::time_point> ParseTime(std::string_view text) {
    constexpr std::string_view kForm = "0000-00-00T00:00:00+00:00";
    if (text.size() != kForm.size())
        return std::nullopt;
    for (size_t i = 0; i < kForm.size(); ++i)
        if (kForm[i] != '0' && kForm[i] != '+' && text[i] != kForm[i])
            return std::nullopt;
    const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
    const auto hour = Digits(text, 11, 2), minute = Digits(text, 14, 2),
               second = Digits(text, 17, 2);
    const auto aheadHours = Digits(text, 20, 2), aheadMinutes = Digits(text, 23, 2);
    if (!year || !month || !day || !hour || !minute || !second || !aheadHours || !aheadMinutes ||
        (text[19] != '+' && text[19] != '-') || *hour > 23 || *minute > 59 || *second > 59 ||
        *aheadHours > 23 || *aheadMinutes > 59)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{*year},
                                           std::chrono::month(unsigned(*month)),
                                           std::chrono::day(unsigned(*day))};
    if (!date.ok())
        return std::nullopt;
    const minutes ahead{(text[19] == '-' ? -1 : 1) * (*aheadHours * 60 + *aheadMinutes)};
    const sys_seconds time =
        sys_days{date} + std::chrono::hours{*hour} + minutes{*minute} + seconds{*second} - ahead;
    // Only a time the clock's time points hold (about 1678 to 2262), a day inside either end
    // so that any offset writes it again.
    constexpr auto kFirst = std::chrono::ceil<seconds>(system_clock::time_point::min()) + days{1};
    constexpr auto kLast = std::chrono::floor<seconds>(system_clock::time_point::max()) - days{1};
    if (time < kFirst || time > kLast)
        return std::nullopt;
    return time;
}

// Any address a record may hold, as DottedQuad writes it: 0.0.0.0 too, which the write
// fields refuse.
std::optional<Ip4> Address(std::string_view text) {
    return ReadDottedQuad(text, QuadRules::kAny);
}

// Puts a cell's text into its field of entry; false when it is no such cell.
bool ReadCell(RunColumn column, std::string_view text, RunEntry& entry) {
    const auto set = [](auto& field, const auto& parsed) {
        if (parsed)
            field = *parsed;
        return parsed.has_value();
    };
    switch (column) {
    case RunColumn::kTime:
        return set(entry.time, ParseTime(text));
    case RunColumn::kCard:
        entry.card = text;
        return true;
    case RunColumn::kMac:
        return set(entry.mac, ParseMac(text));
    case RunColumn::kIpBefore:
        return set(entry.ipBefore, Address(text));
    case RunColumn::kMaskBefore:
        return set(entry.maskBefore, Address(text));
    case RunColumn::kGatewayBefore:
        return set(entry.gatewayBefore, Address(text));
    case RunColumn::kIp:
        return set(entry.ip, Address(text));
    case RunColumn::kMask:
        return set(entry.mask, Address(text));
    case RunColumn::kGateway:
        return set(entry.gateway, Address(text));
    case RunColumn::kDestination:
        return set(entry.destination, Address(text));
    case RunColumn::kOutcome: {
        const auto word = std::find(kRunOutcomeNames.begin(), kRunOutcomeNames.end(), text);
        entry.outcome = static_cast<RunOutcome>(word - kRunOutcomeNames.begin());
        return word != kRunOutcomeNames.end();
    }
    }
    return false;
}

} // namespace

const std::array<const char*, kRunColumns> kRunColumnNames = {
    "time", "card", "mac",     "ip_before",   "mask_before", "gateway_before",
    "ip",   "mask", "gateway", "destination", "outcome"};

const std::array<const char*, 5> kRunOutcomeNames = {"confirmed", "other-values", "no-answer",
                                                     "checking", "not-checked"};

size_t RunRecord::Add(RunEntry entry) {
    entries_.push_back(std::move(entry));
    return entries_.size() - 1;
}

void RunRecord::SetOutcome(size_t index, const WriteCheckOutcome& outcome) {
    RunEntry& entry = entries_.at(index);
    entry.outcome = OutcomeOf(outcome.result);
    if (entry.outcome == RunOutcome::kOtherValues) {
        entry.heardIp = outcome.heard.ip;
        entry.heardMask = outcome.heard.mask;
        entry.heardGateway = outcome.heard.gateway;
    }
}

size_t RunRecord::LatestOf(const Mac& mac) const {
    for (size_t i = entries_.size(); i-- > 0;)
        if (entries_[i].mac == mac)
            return i;
    return entries_.size();
}

RunEntry EntryOf(const Controller& target, const PreparedWrite& write,
                 std::chrono::system_clock::time_point time) {
    const ControllerRecord& before = target.record;
    return {time,
            target.cardName.empty() && target.card != 0 ? std::to_string(target.card)
                                                        : target.cardName,
            before.mac,
            before.ip,
            before.mask,
            before.gateway,
            write.wanted.ip,
            write.wanted.mask,
            write.wanted.gateway,
            write.destination.address,
            RunOutcome::kChecking};
}

RunOutcome OutcomeOf(WriteCheckResult result) {
    switch (result) {
    case WriteCheckResult::kConfirmed:
        return RunOutcome::kConfirmed;
    case WriteCheckResult::kOtherValues:
        return RunOutcome::kOtherValues;
    case WriteCheckResult::kNoAnswer:
        break;
    }
    return RunOutcome::kNoAnswer;
}

std::array<std::string, kRunColumns> RunCells(const RunEntry& entry) {
    return {TimeText(entry.time),
            entry.card,
            MacText(entry.mac),
            DottedQuad(entry.ipBefore),
            DottedQuad(entry.maskBefore),
            DottedQuad(entry.gatewayBefore),
            DottedQuad(entry.ip),
            DottedQuad(entry.mask),
            DottedQuad(entry.gateway),
            DottedQuad(entry.destination),
            kRunOutcomeNames.at(static_cast<size_t>(entry.outcome))};
}

std::string RunRecordCsv(const std::vector<RunEntry>& entries) {
    std::string text = CsvLine({kRunColumnNames.begin(), kRunColumnNames.end()});
    for (const RunEntry& entry : entries) {
        const auto cells = RunCells(entry);
        text += CsvLine({cells.begin(), cells.end()});
    }
    return text;
}

std::variant<std::vector<RunEntry>, RunReadError> ReadRunRecord(std::string_view text) {
    using Why = RunReadError::Why;
    if (text.starts_with("\xEF\xBB\xBF")) // the byte order mark some editors save
        text.remove_prefix(3);
    auto split = CsvRecords(text);
    if (const auto* fault = std::get_if<CsvFault>(&split))
        return RunReadError{Why::kBadQuote, fault->line, std::nullopt, ""};
    const auto& records = std::get<std::vector<CsvRecord>>(split);
    if (records.empty())
        return std::vector<RunEntry>{};
    const std::vector<std::string>& header = records[0].fields;
    // Each column's place in a line; columns besides these are skipped.
    std::array<size_t, kRunColumns> places{};
    for (size_t c = 0; c < kRunColumns; ++c) {
        places[c] = static_cast<size_t>(
            std::find(header.begin(), header.end(), kRunColumnNames[c]) - header.begin());
        if (places[c] == header.size())
            return RunReadError{Why::kNoHeader, records[0].line, static_cast<RunColumn>(c), ""};
    }
    std::vector<RunEntry> entries;
    for (size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        if (record.fields.size() != header.size())
            return RunReadError{Why::kFieldCount, record.line, std::nullopt, ""};
        RunEntry entry;
        for (size_t c = 0; c < kRunColumns; ++c) {
            const auto column = static_cast<RunColumn>(c);
            const std::string& cell = record.fields[places[c]];
            if (!ReadCell(column, cell, entry))
                return RunReadError{Why::kBadValue, record.line, column, cell};
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace core
