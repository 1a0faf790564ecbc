// The command line of ChangeControllerCmd: what to do and with which options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "nrcore/NRController.h"
#include "store/Parsed.h"

namespace cc {

enum class Command { Help, Version, List, Show, Set, Check };
enum class OutputFormat { Table, Csv, Json };

// A larger sweep must be asked for explicitly: a /16.
constexpr unsigned long kLargestPlainSweep = 65536;

struct CommandLine {
    Command command = Command::Help;
    // list
    bool withMembers = false;
    OutputFormat format = OutputFormat::Table;  // show and set take table or json
    std::vector<NRAddressRange> ranges;
    int queriesPerSecond = NRFindControllers::kDefaultSweepQueriesPerSecond;
    std::optional<int> listSeconds;  // none: as long as the sweep needs
    // show, set and check
    std::string directory;  // "" for the program's own
    // set
    std::string controller;
    std::optional<int> refreshMilliseconds;  // as --refresh-rate or --refresh-ms gave it
    bool ifChanged = false;                  // store and restart only when the choice differs
    bool dryRun = false;                     // say what set would do, and do nothing
    // set and check: how long a stored or typed name is looked for among the answers
    // to the broadcasts before the one-node query
    int nameSearchSeconds = 3;
};

// Why the arguments were refused, with the command line as far as it was read, so that
// the refusal is reported as its command reports (check's verdict, set's JSON object)
// and in the format asked for.
struct Refusal {
    std::string message;
    CommandLine asRead;
};

// Options come as --name VALUE, --name=VALUE, /name VALUE or /name:VALUE.
Parsed<CommandLine, Refusal> ParseCommandLine(const std::vector<std::string>& arguments);

// What /? prints, with the program's own limits and defaults.
std::string UsageText();

}  // namespace cc
