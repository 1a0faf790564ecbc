#include "app/cmd/CommandLine.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <optional>

#include "app/cmd/ExitCodes.h"
#include "app/cmd/Output.h"
#include "discovery/AddressRanges.h"
#include "discovery/ControllerListing.h"
#include "store/RefreshRate.h"
#include "store/SettingsFile.h"

namespace cc {

namespace {

// A whole decimal number of at most nine digits, from `lowest` to `highest`; none
// otherwise.
std::optional<int> ParseNumber(const std::string& text, int lowest, int highest)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9)
        return std::nullopt;
    const int value = std::atoi(text.c_str());
    if (value < lowest || value > highest)
        return std::nullopt;
    return value;
}

// What the arguments fill in: the command line, and the switches only the parser reads.
struct Reading {
    CommandLine line;
    bool help = false;
    bool version = false;
    bool allowLarge = false;
    std::string error;

    bool Fail(const std::string& text)
    {
        error = text;
        return false;
    }

    // Takes the format that `word` names among `formats`; fails with `complaint` when
    // it names none.
    bool TakeFormat(const std::string& word, std::initializer_list<std::pair<const char*, OutputFormat>> formats,
                    const std::string& complaint)
    {
        for (const auto& [name, format] : formats) {
            if (word == name) {
                line.format = format;
                return true;
            }
        }
        return Fail(complaint);
    }

    // Takes the refresh rate, a whole number of `unit` milliseconds up to a day, once;
    // fails with `complaint` when the word is no such number.
    bool TakeRefreshRate(const std::string& word, int unit, const std::string& complaint)
    {
        if (line.refreshMilliseconds)
            return Fail("give the refresh rate once, with --refresh-rate or --refresh-ms");
        std::optional<int> count;
        if (!TakeNumber(word, 0, RefreshRateMilliseconds(kLongestRefreshSeconds) / unit, count, complaint))
            return false;
        line.refreshMilliseconds = *count * unit;
        return true;
    }

    // Takes a whole number from `lowest` to `highest` into `target`; fails with
    // `complaint` otherwise.
    template <class Target>
    bool TakeNumber(const std::string& word, int lowest, int highest, Target& target, const std::string& complaint)
    {
        const std::optional<int> number = ParseNumber(word, lowest, highest);
        if (!number)
            return Fail(complaint);
        target = *number;
        return true;
    }
};

struct CommandWord {
    const char* word;
    Command command;
    const char* operand;  // as the usage names it; "" for none
};

constexpr CommandWord kCommands[] = {
    {"list", Command::List, ""},
    {"show", Command::Show, ""},
    {"set", Command::Set, "CONTROLLER"},
    {"check", Command::Check, ""},
};

constexpr unsigned Bit(Command command)
{
    return 1u << static_cast<unsigned>(command);
}

// Help and version, which go with every command and before one.
constexpr unsigned kAnyCommand = ~0u;

// Stores the option's value (a switch's is empty) in the reading; false, with the
// reading's error set, when the value is not one the option takes.
using TakeValue = bool (*)(Reading& reading, const std::string& value);

// A switch's TakeValue: turns its flag on, in the reading or in the command line.
template <bool Reading::* Flag> bool SwitchOn(Reading& reading, const std::string&)
{
    reading.*Flag = true;
    return true;
}
template <bool CommandLine::* Flag> bool LineSwitchOn(Reading& reading, const std::string&)
{
    reading.line.*Flag = true;
    return true;
}

struct Option {
    const char* name;
    unsigned commands;     // the Bit of each command the option goes with
    const char* argument;  // its value as the usage names it; null for a switch, which takes none
    bool repeatable;
    TakeValue take;
};

// Every option, a row for each, and --format a row for each command, as set takes fewer
// formats. The usage lists a command's options in this order.
const Option kOptions[] = {
    {"help", kAnyCommand, nullptr, false, SwitchOn<&Reading::help>},
    {"version", kAnyCommand, nullptr, false, SwitchOn<&Reading::version>},
    {"members", Bit(Command::List), nullptr, false, LineSwitchOn<&CommandLine::withMembers>},
    {"refresh-rate", Bit(Command::Set), "SECONDS", false,
     [](Reading& reading, const std::string& value) {
         return reading.TakeRefreshRate(value, 1000,
                                        "--refresh-rate takes a whole number of seconds, at most " +
                                            std::to_string(kLongestRefreshSeconds) + " (one day), not \"" + value +
                                            "\"");
     }},
    {"refresh-ms", Bit(Command::Set), "MILLISECONDS", false,
     [](Reading& reading, const std::string& value) {
         return reading.TakeRefreshRate(value, 1,
                                        "--refresh-ms takes a whole number of milliseconds, at most " +
                                            std::to_string(RefreshRateMilliseconds(kLongestRefreshSeconds)) +
                                            " (one day), not \"" + value + "\"");
     }},
    {"if-changed", Bit(Command::Set), nullptr, false, LineSwitchOn<&CommandLine::ifChanged>},
    {"dry-run", Bit(Command::Set), nullptr, false, LineSwitchOn<&CommandLine::dryRun>},
    {"dir", Bit(Command::Show) | Bit(Command::Set) | Bit(Command::Check), "DIRECTORY", false,
     [](Reading& reading, const std::string& value) {
         if (value.empty())
             return reading.Fail("--dir needs a directory");
         reading.line.directory = value;
         return true;
     }},
    {"format", Bit(Command::List), "table|csv|json", false,
     [](Reading& reading, const std::string& value) {
         return reading.TakeFormat(
             value, {{"table", OutputFormat::Table}, {"csv", OutputFormat::Csv}, {"json", OutputFormat::Json}},
             "--format takes table, csv or json, not \"" + value + "\"");
     }},
    {"format", Bit(Command::Show) | Bit(Command::Set), "table|json", false,
     [](Reading& reading, const std::string& value) {
         return reading.TakeFormat(value, {{"table", OutputFormat::Table}, {"json", OutputFormat::Json}},
                                   "show's and set's --format takes table or json, not \"" + value + "\"");
     }},
    {"range", Bit(Command::List), "RANGE", true,
     [](Reading& reading, const std::string& value) {
         Parsed<NRAddressRange> range = ParseAddressRange(value);
         if (!range.value)
             return reading.Fail(range.error);
         reading.line.ranges.push_back(*range.value);
         return true;
     }},
    {"rate", Bit(Command::List), "QUERIES-PER-SECOND", false,
     [](Reading& reading, const std::string& value) {
         constexpr int kMost = NRFindControllers::kMostSweepQueriesPerSecond;
         return reading.TakeNumber(value, 1, kMost, reading.line.queriesPerSecond,
                                   "--rate takes a whole number of queries a second, 1 to " + std::to_string(kMost) +
                                       ", not \"" + value + "\"");
     }},
    {"time", Bit(Command::List), "SECONDS", false,
     [](Reading& reading, const std::string& value) {
         return reading.TakeNumber(value, 1, INT_MAX, reading.line.listSeconds,
                                   "--time takes a whole number of seconds, at least 1, not \"" + value + "\"");
     }},
    {"allow-large-range", Bit(Command::List), nullptr, false, SwitchOn<&Reading::allowLarge>},
    {"timeout", Bit(Command::Check), "SECONDS", false,
     [](Reading& reading, const std::string& value) {
         return reading.TakeNumber(value, 1, INT_MAX, reading.line.nameSearchSeconds,
                                   "--timeout takes a whole number of seconds, at least 1, not \"" + value + "\"");
     }},
};

// {NAME} stands for a part of the usage that UsageText fills in.
constexpr char kUsageTemplate[] =
    "Finds the Host Controllers of the Norrin Glassway service and points the service at one.\n"
    "\n"
    "{SYNOPSIS}"
    "  ChangeControllerCmd /? | --version\n"
    "\n"
    "list   broadcasts to every local network, as the Change Controller dialog does, and\n"
    "       prints the controllers that answer, sorted by name. --members adds member nodes\n"
    "       with their controller's address. --range (10.1.0.0/16, 10.1.2.10-10.1.2.200 or\n"
    "       one address; repeatable) also queries every address of the range by unicast,\n"
    "       which reaches controllers behind routers; more than {PLAIN_SWEEP} addresses need\n"
    "       --allow-large-range. --rate paces that sweep (default {RATE}, at most {MOST_RATE}\n"
    "       queries a second). --time is the longest the listing takes (default {TIME} s, or\n"
    "       until the sweep has sent its last query): it waits that long for the first\n"
    "       answer, and only once answers have come does it end sooner, {QUIET} s after the\n"
    "       last. A sweep cut short by --time is reported on standard error.\n"
    "show   prints the stored controller and refresh rate of the service directory;\n"
    "       --format json prints them as one object, the rate in milliseconds.\n"
    "set    makes CONTROLLER (a host name or address) the service's Host Controller:\n"
    "       stores it, with the refresh rate (--refresh-rate in seconds or --refresh-ms in\n"
    "       milliseconds; default: the stored one; at least {SHORTEST} s, at most {LONGEST} s,\n"
    "       one day), and restarts the service. The directory defaults to the program's\n"
    "       own. It then prints what it replaced (\"was ADDRESS, N s\"). --if-changed stores\n"
    "       and restarts nothing when the settings hold the choice already (\"unchanged:\n"
    "       ADDRESS, N s\"); --dry-run does nothing and says what set would do (\"would\n"
    "       change: ADDRESS, N s\" and what it would replace, or \"unchanged: ...\"). Both\n"
    "       still check CONTROLLER. --format json prints one object: the choice, \"changed\",\n"
    "       \"dryRun\" with --dry-run, and under \"was\" what was replaced or would be, its\n"
    "       rate in the form --refresh-ms takes back.\n"
    "check  asks the stored controller whether it answers, as a monitoring check: one\n"
    "       line OK, CRITICAL or UNKNOWN with performance data; a \"|\" in a name is shown\n"
    "       as \"{PIPE}\". --timeout is how long a stored name is looked for among broadcast\n"
    "       answers (default {TIMEOUT} s): it waits that long for the first answer, and only\n"
    "       once answers have come does it end sooner, {QUIET} s after the last.\n"
    "\n"
    "With --format json, a failure also prints one object on standard output, with\n"
    "\"exitCode\", \"exitName\" and \"message\" (set's also \"changed\": false; list's 7\n"
    "prints what was found instead).\n"
    "Options also take the forms --name=VALUE, /name VALUE and /name:VALUE.\n";

// A synopsis line that would grow past this many characters goes on in the next line.
constexpr size_t kSynopsisWidth = 110;

std::string Filled(std::string text, std::initializer_list<std::pair<std::string, std::string>> values)
{
    for (const auto& [name, value] : values) {
        const std::string placeholder = "{" + name + "}";
        for (size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at))
            text.replace(at, placeholder.size(), value);
    }
    return text;
}

// A line for each command, with its options from kOptions; a wrapped line goes on
// under what follows the command word.
std::string Synopsis()
{
    std::string text;
    for (const auto& [word, command, operand] : kCommands) {
        std::string line = std::string("  ChangeControllerCmd ") + word;
        const std::string indent(line.size(), ' ');
        if (*operand)
            line += std::string(" ") + operand;
        for (const Option& option : kOptions) {
            if (option.commands == kAnyCommand || !(option.commands & Bit(command)))
                continue;
            const std::string shown = std::string("[--") + option.name +
                                      (option.argument ? std::string(" ") + option.argument : std::string()) + "]" +
                                      (option.repeatable ? "..." : "");
            if (line.size() + 1 + shown.size() > kSynopsisWidth) {
                text += line + "\n";
                line = indent;
            }
            line += " " + shown;
        }
        text += line + "\n";
    }
    return text;
}

std::string ExitCodeLines()
{
    std::string lines = "Exit codes, with the name --format json gives a failure as \"exitName\":\n";
    size_t nameWidth = 0;
    for (const auto& [code, name, meaning] : kExitCodeMeanings)
        nameWidth = std::max(nameWidth, std::string(name).size());
    for (const auto& [code, name, meaning] : kExitCodeMeanings)
        lines += "  " + std::to_string(code) + "  " + name +
                 std::string(nameWidth + 2 - std::string(name).size(), ' ') + meaning + "\n";
    lines += "check's own exit codes, as monitoring systems read them:\n";
    for (const auto& [state, name, meaning] : kCheckStateMeanings)
        lines += "  " + std::to_string(state) + "  " + name + ": " + meaning + "\n";
    return lines;
}

// The quiet window that ends a discovery run once answers have come, in seconds.
std::string QuietSeconds()
{
    const auto quiet = ListingPlan{}.quietEnough.count();
    return std::to_string(quiet / 1000) + (quiet % 1000 ? "." + std::to_string(quiet % 1000 / 100) : "");
}

}  // namespace

std::string UsageText()
{
    using std::to_string;
    const auto listSeconds = std::chrono::duration_cast<std::chrono::seconds>(ListingPlan{}.longest).count();
    return Filled(kUsageTemplate, {{"SYNOPSIS", Synopsis()},
                                   {"PLAIN_SWEEP", to_string(kLargestPlainSweep)},
                                   {"RATE", to_string(NRFindControllers::kDefaultSweepQueriesPerSecond)},
                                   {"MOST_RATE", to_string(NRFindControllers::kMostSweepQueriesPerSecond)},
                                   {"TIME", to_string(listSeconds)},
                                   {"SHORTEST", to_string(kShortestRefreshSeconds)},
                                   {"LONGEST", to_string(kLongestRefreshSeconds)},
                                   {"TIMEOUT", to_string(CommandLine{}.nameSearchSeconds)},
                                   {"QUIET", QuietSeconds()},
                                   {"PIPE", std::string(1, kPipeShownAs)}}) +
           ExitCodeLines();
}

namespace {

class Parser {
public:
    explicit Parser(const std::vector<std::string>& arguments) : m_arguments(arguments) {}

    Parsed<CommandLine, Refusal> Parse()
    {
        for (m_next = 0; m_next < m_arguments.size();) {
            const std::string argument = m_arguments[m_next++];
            if (!Take(argument))
                return RefusedAtFirstError();
        }
        CommandLine& line = m_reading.line;
        if (line.command == Command::Set && !m_controllerSeen && !m_reading.help)
            return Refused(line, "set needs the controller's host name or address");
        if (line.command == Command::List && !m_reading.allowLarge) {
            // Counted as the sweep queries them: an address in two ranges once.
            const std::uint64_t swept = NRSweptAddressCount(line.ranges);
            if (swept > kLargestPlainSweep)
                return Refused(line, "the ranges hold " + std::to_string(swept) + " addresses, more than " +
                                         std::to_string(kLargestPlainSweep) +
                                         "; add --allow-large-range to sweep them all");
        }
        if (m_reading.help)
            line.command = Command::Help;
        else if (m_reading.version)
            line.command = Command::Version;
        return {line, {}};
    }

private:
    bool Fail(const std::string& error) { return m_reading.Fail(error); }

    static Parsed<CommandLine, Refusal> Refused(const CommandLine& asRead, const std::string& message)
    {
        return {std::nullopt, {message, asRead}};
    }

    // The first error; the arguments after it are still read, so that a --format json
    // among them has the refusal printed as JSON too.
    Parsed<CommandLine, Refusal> RefusedAtFirstError()
    {
        const std::string error = m_reading.error;
        while (m_next < m_arguments.size())
            Take(m_arguments[m_next++]);
        return Refused(m_reading.line, error);
    }

    bool Take(const std::string& argument)
    {
        if (argument == "/?" || argument == "-?" || argument == "-h") {
            m_reading.help = true;
            return true;
        }
        std::string name;
        std::optional<std::string> attached;
        if (argument.compare(0, 2, "--") == 0) {
            name = argument.substr(2);
            const size_t equals = name.find('=');
            if (equals != std::string::npos) {
                attached = name.substr(equals + 1);
                name.erase(equals);
            }
        } else if (argument.size() > 1 && argument[0] == '/') {
            name = argument.substr(1);
            const size_t colon = name.find(':');
            if (colon != std::string::npos) {
                attached = name.substr(colon + 1);
                name.erase(colon);
            }
        } else {
            return TakeWord(argument);
        }
        return TakeOption(name, attached);
    }

    bool TakeWord(const std::string& word)
    {
        CommandLine& line = m_reading.line;
        if (!m_commandSeen) {
            m_commandSeen = true;
            for (const CommandWord& command : kCommands) {
                if (word == command.word) {
                    line.command = command.command;
                    return true;
                }
            }
            return Fail("unknown command \"" + word + "\"");
        }
        if (line.command == Command::Set && !m_controllerSeen) {
            m_controllerSeen = true;
            line.controller = word;
            if (word.empty())
                return Fail("the controller's host name or address is empty");
            if (DottedFormOf(word) == DottedForm::LeadingZero)
                return Fail("\"" + word +
                            "\" is not taken as an address: a part with a leading zero is octal to some "
                            "programs and decimal to others; write each part without leading zeros");
            if (const std::optional<std::string> problem = ProfileReadBackProblem(word))
                return Fail("\"" + word + "\" cannot be stored as typed: " + *problem);
            return true;
        }
        return Fail("unexpected argument \"" + word + "\"");
    }

    bool GoesWithCommand(const Option& option) const
    {
        return option.commands == kAnyCommand || (m_commandSeen && (option.commands & Bit(m_reading.line.command)));
    }

    bool TakeOption(const std::string& name, const std::optional<std::string>& attached)
    {
        const Option* named = nullptr;  // the option's first row
        const Option* row = nullptr;    // its row for the command given
        for (const Option& option : kOptions) {
            if (name != option.name)
                continue;
            if (!named)
                named = &option;
            if (GoesWithCommand(option)) {
                row = &option;
                break;
            }
        }
        if (!named)
            return Fail("unknown option \"" + name + "\"");
        if (!named->argument && attached)
            return Fail("--" + name + " is a switch and takes no value");
        if (!row)
            return Fail("--" + name + " does not go with this command");
        std::string value;
        if (row->argument && attached) {
            value = *attached;
        } else if (row->argument) {
            if (m_next >= m_arguments.size())
                return Fail("--" + name + " needs a value");
            value = m_arguments[m_next++];
        }
        return row->take(m_reading, value);
    }

    const std::vector<std::string>& m_arguments;
    size_t m_next = 0;
    Reading m_reading;
    bool m_commandSeen = false;
    bool m_controllerSeen = false;
};

}  // namespace

Parsed<CommandLine, Refusal> ParseCommandLine(const std::vector<std::string>& arguments)
{
    return Parser(arguments).Parse();
}

}  // namespace cc
