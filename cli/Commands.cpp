#include "Commands.h"

#include "CommandLine.h"
#include "ControllerRecord.h"
#include "Discovery.h"
#include "Listing.h"
#include "NetworkCards.h"
#include "NoReplyText.h"
#include "Output.h"
#include "Phrases.h"
#include "Plan.h"
#include "PreparedWrite.h"
#include "Report.h"
#include "RunRecord.h"
#include "Search.h"
#include "SearchDiagnosis.h"
#include "WriteCheck.h"
#include "WriteFields.h"

#include <chrono>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>
#include <variant>

namespace cli {

namespace {

const std::string kNoLocalPort = "no local port (" + std::to_string(core::kLocalPortBase) + " to " +
                                 std::to_string(core::kLocalPortBase + core::kLocalPortTries - 1) +
                                 ") could be opened";
const char* const kParameterError = "parameter error, nothing sent";
const char* const kPlanErrors = "the plan has errors, nothing sent";
const char* const kUndoErrors = "the report's writes cannot all be written back, nothing sent";
const char* const kConflictRefused = "nothing sent (give --force to write anyway)";
// How long the search before a write listens.
constexpr int kSearchMs = static_cast<int>(core::Search::kWindow.count());

// Writes each line to err behind the program's name.
void Say(std::ostream& err, const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        err << "quorrel-cli: " << line << "\n";
}

// Says the lines and gives status back, for a return.
int Fail(std::ostream& err, int status, const std::vector<std::string>& lines) {
    Say(err, lines);
    return status;
}

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    if (!file || !(text << file.rdbuf()))
        return std::nullopt;
    return text.str();
}

// One search: every controller that answered, once. nullopt when no local port could be
// opened. Says on err when silent cards were asked again by unicast, once while *noteSaid
// (when given) lives.
std::optional<core::Controllers> Search(const std::optional<core::Ip4>& address, int timeoutMs,
                                        std::ostream& err, bool* noteSaid = nullptr) {
    core::DiscoveryResult result = core::Discover(address.value_or(core::kBroadcast), timeoutMs);
    if (!result.opened)
        return std::nullopt;
    if (result.askedAgain && (noteSaid == nullptr || !*noteSaid)) {
        Say(err, {kAskedAgainNote});
        if (noteSaid != nullptr)
            *noteSaid = true;
    }
    return std::move(result.controllers);
}

std::string ValuesText(const core::ControllerRecord& r) {
    return "ip " + r.IpText() + ", mask " + r.MaskText() + ", gateway " + r.GatewayText();
}

std::string DestinationText(const core::WriteDestination& d, const std::string& cardName) {
    std::string text = core::DottedQuad(d.address);
    if (d.card != 0)
        text += " on " + (cardName.empty() ? "card " + std::to_string(d.card) : cardName);
    return text;
}

// Sends the write's frame once; the reason when it did not go out.
std::optional<std::string> WriteFrame(const core::PreparedWrite& write) {
    const core::WriteDestination& d = write.destination;
    switch (core::SendWrite(write)) {
    case core::FrameSent::kSent:
        return std::nullopt;
    case core::FrameSent::kCardGone:
        return "the network card the controller answered on has gone";
    case core::FrameSent::kNoLocalPort:
        return kNoLocalPort;
    case core::FrameSent::kNotWhole:
        break;
    }
    return "the frame could not be sent to " + core::DottedQuad(d.address);
}

struct Verification {
    bool confirmed = false;
    std::string seen;
    core::WriteCheckResult result = core::WriteCheckResult::kNoAnswer;
};

// Asks the way the frame went until the controller with the MAC answers from its new
// address with the wanted values or timeoutMs has passed (core::CheckWrite).
Verification Verify(const core::PreparedWrite& write, int timeoutMs) {
    core::WriteCheckRequest request = write.check;
    request.time = std::chrono::milliseconds(timeoutMs);
    const core::WriteCheckOutcome o = core::CheckWrite(request);
    switch (o.result) {
    case core::WriteCheckResult::kConfirmed:
        return {true, "answers from " + core::DottedQuad(o.sender) + " with " + ValuesText(o.heard),
                o.result};
    case core::WriteCheckResult::kOtherValues:
        return {false,
                "last answer from " + core::DottedQuad(o.sender) + " with " + ValuesText(o.heard),
                o.result};
    case core::WriteCheckResult::kNoAnswer:
        break;
    }
    return {false,
            "no answer from " + o.request.wanted.MacText() + " within " +
                std::to_string(timeoutMs) + " ms",
            o.result};
}

// The report of --report: each write that goes out is appended to it, and its check's
// outcome put in when the check ends. A report that cannot be written is said on err; the
// writes go on, for they have begun.
class Recorder {
public:
    Recorder(ReportFile file, std::ostream& err) : file_(std::move(file)), err_(err) {}

    void Sent(const core::Controller& target, const core::PreparedWrite& write, bool verify) {
        core::RunEntry entry = core::EntryOf(target, write, std::chrono::system_clock::now());
        if (!verify)
            entry.outcome = core::RunOutcome::kNotChecked;
        if (const auto complaint = file_.Append(entry))
            Say(err_, {*complaint});
    }
    void Checked(const Verification& v) {
        if (const auto complaint = file_.SetOutcome(core::OutcomeOf(v.result)))
            Say(err_, {*complaint});
    }

private:
    ReportFile file_;
    std::ostream& err_;
};

// The recorder of --report (without it, one that records nothing); nothing when the file is
// no report of writes, which is said on err.
std::optional<Recorder> OpenRecorder(const Command& o, std::ostream& err) {
    if (o.reportPath.empty())
        return Recorder(ReportFile(), err);
    auto opened = ReportFile::Open(o.reportPath);
    if (const auto* complaint = std::get_if<std::string>(&opened)) {
        Say(err, {*complaint, "not a report of writes to append to, nothing sent"});
        return std::nullopt;
    }
    return Recorder(std::move(std::get<ReportFile>(opened)), err);
}

// Why a write was refused: its MAC answered from several addresses, values that may not be
// written.
std::vector<std::string> RefusalLines(const core::Mac& mac, const core::WriteRefusal& refusal) {
    std::vector<std::string> lines;
    if (!refusal.sharedMac.empty())
        lines.push_back(DescribeSharedMac(mac, refusal.sharedMac));
    for (const core::FieldFault& f : refusal.faults)
        lines.push_back(Describe(f));
    return lines;
}

int RunDiscover(const Command& o, std::ostream& out, std::ostream& err) {
    std::optional<core::Controllers> earlier;
    if (!o.comparePath.empty()) {
        const auto text = ReadFile(o.comparePath);
        if (!text)
            return Fail(err, kExitBadInput, {"cannot read \"" + o.comparePath + "\""});
        auto listing = core::ReadList(*text);
        if (const auto* why = std::get_if<core::ListError>(&listing))
            return Fail(err, kExitBadInput, {ListErrorText(o.comparePath, *why)});
        earlier = std::move(std::get<core::Controllers>(listing));
    }
    const auto heard = Search(o.address, o.timeoutMs, err);
    if (!heard)
        return Fail(err, kExitNetwork, {kNoLocalPort});
    if (earlier)
        out << FormatComparison(*heard, core::CompareSearches(*earlier, *heard), o.format);
    else
        out << FormatControllers(*heard, o.format);
    if (heard->Count() == 0) {
        std::vector<std::string> lines{"no controller answered"};
        if (o.address.value_or(core::kBroadcast) == core::kBroadcast) {
            const auto why = NoReplyText(core::DiagnoseNoReply());
            lines.insert(lines.end(), why.begin(), why.end());
        }
        return Fail(err, kExitNotFound, lines);
    }
    return kExitSuccess;
}

int RunSet(const Command& o, std::ostream& out, std::ostream& err) {
    const core::Mac& mac = o.mac;
    auto recorder = OpenRecorder(o, err);
    if (!recorder)
        return kExitBadInput;
    // The values given are checked before anything is sent; the others come from the
    // controller.
    std::vector<std::string> faults;
    const core::WriteValues given{o.ip.value_or(""), o.mask.value_or(""), o.gateway.value_or(""),
                                  ""};
    for (const core::FieldFault& f : core::CheckWriteValues(given)) {
        const bool wasGiven = (f.field == core::WriteField::kIp && o.ip) ||
                              (f.field == core::WriteField::kMask && o.mask) ||
                              (f.field == core::WriteField::kGateway && o.gateway);
        if (wasGiven)
            faults.push_back(Describe(f));
    }
    if (!faults.empty()) {
        faults.push_back(kParameterError);
        return Fail(err, kExitBadInput, faults);
    }

    const auto heard = Search(o.address, kSearchMs, err);
    if (!heard)
        return Fail(err, kExitNetwork, {kNoLocalPort});
    const core::Controller* found = heard->FirstWithMac(mac);
    if (found == nullptr)
        return Fail(err, kExitNotFound,
                    {"no controller with MAC " + core::MacText(mac) + " answered" +
                     (o.address ? " at " + core::DottedQuad(*o.address) : "") + ", nothing sent"});
    const core::ControllerRecord& current = found->record;
    const core::WriteValues values{o.ip.value_or(current.IpText()),
                                   o.mask.value_or(current.MaskText()),
                                   o.gateway.value_or(current.GatewayText()), current.PortText()};
    const auto prepared = core::PrepareWrite(*heard, *found, values, !o.address);
    if (const auto* refusal = std::get_if<core::WriteRefusal>(&prepared)) {
        std::vector<std::string> lines = RefusalLines(mac, *refusal);
        if (refusal->sharedMac.empty())
            lines.push_back(kParameterError);
        else
            lines.front() += ", nothing sent (write to one of them with --address)";
        return Fail(err, kExitBadInput, lines);
    }
    core::PreparedWrite write = std::get<core::PreparedWrite>(prepared);
    if (!o.force)
        core::AddProbeAnswer(write, core::ProbeNewAddress(write));
    if (write.conflicts.Any() && !o.force) {
        std::vector<std::string> lines = DescribeConflicts(write.conflicts, write.wanted);
        lines.push_back(kConflictRefused);
        return Fail(err, kExitBadInput, lines);
    }
    if (const auto failure = WriteFrame(write))
        return Fail(err, kExitNetwork, {*failure});
    recorder->Sent(*found, write, o.verify);
    out << "sent to " << DestinationText(write.destination, found->cardName) << ": "
        << core::MacText(mac) << " " << ValuesText(write.wanted) << "\n";
    if (!o.verify)
        return kExitSuccess;
    const Verification v = Verify(write, o.timeoutMs);
    recorder->Checked(v);
    out << (v.confirmed ? "confirmed: " : "not confirmed: ") << v.seen << "\n";
    return v.confirmed ? kExitSuccess : kExitNotFound;
}

// A row of a checked plan, the controller that answered with its MAC and its write.
struct PlanStep {
    core::PlanRow row;
    core::Controller controller;
    core::PreparedWrite write;
};

// Finds each row's controller with one search and checks its write (rows of path: each
// fault named in err by path and line, then failure). The steps in row order, or the exit
// status when not every row can be written (nothing sent).
std::variant<std::vector<PlanStep>, int> PlanSteps(const std::vector<core::PlanRow>& rows,
                                                   const Command& o, const std::string& path,
                                                   const char* failure, std::ostream& err) {
    const auto complain = [&err, &path](int line, const std::string& message) {
        err << path << ":" << line << ": " << message << "\n";
    };
    const auto heard = Search(std::nullopt, kSearchMs, err);
    if (!heard)
        return Fail(err, kExitNetwork, {kNoLocalPort});
    std::vector<PlanStep> steps;
    for (const core::PlanRow& row : rows) {
        const core::Controller* found = heard->FirstWithMac(row.mac);
        if (found == nullptr) {
            complain(row.line,
                     "no controller with MAC " + core::MacText(row.mac) + " answered the search");
            continue;
        }
        const auto prepared =
            core::PrepareWrite(*heard, *found, {row.ip, row.mask, row.gateway, ""}, true);
        if (const auto* write = std::get_if<core::PreparedWrite>(&prepared)) {
            if (!write->conflicts.Any() || o.force)
                steps.push_back({row, *found, *write});
            else
                for (const std::string& line : DescribeConflicts(write->conflicts, write->wanted))
                    complain(row.line, line + " (--force writes it anyway)");
            continue;
        }
        for (const std::string& line :
             RefusalLines(row.mac, std::get<core::WriteRefusal>(prepared)))
            complain(row.line, line);
    }
    if (!o.force) {
        // The new addresses of the writes that may go out are asked on the LAN all at once.
        std::vector<core::PreparedWrite*> writes;
        for (PlanStep& step : steps)
            writes.push_back(&step.write);
        core::ProbeNewAddresses(writes);
        std::erase_if(steps, [&complain](const PlanStep& step) {
            for (const std::string& line :
                 DescribeConflicts(step.write.conflicts, step.write.wanted))
                complain(step.row.line, line + " (--force writes it anyway)");
            return step.write.conflicts.Any();
        });
    }
    if (steps.size() != rows.size())
        return Fail(err, kExitBadInput, {failure});
    return steps;
}

// Reads the plan, checks every row and finds each row's controller with one search. The
// steps in file order, or the exit status when the plan cannot be carried out (each fault
// named in err by file and line; nothing sent).
std::variant<std::vector<PlanStep>, int> CheckPlan(const Command& o, std::ostream& err) {
    const auto text = ReadFile(o.planPath);
    if (!text)
        return Fail(err, kExitBadInput, {"cannot read the plan \"" + o.planPath + "\""});
    const core::Plan plan = core::ParsePlan(*text);
    const auto complain = [&err, &o](int line, const std::string& message) {
        err << o.planPath << ":" << line << ": " << message << "\n";
    };
    for (const core::PlanFault& e : plan.errors)
        complain(e.line, Describe(e));
    if (!plan.errors.empty())
        return Fail(err, kExitBadInput, {kPlanErrors});
    return PlanSteps(plan.rows, o, o.planPath, kPlanErrors, err);
}

// Writes each step's frame to broadcast on the card its controller answered on, confirming
// it with --verify, or only shows the frames on a dry run. Gives the exit status.
int CarryOutPlan(const std::vector<PlanStep>& steps, const Command& o, std::ostream& out,
                 Recorder& recorder) {
    int written = 0;
    int confirmed = 0;
    int unconfirmed = 0;
    int failed = 0;
    for (const PlanStep& step : steps) {
        const core::PlanRow& row = step.row;
        const core::PreparedWrite& write = step.write;
        out << "line " << row.line << ": " << core::MacText(row.mac) << " ";
        if (o.dryRun) {
            out << "would get " << core::HexText(write.frame.data(), write.frame.size()) << " to "
                << DestinationText(write.destination, step.controller.cardName) << "\n";
            continue;
        }
        if (const auto failure = WriteFrame(write)) {
            out << "not written: " << *failure << "\n";
            ++failed;
            continue;
        }
        ++written;
        recorder.Sent(step.controller, write, o.verify);
        out << "written: " << ValuesText(write.wanted);
        if (o.verify) {
            const Verification v = Verify(write, o.timeoutMs);
            recorder.Checked(v);
            out << (v.confirmed ? "; confirmed: " : "; not confirmed: ") << v.seen;
            ++(v.confirmed ? confirmed : unconfirmed);
        }
        out << "\n";
    }
    const size_t rows = steps.size();
    if (o.dryRun) {
        out << rows << " rows, nothing sent (dry run)\n";
        return kExitSuccess;
    }
    out << rows << " rows: " << written << " written";
    if (o.verify)
        out << ", " << confirmed << " confirmed, " << unconfirmed << " not confirmed";
    out << ", " << failed << " failed\n";
    if (failed > 0)
        return kExitNetwork;
    return unconfirmed > 0 ? kExitNotFound : kExitSuccess;
}

int RunApply(const Command& o, std::ostream& out, std::ostream& err) {
    auto recorder = OpenRecorder(o, err);
    if (!recorder)
        return kExitBadInput;
    const auto checked = CheckPlan(o, err);
    if (const int* status = std::get_if<int>(&checked))
        return *status;
    return CarryOutPlan(std::get<std::vector<PlanStep>>(checked), o, out, *recorder);
}

// Writes back, for each MAC of the report, the values before its latest entry, as apply
// writes a plan whose rows are those entries.
int RunUndo(const Command& o, std::ostream& out, std::ostream& err) {
    auto recorder = OpenRecorder(o, err);
    if (!recorder)
        return kExitBadInput;
    const auto text = ReadFile(o.undoPath);
    if (!text)
        return Fail(err, kExitBadInput, {"cannot read the report \"" + o.undoPath + "\""});
    const auto latest = LatestWrites(*text);
    if (const auto* fault = std::get_if<core::RunReadError>(&latest))
        return Fail(err, kExitBadInput, {RunReadErrorText(o.undoPath, *fault), kUndoErrors});
    std::vector<core::PlanRow> rows;
    for (const ReportedWrite& w : std::get<std::vector<ReportedWrite>>(latest))
        rows.push_back({w.line, w.entry.mac, core::DottedQuad(w.entry.ipBefore),
                        core::DottedQuad(w.entry.maskBefore),
                        core::DottedQuad(w.entry.gatewayBefore)});
    if (rows.empty())
        return Fail(err, kExitBadInput,
                    {"the report \"" + o.undoPath + "\" holds no writes, nothing sent"});
    const auto checked = PlanSteps(rows, o, o.undoPath, kUndoErrors, err);
    if (const int* status = std::get_if<int>(&checked))
        return *status;
    return CarryOutPlan(std::get<std::vector<PlanStep>>(checked), o, out, *recorder);
}

// The local time of day with the date, "2026-12-08 14:10:05".
std::string TimeText() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    char text[32] = {};
    if (local == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local) == 0)
        return "?";
    return text;
}

// Searches every o.everySeconds (start to start) and prints each change on out as it
// happens, until stop is set.
int RunWatch(const Command& o, std::ostream& out, std::ostream& err, StopCatcher catchStop) {
    std::atomic<bool> stop = false;
    if (catchStop != nullptr && !catchStop(stop))
        Say(err, {"Ctrl+C and SIGTERM could not be caught: they end the watch at once"});
    core::Controllers before;
    bool noteSaid = false;
    const auto every = std::chrono::seconds(o.everySeconds);
    constexpr auto kStopCheck = std::chrono::milliseconds(50);
    while (!stop) {
        const auto started = std::chrono::steady_clock::now();
        const auto now = Search(o.address, o.timeoutMs, err, &noteSaid);
        if (!now)
            return Fail(err, kExitNetwork, {kNoLocalPort});
        if (stop)
            break; // a search cut short by the stop shows no changes
        out << ChangeLines(before, *now, core::CompareSearches(before, *now), TimeText(), o.format)
            << std::flush;
        before = *now;
        while (!stop && std::chrono::steady_clock::now() < started + every)
            std::this_thread::sleep_for(kStopCheck);
    }
    return kExitSuccess;
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        StopCatcher catchStop) {
    const ParsedCommandLine parsed = ParseCommandLine(args);
    if (!parsed.command)
        return Fail(err, kExitBadInput, {parsed.error + " (see quorrel-cli --help)"});
    const Command& command = *parsed.command;
    if (command.help) {
        out << UsageText(command.kind);
        return kExitSuccess;
    }
    switch (command.kind) {
    case CommandKind::kDiscover:
        return RunDiscover(command, out, err);
    case CommandKind::kSet:
        return RunSet(command, out, err);
    case CommandKind::kApply:
        return RunApply(command, out, err);
    case CommandKind::kUndo:
        return RunUndo(command, out, err);
    case CommandKind::kWatch:
        return RunWatch(command, out, err, catchStop);
    case CommandKind::kHelp:
        break;
    }
    out << UsageText(CommandKind::kHelp);
    return kExitSuccess;
}

} // namespace cli
