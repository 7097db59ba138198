#include "Commands.h"

#include "CommandLine.h"
#include "ControllerRecord.h"
#include "Discovery.h"
#include "NetworkCards.h"
#include "Output.h"
#include "Plan.h"
#include "SearchDiagnosis.h"
#include "UdpSocket.h"
#include "WriteRules.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kBroadcast = "255.255.255.255";
constexpr int kVerifySearchMs = 1000;

const char* const kNoLocalPort = "no local port (6002 to 6004) could be opened";

// One search: every reply, with its record. nullopt when no local port could be opened.
std::optional<std::vector<Listed>> Search(const std::string& address, int timeoutMs) {
    const core::DiscoveryResult result =
        core::Discover(address.empty() ? kBroadcast : address, timeoutMs);
    if (!result.opened)
        return std::nullopt;
    std::vector<Listed> listed;
    for (const core::HeardReply& reply : result.replies) {
        const auto record =
            core::ControllerRecord::FromReply(reply.bytes.data(), reply.bytes.size());
        if (!record)
            continue;
        std::string card = reply.cardName;
        if (card.empty() && reply.card != 0)
            card = std::to_string(reply.card);
        listed.push_back({reply.sender, *record, card, reply.card});
    }
    return listed;
}

const Listed* ByMac(const std::vector<Listed>& listed, const core::Mac& mac) {
    for (const Listed& c : listed)
        if (c.record.mac == mac)
            return &c;
    return nullptr;
}

std::string ValuesText(const core::ControllerRecord& r) {
    return "ip " + r.IpText() + ", mask " + r.MaskText() + ", gateway " + r.GatewayText();
}

std::string DestinationText(const core::WriteDestination& d, const std::string& cardName) {
    std::string text = d.address;
    if (d.card != 0)
        text += " on " + (cardName.empty() ? "card " + std::to_string(d.card) : cardName);
    return text;
}

// Sends the frame once; the reason when it did not go out.
std::optional<std::string> SendFrame(const core::FrameBytes& frame,
                                     const core::WriteDestination& d) {
    const std::optional<unsigned> card = core::FrameCard(d.card);
    if (!card)
        return "the network card the controller answered on has gone";
    core::UdpSocket socket = core::OpenLocalPort(core::kLocalPortBase);
    if (!socket.Valid())
        return std::string(kNoLocalPort);
    if (!socket.Send(d.address, core::kControllerPort, frame.data(), frame.size(), *card))
        return "the frame could not be sent to " + d.address;
    return std::nullopt;
}

struct Verification {
    bool confirmed = false;
    std::string seen;
};

// Searches at searchAt until the controller with the MAC answers with the wanted values or
// timeoutMs has passed.
Verification Verify(const core::ControllerRecord& wanted, const std::string& searchAt,
                    int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::optional<Listed> last;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        const auto heard =
            Search(searchAt, static_cast<int>(std::min<long long>(left, kVerifySearchMs)));
        if (!heard) {
            // No local port just now: try again a little later rather than spin.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        for (const Listed& c : *heard) {
            if (c.record.mac != wanted.mac)
                continue;
            last = c;
            if (c.record.ip == wanted.ip && c.record.mask == wanted.mask &&
                c.record.gateway == wanted.gateway)
                return {true, "answers from " + c.sender + " with " + ValuesText(c.record)};
        }
    }
    if (!last)
        return {false, "no answer from " + wanted.MacText() + " within " +
                           std::to_string(timeoutMs) + " ms"};
    return {false, "last answer from " + last->sender + " with " + ValuesText(last->record)};
}

// The values to write: the controller's record with the given texts (already checked).
core::ControllerRecord Target(const core::ControllerRecord& current, const std::string& ip,
                              const std::string& mask, const std::string& gateway) {
    core::ControllerRecord values = current;
    values.ip = *core::ParseDottedQuad(ip);
    values.mask = *core::ParseDottedQuad(mask);
    values.gateway = *core::ParseDottedQuad(gateway);
    return values;
}

int RunDiscover(const DiscoverOptions& o, std::ostream& out, std::ostream& err) {
    const auto heard = Search(o.address, o.timeoutMs);
    if (!heard) {
        err << "quorrel-cli: " << kNoLocalPort << "\n";
        return kExitNetwork;
    }
    out << FormatControllers(*heard, o.format);
    if (heard->empty()) {
        err << "quorrel-cli: no controller answered\n";
        if (o.address.empty() || o.address == kBroadcast)
            for (const std::string& line :
                 core::NoReplyDiagnosis(core::BroadcastCards(), core::DetectHostFirewall()))
                err << "quorrel-cli: " << line << "\n";
        return kExitNotFound;
    }
    return kExitSuccess;
}

int RunSet(const SetOptions& o, std::ostream& out, std::ostream& err) {
    const core::Mac mac = *core::ParseMac(o.mac);
    // The values given are checked before anything is sent; the others come from the
    // controller.
    bool bad = false;
    const core::WriteValues given{o.ip.value_or(""), o.mask.value_or(""), o.gateway.value_or(""),
                                  ""};
    for (const core::FieldFault& f : core::CheckWriteValues(given)) {
        const bool wasGiven = (f.field == core::WriteField::kIp && o.ip) ||
                              (f.field == core::WriteField::kMask && o.mask) ||
                              (f.field == core::WriteField::kGateway && o.gateway);
        if (wasGiven) {
            err << "quorrel-cli: " << core::Describe(f) << "\n";
            bad = true;
        }
    }
    if (bad) {
        err << "quorrel-cli: parameter error, nothing sent\n";
        return kExitBadInput;
    }

    const auto heard = Search(o.address, kDefaultSearchMs);
    if (!heard) {
        err << "quorrel-cli: " << kNoLocalPort << "\n";
        return kExitNetwork;
    }
    const Listed* found = ByMac(*heard, mac);
    if (found == nullptr) {
        err << "quorrel-cli: no controller with MAC " << core::MacText(mac) << " answered"
            << (o.address.empty() ? "" : " at " + o.address) << ", nothing sent\n";
        return kExitNotFound;
    }

    const core::ControllerRecord& current = found->record;
    const core::WriteValues values{o.ip.value_or(current.IpText()),
                                   o.mask.value_or(current.MaskText()),
                                   o.gateway.value_or(current.GatewayText()), current.PortText()};
    const auto faults = core::CheckWriteValues(values);
    if (!faults.empty()) {
        for (const core::FieldFault& f : faults)
            err << "quorrel-cli: " << core::Describe(f) << "\n";
        err << "quorrel-cli: parameter error, nothing sent\n";
        return kExitBadInput;
    }
    const core::ControllerRecord wanted = Target(current, values.ip, values.mask, values.gateway);
    const core::WriteDestination destination =
        core::ChooseDestination(o.address.empty(), found->sender, found->cardIndex);
    if (const auto failure = SendFrame(core::ConfigFrame(wanted), destination)) {
        err << "quorrel-cli: " << *failure << "\n";
        return kExitNetwork;
    }
    out << "sent to " << DestinationText(destination, found->card) << ": " << core::MacText(mac)
        << " " << ValuesText(wanted) << "\n";
    if (!o.verify)
        return kExitSuccess;
    const Verification v = Verify(wanted, o.address.empty() ? "" : values.ip, o.timeoutMs);
    out << (v.confirmed ? "confirmed: " : "not confirmed: ") << v.seen << "\n";
    return v.confirmed ? kExitSuccess : kExitNotFound;
}

int RunApply(const ApplyOptions& o, std::ostream& out, std::ostream& err) {
    std::ifstream file(o.planPath, std::ios::binary);
    std::stringstream text;
    if (!file || !(text << file.rdbuf())) {
        err << "quorrel-cli: cannot read the plan \"" << o.planPath << "\"\n";
        return kExitBadInput;
    }
    const Plan plan = ParsePlan(text.str());
    const auto complain = [&err, &o](int line, const std::string& message) {
        err << o.planPath << ":" << line << ": " << message << "\n";
    };
    for (const PlanError& e : plan.errors)
        complain(e.line, e.message);
    if (!plan.errors.empty()) {
        err << "quorrel-cli: the plan has errors, nothing sent\n";
        return kExitBadInput;
    }

    const auto heard = Search("", kDefaultSearchMs);
    if (!heard) {
        err << "quorrel-cli: " << kNoLocalPort << "\n";
        return kExitNetwork;
    }
    bool unknown = false;
    for (const PlanRow& row : plan.rows) {
        if (ByMac(*heard, row.mac) == nullptr) {
            complain(row.line,
                     "no controller with MAC " + core::MacText(row.mac) + " answered the search");
            unknown = true;
        }
    }
    if (unknown) {
        err << "quorrel-cli: the plan has errors, nothing sent\n";
        return kExitBadInput;
    }

    int written = 0;
    int confirmed = 0;
    int unconfirmed = 0;
    int failed = 0;
    for (const PlanRow& row : plan.rows) {
        const Listed& found = *ByMac(*heard, row.mac);
        const core::ControllerRecord wanted = Target(found.record, row.ip, row.mask, row.gateway);
        const core::FrameBytes frame = core::ConfigFrame(wanted);
        const core::WriteDestination destination =
            core::ChooseDestination(true, found.sender, found.cardIndex);
        out << "line " << row.line << ": " << core::MacText(row.mac) << " ";
        if (o.dryRun) {
            out << "would get " << core::HexText(frame.data(), frame.size()) << " to "
                << DestinationText(destination, found.card) << "\n";
            continue;
        }
        if (const auto failure = SendFrame(frame, destination)) {
            out << "not written: " << *failure << "\n";
            ++failed;
            continue;
        }
        ++written;
        out << "written: " << ValuesText(wanted);
        if (o.verify) {
            const Verification v = Verify(wanted, "", o.timeoutMs);
            out << (v.confirmed ? "; confirmed: " : "; not confirmed: ") << v.seen;
            ++(v.confirmed ? confirmed : unconfirmed);
        }
        out << "\n";
    }
    const size_t rows = plan.rows.size();
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

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const ParsedCommandLine parsed = ParseCommandLine(args);
    if (!parsed.command) {
        err << "quorrel-cli: " << parsed.error << " (see quorrel-cli --help)\n";
        return kExitBadInput;
    }
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
