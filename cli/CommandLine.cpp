#include "CommandLine.h"

#include "Ports.h"
#include "Search.h"
#include "WriteCheck.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <string_view>
#include <utility>
#include <variant>

namespace cli {

namespace {

constexpr int kLongestTimeoutMs = 3600000;
constexpr int kLongestEverySeconds = 86400;
constexpr int kWatchEverySeconds = 5;
constexpr size_t kHelpWidth = 80; // columns

// A whole number from 1 to most of the unit named.
struct Count {
    int Command::*field;
    std::string unit;
    int most;
};

// Where an option's value goes; its type says how the value is read.
using Target =
    std::variant<bool Command::*, Count, std::string Command::*,
                 std::optional<std::string> Command::*, std::optional<core::Ip4> Command::*,
                 core::Mac Command::*, Format Command::*>;

enum class Use { kOptional, kRequired, kArgument }; // kArgument: the one required argument

struct Option {
    std::string name;  // "--timeout"; of the argument, its noun ("plan file")
    std::string value; // the value as the usage line shows it ("MS", "table|json"); "": a flag
    Target target;
    std::string fallback; // the default, as it would be typed; "": none
    std::string help;
    Use use = Use::kOptional;
};

// Every command's --help (also -h).
const Option kHelpOption{"--help", "", &Command::help, "", "print this help and do nothing else"};

struct CommandEntry {
    std::string name;
    CommandKind kind;
    std::string summary; // its line in the program's overview
    std::vector<std::string> paragraphs;
    std::vector<Option> options;
    std::string exitStatus;
};

Option Address(const std::string& help) {
    return {"--address", "A", &Command::address, "",
            help + " (default: a broadcast on every network card)"};
}

Option Timeout(std::chrono::milliseconds fallback, const std::string& help) {
    return {"--timeout", "MS", Count{&Command::timeoutMs, "milliseconds", kLongestTimeoutMs},
            std::to_string(fallback.count()), help + ", in milliseconds"};
}

Option Report() {
    return {"--report", "FILE", &Command::reportPath, "",
            "append each write that goes out to FILE, a CSV report of writes (time, card, MAC, "
            "the values before and written, destination, outcome of --verify), writing its "
            "header line when FILE is new or empty; a FILE that is no such report is refused "
            "and nothing is sent"};
}

std::string NoLocalPortStatus() {
    return "3 no local port (" + std::string(core::kLocalPortRange) + ") could be opened.";
}

const std::vector<CommandEntry>& Commands() {
    static const std::vector<CommandEntry> commands = {
        {"discover",
         CommandKind::kDiscover,
         "list the controllers that answer a search",
         {"Sends one discovery request and lists every controller that answered, once, in the "
          "order first heard: sender address, IP, mask, gateway, port, MAC, hardware and "
          "software version, and the card it arrived on."},
         {Address("send the request to the controller at address A only"),
          Timeout(core::Search::kWindow, "how long replies are collected"),
          {"--format", "table|json|csv", &Command::format, "table",
           "a table for people, one JSON document, or CSV with a header line"},
          {"--compare", "FILE", &Command::comparePath, "",
           "FILE is an earlier \"discover --format json\" or \"--format csv\" listing (or a "
           "list the window saved): each controller gets a "
           "change column (\"new\", \"moved from\" its earlier address, \"record changed\" or "
           "\"unchanged\"), and the controllers of FILE that did not answer follow as "
           "\"gone\""}},
         "0 controllers listed, 1 none answered, 2 bad usage or FILE unreadable, " +
             NoLocalPortStatus()},
        {"set",
         CommandKind::kSet,
         "write the IP address, mask and gateway of one controller, found by its MAC",
         {"Finds the controller with that MAC (by a broadcast on every card, or at address A), "
          "takes what was not given from its current settings, checks the values as the "
          "window does (IP address and gateway: groups up to 254; mask: up to 255) and sends "
          "one configuration frame: after a broadcast to " +
              core::DottedQuad(core::kBroadcast) +
              " on the card its reply came by, else to its address.",
          "A write that would break the site is refused unless --force is given: a new IP "
          "address that another controller found already answers from, one outside the "
          "subnet of the card the controller answered on while its current address is inside "
          "it (afterwards only a broadcast search finds it), an address of this computer, or "
          "a gateway outside the new IP address and mask."},
         {{"--mac", "MAC", &Command::mac, "",
           "the controller's MAC: six two-digit hexadecimal groups such as 00-1A-2B-3C-4D-5E",
           Use::kRequired},
          {"--ip", "A", &Command::ip, "", "the new IP address (default: the current one)"},
          {"--mask", "M", &Command::mask, "", "the new mask (default: the current one)"},
          {"--gateway", "G", &Command::gateway, "", "the new gateway (default: the current one)"},
          Address("search at address A only and write to that address"),
          {"--verify", "", &Command::verify, "",
           "then search again until the controller with that MAC answers with the new values, "
           "for at most MS milliseconds, and print \"confirmed\" or \"not confirmed\" with "
           "what it saw"},
          Timeout(core::kWriteCheckTime, "how long --verify searches"),
          {"--force", "", &Command::force, "", "write even when the write would break the site"},
          Report()},
         "0 sent (and confirmed), 1 MAC not found (nothing sent) or not confirmed, 2 bad usage, "
         "bad values or a refused write (nothing sent), 3 no local port or the send failed."},
        {"apply",
         CommandKind::kApply,
         "write a whole plan (CSV: mac,ip,mask,gateway), checked in full first",
         {"Writes a commissioning plan: a CSV file with the header line mac,ip,mask,gateway "
          "and one row per controller; blank lines and lines starting with # are skipped. The "
          "whole plan is checked first (malformed rows, values the window would refuse, "
          "duplicate MACs, duplicate target IP addresses, and, after one broadcast search, "
          "MACs that no controller answered with and the writes \"set\" refuses without "
          "--force, which --force lets through); any fault is reported with its line number "
          "and nothing is sent. Then each row is written in order as \"set\" would write it, "
          "one line per row, and a summary."},
         {{"plan file", "PLAN.csv", &Command::planPath, "", "", Use::kArgument},
          {"--verify", "", &Command::verify, "", "confirm each row as \"set --verify\" does"},
          Timeout(core::kWriteCheckTime, "how long --verify searches for each row"),
          {"--dry-run", "", &Command::dryRun, "",
           "show the frames that would be sent, as hexadecimal bytes, and send none (it still "
           "searches)"},
          {"--force", "", &Command::force, "", "write even the rows that would break the site"},
          Report()},
         "0 all written (and confirmed), 1 some row not confirmed, 2 bad usage or a bad plan "
         "(nothing sent), 3 no local port or a send failed."},
        {"undo",
         CommandKind::kUndo,
         "write back the values each controller of a report (--report) held before",
         {"Reads REPORT.csv, a report that \"set\", \"apply\" or \"undo\" wrote with --report "
          "(or one the window saved), and writes back, for each MAC in it, the values before "
          "its latest entry: the IP address, mask and gateway it held before that write. The "
          "writes go as \"apply\" writes a plan whose rows are those entries, named by their "
          "line in the report: one broadcast search first, then every check of \"apply\" "
          "(MACs that no controller answered with, values the window would refuse, and the "
          "writes \"set\" refuses without --force); any fault is reported with its line number "
          "and nothing is sent."},
         {{"report file", "REPORT.csv", &Command::undoPath, "", "", Use::kArgument},
          {"--verify", "", &Command::verify, "", "confirm each write as \"set --verify\" does"},
          Timeout(core::kWriteCheckTime, "how long --verify searches for each write"),
          {"--dry-run", "", &Command::dryRun, "",
           "show the frames that would be sent, as hexadecimal bytes, and send none (it still "
           "searches)"},
          {"--force", "", &Command::force, "", "write even the values that would break the site"},
          Report()},
         "0 all written back (and confirmed), 1 some write not confirmed, 2 bad usage or a bad "
         "report (nothing sent), 3 no local port or a send failed."},
        {"watch",
         CommandKind::kWatch,
         "search again and again and print each change as it happens",
         {"Searches again and again, each search as \"discover\" does, and prints one line per "
          "change as it happens, with the local time: a controller \"new\", \"gone\", "
          "\"moved\" from its earlier address, or whose record changed (the fields that "
          "changed, old and new). The first search lists every controller as new. Ctrl+C or "
          "SIGTERM ends it."},
         {{"--every", "SECONDS", Count{&Command::everySeconds, "seconds", kLongestEverySeconds},
           std::to_string(kWatchEverySeconds),
           "from the start of one search to the next, in seconds"},
          Address("search at address A only"),
          Timeout(core::Search::kWindow, "how long each search listens"),
          {"--format", "table|json", &Command::format, "table",
           "text lines, or a JSON object on each line"}},
         "0 stopped, 2 bad usage, " + NoLocalPortStatus()},
    };
    return commands;
}

template <typename Match> const CommandEntry* FindCommand(Match match) {
    const auto found = std::find_if(Commands().begin(), Commands().end(), match);
    return found == Commands().end() ? nullptr : &*found;
}

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    for (size_t at = 0; at <= text.size();) {
        const size_t end = std::min(text.find(separator, at), text.size());
        parts.emplace_back(text.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

// "table, json or csv" of {"table", "json", "csv"}.
std::string Choices(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}

// Reads text as the value of option into command; the complaint when it does not fit.
std::optional<std::string> Take(const Option& option, const std::string& text, Command& command) {
    const auto refuse = [&](const std::string& what) {
        return option.name + " takes " + what + ", got \"" + text + "\"";
    };
    const Target& target = option.target;
    if (const auto* flag = std::get_if<bool Command::*>(&target)) {
        command.*(*flag) = true;
    } else if (const auto* count = std::get_if<Count>(&target)) {
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || value < 1 ||
            value > count->most)
            return refuse(count->unit + " from 1 to " + std::to_string(count->most));
        command.*(count->field) = value;
    } else if (const auto* path = std::get_if<std::string Command::*>(&target)) {
        command.*(*path) = text;
    } else if (const auto* given = std::get_if<std::optional<std::string> Command::*>(&target)) {
        command.*(*given) = text;
    } else if (const auto* address = std::get_if<std::optional<core::Ip4> Command::*>(&target)) {
        command.*(*address) = core::ParseDottedQuad(text);
        if (!(command.*(*address)))
            return refuse("an IPv4 address such as 192.168.1.10");
    } else if (const auto* mac = std::get_if<core::Mac Command::*>(&target)) {
        const auto parsed = core::ParseMac(text);
        if (!parsed)
            return refuse("six two-digit hexadecimal groups such as 00-1A-2B-3C-4D-5E");
        command.*(*mac) = *parsed;
    } else { // a format, one of those the usage line shows
        const std::vector<std::string> names = Split(option.value, '|');
        if (std::find(names.begin(), names.end(), text) == names.end())
            return refuse(Choices(names));
        command.*std::get<Format Command::*>(target) = text == "json"  ? Format::kJson
                                                       : text == "csv" ? Format::kCsv
                                                                       : Format::kTable;
    }
    return std::nullopt;
}

// The option of entry that arg names: an option's name, or any text not starting with "-" for
// the argument.
const Option* Find(const CommandEntry& entry, const std::string& arg) {
    if (arg == "-h" || arg == kHelpOption.name)
        return &kHelpOption;
    const bool argument = arg.empty() || arg[0] != '-';
    for (const Option& option : entry.options)
        if (argument ? option.use == Use::kArgument : option.name == arg)
            return &option;
    return nullptr;
}

// Reads the options after the command's name; the complaint when they are not the command's.
std::optional<std::string> ParseOptions(const CommandEntry& entry,
                                        const std::vector<std::string>& args, Command& command) {
    for (const Option& option : entry.options)
        if (!option.fallback.empty())
            Take(option, option.fallback, command);
    std::vector<const Option*> given;
    for (size_t at = 1; at < args.size(); ++at) {
        const std::string& arg = args[at];
        const Option* option = Find(entry, arg);
        if (option == nullptr)
            return "unknown option \"" + arg + "\"";
        const bool again = std::find(given.begin(), given.end(), option) != given.end();
        if (option->use == Use::kArgument && again)
            return entry.name + " takes one " + option->name + ", got a second one \"" + arg + "\"";
        given.push_back(option);
        if (option->use != Use::kArgument && !option->value.empty() && ++at == args.size())
            return arg + " needs a value";
        if (const auto complaint = Take(*option, args[at], command))
            return complaint;
    }
    for (const Option& option : entry.options)
        if (option.use != Use::kOptional && !command.help &&
            std::find(given.begin(), given.end(), &option) == given.end())
            return entry.name + " needs " + (option.use == Use::kArgument ? "a " : "") +
                   option.name;
    return std::nullopt;
}

// words in lines of at most kHelpWidth columns (a longer word stands alone), the first going
// on from column at, the others starting at column indent.
std::string Wrapped(const std::vector<std::string>& words, size_t at = 0, size_t indent = 0) {
    std::string text;
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty() && at + line.size() + 1 + word.size() > kHelpWidth) {
            text += line + "\n" + std::string(indent, ' ');
            line.clear();
            at = indent;
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return text + line + "\n";
}

std::string Paragraph(std::string_view text) {
    return Wrapped(Split(text, ' '));
}

// Names and their texts, the texts in a column two spaces after the longest name.
std::string Listed(const std::vector<std::pair<std::string, std::string>>& rows) {
    size_t column = 0;
    for (const auto& row : rows)
        column = std::max(column, row.first.size() + 4);
    std::string text;
    for (const auto& [name, help] : rows)
        text += "  " + name + std::string(column - 2 - name.size(), ' ') +
                Wrapped(Split(help, ' '), column, column);
    return text;
}

std::string Overview() {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const CommandEntry& entry : Commands())
        rows.emplace_back(entry.name, entry.summary);
    return "usage: quorrel-cli COMMAND [OPTIONS]\n\n" +
           Paragraph("Finds Quorrel controllers and writes their IP settings, for scripted "
                     "commissioning.") +
           "\nCommands:\n" + Listed(rows) + "\n" +
           Paragraph("\"quorrel-cli COMMAND --help\" describes each command.") +
           Paragraph("Exit status: 0 success, 1 nothing found or not confirmed, 2 bad usage or "
                     "bad input (nothing sent), 3 no local port could be opened or a send "
                     "failed.");
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    Command command;
    command.help = args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help";
    if (command.help)
        return {command, ""};
    const CommandEntry* entry =
        FindCommand([&](const CommandEntry& c) { return c.name == args[0]; });
    if (entry == nullptr)
        return {std::nullopt, "unknown command \"" + args[0] + "\""};
    command.kind = entry->kind;
    if (auto complaint = ParseOptions(*entry, args, command))
        return {std::nullopt, std::move(*complaint)};
    return {command, ""};
}

std::string UsageText(CommandKind kind) {
    const CommandEntry* entry = FindCommand([&](const CommandEntry& c) { return c.kind == kind; });
    if (entry == nullptr)
        return Overview();
    std::vector<std::string> usage{"usage: quorrel-cli " + entry->name};
    std::vector<std::pair<std::string, std::string>> rows;
    for (const Option& option : entry->options) {
        if (option.use == Use::kArgument) {
            usage.push_back(option.value);
            continue;
        }
        const std::string item = option.name + (option.value.empty() ? "" : " " + option.value);
        usage.push_back(option.use == Use::kRequired ? item : "[" + item + "]");
        rows.emplace_back(
            item,
            option.help + (option.fallback.empty() ? "" : " (default " + option.fallback + ")"));
    }
    rows.emplace_back("-h, --help", kHelpOption.help);
    std::string text = Wrapped(usage, 0, usage.front().size() + 1) + "\n";
    for (const std::string& paragraph : entry->paragraphs)
        text += Paragraph(paragraph);
    return text + "\nOptions:\n" + Listed(rows) + "\n" +
           Paragraph("Exit status: " + entry->exitStatus);
}

} // namespace cli
