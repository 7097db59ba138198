#include "CommandLine.h"

#include "ControllerRecord.h"
#include "UserFunc.h"

#include <charconv>

namespace cli {

namespace {

constexpr int kLongestTimeoutMs = 3600000;
constexpr int kLongestEverySeconds = 86400;

bool ParseTimeout(const std::string& text, int& ms) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > kLongestTimeoutMs)
        return false;
    ms = value;
    return true;
}

// Walks the options of one command.
class Options {
public:
    Options(const std::vector<std::string>& args, std::string& error)
        : args_(args), error_(error) {}

    bool Next() { return ++at_ < args_.size(); }
    const std::string& Name() const { return args_[at_]; }
    bool IsPositional() const { return Name().empty() || Name()[0] != '-'; }

    // The value after the current option.
    std::optional<std::string> Value() {
        if (at_ + 1 >= args_.size()) {
            error_ = Name() + " needs a value";
            return std::nullopt;
        }
        return args_[++at_];
    }

    bool Timeout(int& ms) {
        const std::string name = Name();
        const auto value = Value();
        if (!value)
            return false;
        if (!ParseTimeout(*value, ms)) {
            error_ = name + " takes milliseconds from 1 to " + std::to_string(kLongestTimeoutMs) +
                     ", got \"" + *value + "\"";
            return false;
        }
        return true;
    }

    // An address to search at: a dotted quad.
    bool Address(std::string& address) {
        const auto value = Value();
        if (!value)
            return false;
        if (BadDottedQuad(*value, false)) {
            error_ = "--address takes an IPv4 address such as 192.168.1.10, got \"" + *value + "\"";
            return false;
        }
        address = *value;
        return true;
    }

    // table, json or csv; csv only where allowed.
    bool TakeFormat(Format& format, bool csvAllowed) {
        const auto value = Value();
        if (!value)
            return false;
        if (*value == "table")
            format = Format::kTable;
        else if (*value == "json")
            format = Format::kJson;
        else if (*value == "csv" && csvAllowed)
            format = Format::kCsv;
        else
            return Fail(std::string("--format takes table, json") + (csvAllowed ? " or csv" : "") +
                        ", got \"" + *value + "\"");
        return true;
    }

    bool Fail(const std::string& error) {
        error_ = error;
        return false;
    }
    bool Unknown() { return Fail("unknown option \"" + Name() + "\""); }

private:
    const std::vector<std::string>& args_;
    std::string& error_;
    size_t at_ = 0; // args_[0] is the command
};

bool ParseDiscover(Options& o, DiscoverOptions& d, bool& help) {
    while (o.Next()) {
        const std::string& name = o.Name();
        if (name == "--help" || name == "-h") {
            help = true;
        } else if (name == "--address") {
            if (!o.Address(d.address))
                return false;
        } else if (name == "--timeout") {
            if (!o.Timeout(d.timeoutMs))
                return false;
        } else if (name == "--format") {
            if (!o.TakeFormat(d.format, true))
                return false;
        } else if (name == "--compare") {
            const auto value = o.Value();
            if (!value)
                return false;
            d.comparePath = *value;
        } else {
            return o.Unknown();
        }
    }
    return true;
}

bool ParseSet(Options& o, SetOptions& s, bool& help) {
    bool haveMac = false;
    while (o.Next()) {
        const std::string name = o.Name();
        if (name == "--help" || name == "-h") {
            help = true;
        } else if (name == "--mac") {
            const auto value = o.Value();
            if (!value)
                return false;
            if (!core::ParseMac(*value))
                return o.Fail("--mac takes six two-digit hexadecimal groups such as "
                              "00-1A-2B-3C-4D-5E, got \"" +
                              *value + "\"");
            s.mac = *value;
            haveMac = true;
        } else if (name == "--ip" || name == "--mask" || name == "--gateway") {
            const auto value = o.Value();
            if (!value)
                return false;
            (name == "--ip" ? s.ip : name == "--mask" ? s.mask : s.gateway) = *value;
        } else if (name == "--address") {
            if (!o.Address(s.address))
                return false;
        } else if (name == "--verify") {
            s.verify = true;
        } else if (name == "--force") {
            s.force = true;
        } else if (name == "--timeout") {
            if (!o.Timeout(s.timeoutMs))
                return false;
        } else {
            return o.Unknown();
        }
    }
    if (!haveMac && !help)
        return o.Fail("set needs --mac");
    return true;
}

bool ParseApply(Options& o, ApplyOptions& a, bool& help) {
    bool havePlan = false;
    while (o.Next()) {
        const std::string& name = o.Name();
        if (name == "--help" || name == "-h") {
            help = true;
        } else if (name == "--verify") {
            a.verify = true;
        } else if (name == "--dry-run") {
            a.dryRun = true;
        } else if (name == "--force") {
            a.force = true;
        } else if (name == "--timeout") {
            if (!o.Timeout(a.timeoutMs))
                return false;
        } else if (o.IsPositional() && !havePlan) {
            a.planPath = name;
            havePlan = true;
        } else if (o.IsPositional()) {
            return o.Fail("apply takes one plan file, got a second one \"" + name + "\"");
        } else {
            return o.Unknown();
        }
    }
    if (!havePlan && !help)
        return o.Fail("apply needs a plan file");
    return true;
}

bool ParseWatch(Options& o, WatchOptions& w, bool& help) {
    while (o.Next()) {
        const std::string& name = o.Name();
        if (name == "--help" || name == "-h") {
            help = true;
        } else if (name == "--address") {
            if (!o.Address(w.address))
                return false;
        } else if (name == "--timeout") {
            if (!o.Timeout(w.timeoutMs))
                return false;
        } else if (name == "--format") {
            if (!o.TakeFormat(w.format, false))
                return false;
        } else if (name == "--every") {
            const auto value = o.Value();
            if (!value)
                return false;
            int seconds = 0;
            const auto [end, error] =
                std::from_chars(value->data(), value->data() + value->size(), seconds);
            if (error != std::errc() || end != value->data() + value->size() || seconds < 1 ||
                seconds > kLongestEverySeconds)
                return o.Fail("--every takes seconds from 1 to " +
                              std::to_string(kLongestEverySeconds) + ", got \"" + *value + "\"");
            w.everySeconds = seconds;
        } else {
            return o.Unknown();
        }
    }
    return true;
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine parsed;
    Command command;
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        command.kind = CommandKind::kHelp;
        command.help = true;
        parsed.command = command;
        return parsed;
    }
    Options options(args, parsed.error);
    bool ok = false;
    if (args[0] == "discover") {
        command.kind = CommandKind::kDiscover;
        ok = ParseDiscover(options, command.discover, command.help);
    } else if (args[0] == "set") {
        command.kind = CommandKind::kSet;
        ok = ParseSet(options, command.set, command.help);
    } else if (args[0] == "apply") {
        command.kind = CommandKind::kApply;
        ok = ParseApply(options, command.apply, command.help);
    } else if (args[0] == "watch") {
        command.kind = CommandKind::kWatch;
        ok = ParseWatch(options, command.watch, command.help);
    } else {
        parsed.error = "unknown command \"" + args[0] + "\"";
    }
    if (ok)
        parsed.command = command;
    return parsed;
}

std::string UsageText(CommandKind kind) {
    switch (kind) {
    case CommandKind::kDiscover:
        return R"(usage: quorrel-cli discover [--address A] [--timeout MS] [--format table|json|csv]
                            [--compare FILE]

Sends one discovery request (a broadcast on every network card, or one datagram to the
controller at address A) and lists every valid reply heard within MS milliseconds
(default 1000), in the order they came, doubles included: sender address, IP, mask,
gateway, port, MAC, hardware and software version, and the card it arrived on.
With --compare, FILE is an earlier "discover --format json" listing: each controller gets
a change column ("new", "moved from" its earlier address, "record changed" or
"unchanged"), and the controllers of FILE that did not answer follow as "gone".

Exit status: 0 controllers listed, 1 none answered, 2 bad usage or FILE unreadable, 3 no
local port (6002-6004) could be opened.
)";
    case CommandKind::kSet:
        return R"(usage: quorrel-cli set --mac MAC [--ip A] [--mask M] [--gateway G] [--address A]
                       [--verify] [--timeout MS] [--force]

Finds the controller with that MAC (by a broadcast on every card, or at address A), takes
what was not given from its current settings, checks the values as the window does (IP
address and gateway: groups up to 254; mask: up to 255) and sends one configuration frame:
after a broadcast to 255.255.255.255 on the card its reply came by, else to its address.
With --verify it then searches again until the controller with that MAC answers with the
new values, for at most MS milliseconds (default 10000), and prints "confirmed" or
"not confirmed" with what it saw.
A write that would break the site is refused unless --force is given: a new IP address
that another controller found already answers from, one outside the subnet of the card
the controller answered on while its current address is inside it (afterwards only a
broadcast search finds it), an address of this computer, or a gateway outside the new
IP address and mask.

Exit status: 0 sent (and confirmed), 1 MAC not found (nothing sent) or not confirmed,
2 bad usage, bad values or a refused write (nothing sent), 3 no local port or the send
failed.
)";
    case CommandKind::kApply:
        return R"(usage: quorrel-cli apply PLAN.csv [--verify] [--timeout MS] [--dry-run] [--force]

Writes a commissioning plan: a CSV file with the header line mac,ip,mask,gateway and one
row per controller; blank lines and lines starting with # are skipped. The whole plan is
checked first (malformed rows, values the window would refuse, duplicate MACs, duplicate
target IP addresses, and, after one broadcast search, MACs that no controller answered
with and the writes "set" refuses without --force, which --force lets through); any fault
is reported with its line number and nothing is sent. Then each row is
written in order as "set" would write it, one line per row, and a summary. --verify
confirms each row as "set --verify" does (MS per row, default 10000). --dry-run shows the
frames that would be sent, as hexadecimal bytes, and sends none (it still searches).

Exit status: 0 all written (and confirmed), 1 some row not confirmed, 2 bad usage or a
bad plan (nothing sent), 3 no local port or a send failed.
)";
    case CommandKind::kWatch:
        return R"(usage: quorrel-cli watch [--every SECONDS] [--address A] [--timeout MS]
                         [--format table|json]

Searches again and again, every SECONDS seconds (default 5), each search as "discover"
does, and prints one line per change as it happens, with the local time: a controller
"new", "gone", "moved" from its earlier address, or whose record changed (the fields
that changed, old and new). The first search lists every controller as new. With
--format json each line is a JSON object. Ctrl+C or SIGTERM ends it.

Exit status: 0 stopped, 2 bad usage, 3 no local port (6002-6004) could be opened.
)";
    case CommandKind::kHelp:
        break;
    }
    return R"(usage: quorrel-cli COMMAND [OPTIONS]

Finds Quorrel controllers and writes their IP settings, for scripted commissioning.

Commands:
  discover   list the controllers that answer a search
  set        write the IP address, mask and gateway of one controller, found by its MAC
  apply      write a whole plan (CSV: mac,ip,mask,gateway), checked in full first
  watch      search again and again and print each change as it happens

"quorrel-cli COMMAND --help" describes each command.
Exit status: 0 success, 1 nothing found or not confirmed, 2 bad usage or bad input (nothing
sent), 3 no local port could be opened or a send failed.
)";
}

} // namespace cli
