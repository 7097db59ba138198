// The command line of quorrel-cli: which command, with which options. Only the form is
// checked here (known options, values present, numbers, MAC and address texts); the write
// rules are applied by the commands.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class CommandKind { kHelp, kDiscover, kSet, kApply, kWatch };
enum class Format { kTable, kJson, kCsv };

constexpr int kDefaultSearchMs = 1000;
constexpr int kDefaultVerifyMs = 10000;
constexpr int kDefaultWatchSeconds = 5;

struct DiscoverOptions {
    std::string address; // empty: broadcast on every card
    int timeoutMs = kDefaultSearchMs;
    Format format = Format::kTable;
    std::string comparePath; // an earlier JSON listing to compare with; empty: none
};

struct SetOptions {
    std::string mac; // as given; ParseMac accepts it
    std::optional<std::string> ip;
    std::optional<std::string> mask;
    std::optional<std::string> gateway;
    std::string address; // empty: broadcast on every card
    bool verify = false;
    bool force = false;               // write even when the write would break the site
    int timeoutMs = kDefaultVerifyMs; // how long --verify searches
};

struct ApplyOptions {
    std::string planPath;
    bool verify = false;
    bool dryRun = false;
    bool force = false;               // write even rows that would break the site
    int timeoutMs = kDefaultVerifyMs; // how long --verify searches for each row
};

struct WatchOptions {
    std::string address;                     // empty: broadcast on every card
    int timeoutMs = kDefaultSearchMs;        // how long each search listens
    int everySeconds = kDefaultWatchSeconds; // from the start of one search to the next
    Format format = Format::kTable;          // kTable: text lines; kJson: JSON lines
};

struct Command {
    CommandKind kind = CommandKind::kHelp;
    bool help = false; // --help of the command: print its usage, do nothing else
    DiscoverOptions discover;
    SetOptions set;
    ApplyOptions apply;
    WatchOptions watch;
};

// Either a command or the reason the arguments are not one.
struct ParsedCommandLine {
    std::optional<Command> command;
    std::string error;
};

// args without the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text of a command (kHelp: the program's overview).
std::string UsageText(CommandKind kind);

} // namespace cli
