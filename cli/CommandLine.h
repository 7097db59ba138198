// The command line of quorrel-cli: which command, with which options. Each command has one
// table of its options (the value each takes, its default, its help), which both reads the
// arguments and writes the help. Only the form is checked here (known options, values
// present, numbers, MAC and address); the write rules are applied by the commands.
#pragma once

#include "ControllerRecord.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class CommandKind { kHelp, kDiscover, kSet, kApply, kUndo, kWatch };
enum class Format { kTable, kJson, kCsv };

// A command and its options. A command's table sets its own options and their defaults;
// the others keep the values below.
struct Command {
    CommandKind kind = CommandKind::kHelp;
    bool help = false;                // --help of the command: print its usage, do nothing else
    std::optional<core::Ip4> address; // --address; none: broadcast on every card
    // discover, watch: how long a search listens; set, apply: how long --verify searches (for
    // each row).
    int timeoutMs = 0;
    int everySeconds = 0;           // watch: from the start of one search to the next
    Format format = Format::kTable; // watch: kTable text lines, kJson JSON lines
    std::string comparePath;        // discover: an earlier JSON listing; empty: none
    core::Mac mac{};                // set: the controller to write
    std::optional<std::string> ip;  // set: the values given, as typed
    std::optional<std::string> mask;
    std::optional<std::string> gateway;
    bool verify = false;
    bool force = false; // write even when the write would break the site
    bool dryRun = false;
    std::string planPath;   // apply
    std::string undoPath;   // undo: the report whose writes are taken back
    std::string reportPath; // set, apply, undo: the report each write is appended to; empty: none
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
