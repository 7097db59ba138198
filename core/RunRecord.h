// What this run of the program wrote: one entry per configuration frame that went out, in
// the order sent, with the values the controller held before, the values written, where the
// frame went and how its check ended. It is held in memory only; it reaches a file only when
// the user saves it (the window's report, the command line's --report), as CSV by the list's
// conventions (RFC 4180, UTF-8, CR LF, a header line), and is read back from that CSV.
#pragma once

#include "ControllerRecord.h"
#include "WriteCheck.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace core {

struct Controller;
struct PreparedWrite;

// How the check after a write ended, as the report's outcome column names it.
enum class RunOutcome {
    kConfirmed,   // "confirmed"
    kOtherValues, // "other-values": the MAC answered, with other values (RunEntry::heard)
    kNoAnswer,    // "no-answer": nothing from the MAC within the check's time
    kChecking,    // "checking": the check has not ended yet
    kNotChecked,  // "not-checked": no check was asked for
};

struct RunEntry {
    // When the frame went out; the CSV gives it in ISO 8601 with the UTC offset of the
    // computer's local time.
    std::chrono::system_clock::time_point time;
    std::string card; // the card that heard the controller, by name (else its index)
    Mac mac{};
    Ip4 ipBefore{}, maskBefore{}, gatewayBefore{}; // from the record the write replaced
    Ip4 ip{}, mask{}, gateway{};                   // written
    Ip4 destination{};                             // kBroadcast, or the address
    RunOutcome outcome = RunOutcome::kChecking;
    // kOtherValues: what the controller answered with (its IP, mask and gateway).
    Ip4 heardIp{}, heardMask{}, heardGateway{};
};

enum class RunColumn {
    kTime,
    kCard,
    kMac,
    kIpBefore,
    kMaskBefore,
    kGatewayBefore,
    kIp,
    kMask,
    kGateway,
    kDestination,
    kOutcome,
};
constexpr size_t kRunColumns = 11;

// "time", "card", "mac", "ip_before", "mask_before", "gateway_before", "ip", "mask",
// "gateway", "destination", "outcome": the report's header line.
extern const std::array<const char*, kRunColumns> kRunColumnNames;

// The outcome column's words, in RunOutcome's order.
extern const std::array<const char*, 5> kRunOutcomeNames;

// The run's entries, in the order written. Entries are numbered from 0 by their place and
// never removed.
class RunRecord {
public:
    // Appends an entry; returns its number.
    size_t Add(RunEntry entry);
    // The check of entry number index ended with outcome.
    void SetOutcome(size_t index, const WriteCheckOutcome& outcome);

    size_t Count() const { return entries_.size(); }
    const RunEntry& operator[](size_t index) const { return entries_.at(index); }
    const std::vector<RunEntry>& Entries() const { return entries_; }
    // The number of the latest entry of mac, or Count() when there is none.
    size_t LatestOf(const Mac& mac) const;

private:
    std::vector<RunEntry> entries_;
};

// The entry of write, sent at time to target (the controller as the search before it heard
// it): its card, the values before and written, where the frame went; still kChecking.
RunEntry EntryOf(const Controller& target, const PreparedWrite& write,
                 std::chrono::system_clock::time_point time);

// The entry's outcome as a write check's outcome gives it.
RunOutcome OutcomeOf(WriteCheckResult result);

// An entry's cells, in RunColumn order, as the CSV has them.
std::array<std::string, kRunColumns> RunCells(const RunEntry& entry);

// The header line, then one line per entry.
std::string RunRecordCsv(const std::vector<RunEntry>& entries);

// Why a text is not such a report: the line, the column (when the fault is a column's), the
// cell's text.
struct RunReadError {
    enum class Why { kNoHeader, kBadQuote, kFieldCount, kBadValue };
    Why why = Why::kNoHeader;
    int line = 0;
    std::optional<RunColumn> column;
    std::string text;
};

// The entries of a report as RunRecordCsv writes it, or where it is wrong. Empty text is an
// empty report.
std::variant<std::vector<RunEntry>, RunReadError> ReadRunRecord(std::string_view text);

} // namespace core
