// The command line of ChangeControllerCmd: what to do and with which options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "nrcore/NRController.h"

namespace cc {

enum class Command { Help, List, Show, Set };
enum class OutputFormat { Table, Csv, Json };

// A larger sweep must be asked for explicitly: a /16.
constexpr unsigned long kLargestPlainSweep = 65536;

struct CommandLine {
    Command command = Command::Help;
    // list
    bool withMembers = false;
    OutputFormat format = OutputFormat::Table;
    std::vector<NRAddressRange> ranges;
    int queriesPerSecond = NRFindControllers::kDefaultSweepQueriesPerSecond;
    int listSeconds = 5;
    // show and set
    std::string directory;  // "" for the program's own
    // set
    std::string controller;
    std::optional<int> refreshSeconds;
};

struct ParsedCommandLine {
    bool valid;
    CommandLine line;
    std::string error;  // when not valid
};

// Options come as --name VALUE, --name=VALUE, /name VALUE or /name:VALUE.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

extern const char kUsage[];

}  // namespace cc
