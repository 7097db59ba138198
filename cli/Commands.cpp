#include "Commands.h"

#include "CommandLine.h"
#include "ControllerRecord.h"
#include "Discovery.h"
#include "NetworkCards.h"
#include "NoReplyText.h"
#include "Output.h"
#include "Phrases.h"
#include "Plan.h"
#include "PreparedWrite.h"
#include "SearchDiagnosis.h"
#include "WriteCheck.h"
#include "WriteFields.h"

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <variant>

namespace cli {

namespace {

const std::string kNoLocalPort = "no local port (" + std::to_string(core::kLocalPortBase) + " to " +
                                 std::to_string(core::kLocalPortBase + core::kLocalPortTries - 1) +
                                 ") could be opened";
const char* const kParameterError = "parameter error, nothing sent";
const char* const kPlanErrors = "the plan has errors, nothing sent";

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

// The address of a search: the given one (already checked), else the broadcast address.
core::Ip4 SearchAddress(const std::string& address) {
    return address.empty() ? core::kBroadcast : core::ParseDottedQuad(address).value();
}

// One search: every controller that answered, once. nullopt when no local port could be
// opened. Says on err when silent cards were asked again by unicast.
std::optional<core::Controllers> Search(const std::string& address, int timeoutMs,
                                        std::ostream& err) {
    core::DiscoveryResult result = core::Discover(SearchAddress(address), timeoutMs);
    if (!result.opened)
        return std::nullopt;
    if (result.askedAgain)
        Say(err, {kAskedAgainNote});
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
};

// Asks the way the frame went until the controller with the MAC answers from its new
// address with the wanted values or timeoutMs has passed (core::CheckWrite).
Verification Verify(const core::PreparedWrite& write, int timeoutMs) {
    core::WriteCheckRequest request = write.check;
    request.time = std::chrono::milliseconds(timeoutMs);
    const core::WriteCheckOutcome o = core::CheckWrite(request);
    switch (o.result) {
    case core::WriteCheckResult::kConfirmed:
        return {true,
                "answers from " + core::DottedQuad(o.sender) + " with " + ValuesText(o.heard)};
    case core::WriteCheckResult::kOtherValues:
        return {false,
                "last answer from " + core::DottedQuad(o.sender) + " with " + ValuesText(o.heard)};
    case core::WriteCheckResult::kNoAnswer:
        break;
    }
    return {false, "no answer from " + o.request.wanted.MacText() + " within " +
                       std::to_string(timeoutMs) + " ms"};
}

int RunDiscover(const DiscoverOptions& o, std::ostream& out, std::ostream& err) {
    const auto heard = Search(o.address, o.timeoutMs, err);
    if (!heard)
        return Fail(err, kExitNetwork, {kNoLocalPort});
    out << FormatControllers(*heard, o.format);
    if (heard->Count() == 0) {
        std::vector<std::string> lines{"no controller answered"};
        if (SearchAddress(o.address) == core::kBroadcast) {
            const auto why = NoReplyText(core::DiagnoseNoReply());
            lines.insert(lines.end(), why.begin(), why.end());
        }
        return Fail(err, kExitNotFound, lines);
    }
    return kExitSuccess;
}

int RunSet(const SetOptions& o, std::ostream& out, std::ostream& err) {
    const core::Mac mac = *core::ParseMac(o.mac);
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

    const auto heard = Search(o.address, kDefaultSearchMs, err);
    if (!heard)
        return Fail(err, kExitNetwork, {kNoLocalPort});
    const core::Controller* found = heard->FirstWithMac(mac);
    if (found == nullptr)
        return Fail(err, kExitNotFound,
                    {"no controller with MAC " + core::MacText(mac) + " answered" +
                     (o.address.empty() ? "" : " at " + o.address) + ", nothing sent"});
    const core::ControllerRecord& current = found->record;
    const core::WriteValues values{o.ip.value_or(current.IpText()),
                                   o.mask.value_or(current.MaskText()),
                                   o.gateway.value_or(current.GatewayText()), current.PortText()};
    const auto prepared = core::PrepareWrite(*heard, *found, values, o.address.empty());
    if (const auto* refusal = std::get_if<core::WriteRefusal>(&prepared)) {
        if (!refusal->sharedMac.empty())
            return Fail(err, kExitBadInput,
                        {DescribeSharedMac(mac, refusal->sharedMac) +
                         ", nothing sent (write to one of them with --address)"});
        for (const core::FieldFault& f : refusal->faults)
            faults.push_back(Describe(f));
        faults.push_back(kParameterError);
        return Fail(err, kExitBadInput, faults);
    }
    const core::PreparedWrite& write = std::get<core::PreparedWrite>(prepared);
    if (const auto failure = WriteFrame(write))
        return Fail(err, kExitNetwork, {*failure});
    out << "sent to " << DestinationText(write.destination, found->cardName) << ": "
        << core::MacText(mac) << " " << ValuesText(write.wanted) << "\n";
    if (!o.verify)
        return kExitSuccess;
    const Verification v = Verify(write, o.timeoutMs);
    out << (v.confirmed ? "confirmed: " : "not confirmed: ") << v.seen << "\n";
    return v.confirmed ? kExitSuccess : kExitNotFound;
}

// A row of a checked plan, the controller that answered with its MAC and its write.
struct PlanStep {
    PlanRow row;
    core::Controller controller;
    core::PreparedWrite write;
};

// Reads the plan, checks every row and finds each row's controller with one search. The
// steps in file order, or the exit status when the plan cannot be carried out (each fault
// named in err by file and line; nothing sent).
std::variant<std::vector<PlanStep>, int> CheckPlan(const ApplyOptions& o, std::ostream& err) {
    std::ifstream file(o.planPath, std::ios::binary);
    std::stringstream text;
    if (!file || !(text << file.rdbuf()))
        return Fail(err, kExitBadInput, {"cannot read the plan \"" + o.planPath + "\""});
    const Plan plan = ParsePlan(text.str());
    const auto complain = [&err, &o](int line, const std::string& message) {
        err << o.planPath << ":" << line << ": " << message << "\n";
    };
    for (const PlanError& e : plan.errors)
        complain(e.line, e.message);
    if (!plan.errors.empty())
        return Fail(err, kExitBadInput, {kPlanErrors});

    const auto heard = Search("", kDefaultSearchMs, err);
    if (!heard)
        return Fail(err, kExitNetwork, {kNoLocalPort});
    std::vector<PlanStep> steps;
    for (const PlanRow& row : plan.rows) {
        const core::Controller* found = heard->FirstWithMac(row.mac);
        if (found == nullptr) {
            complain(row.line,
                     "no controller with MAC " + core::MacText(row.mac) + " answered the search");
            continue;
        }
        const auto prepared =
            core::PrepareWrite(*heard, *found, {row.ip, row.mask, row.gateway, ""}, true);
        if (const auto* write = std::get_if<core::PreparedWrite>(&prepared)) {
            steps.push_back({row, *found, *write});
            continue;
        }
        const auto& refusal = std::get<core::WriteRefusal>(prepared);
        if (!refusal.sharedMac.empty())
            complain(row.line, DescribeSharedMac(row.mac, refusal.sharedMac));
        for (const core::FieldFault& f : refusal.faults)
            complain(row.line, Describe(f));
    }
    if (steps.size() != plan.rows.size())
        return Fail(err, kExitBadInput, {kPlanErrors});
    return steps;
}

// Writes each step's frame to broadcast on the card its controller answered on, confirming
// it with --verify, or only shows the frames on a dry run. Gives the exit status.
int CarryOutPlan(const std::vector<PlanStep>& steps, const ApplyOptions& o, std::ostream& out) {
    int written = 0;
    int confirmed = 0;
    int unconfirmed = 0;
    int failed = 0;
    for (const PlanStep& step : steps) {
        const PlanRow& row = step.row;
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
        out << "written: " << ValuesText(write.wanted);
        if (o.verify) {
            const Verification v = Verify(write, o.timeoutMs);
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

int RunApply(const ApplyOptions& o, std::ostream& out, std::ostream& err) {
    const auto checked = CheckPlan(o, err);
    if (const int* status = std::get_if<int>(&checked))
        return *status;
    return CarryOutPlan(std::get<std::vector<PlanStep>>(checked), o, out);
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
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
        return RunDiscover(command.discover, out, err);
    case CommandKind::kSet:
        return RunSet(command.set, out, err);
    case CommandKind::kApply:
        return RunApply(command.apply, out, err);
    case CommandKind::kHelp:
        break;
    }
    out << UsageText(CommandKind::kHelp);
    return kExitSuccess;
}

} // namespace cli
