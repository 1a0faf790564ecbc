#include "app/cmd/CommandLine.h"

#include <chrono>
#include <cstdlib>

#include "app/cmd/ExitCodes.h"
#include "discovery/AddressRanges.h"
#include "discovery/ControllerListing.h"
#include "store/Numbers.h"
#include "store/SettingsFile.h"

namespace cc {

namespace {

// {NAME} stands for a limit or default of the program; UsageText fills them in.
constexpr char kUsageTemplate[] =
    "Finds the Host Controllers of the Norrin Glassway service and points the service at one.\n"
    "\n"
    "  ChangeControllerCmd list [--members] [--format table|csv|json] [--range RANGE]...\n"
    "                           [--rate QUERIES-PER-SECOND] [--time SECONDS] [--allow-large-range]\n"
    "  ChangeControllerCmd show [--dir DIRECTORY]\n"
    "  ChangeControllerCmd set CONTROLLER [--refresh-rate SECONDS] [--dir DIRECTORY] [--format table|json]\n"
    "  ChangeControllerCmd check [--dir DIRECTORY] [--timeout SECONDS]\n"
    "  ChangeControllerCmd /? | --version\n"
    "\n"
    "list   broadcasts to every local network, as the Change Controller dialog does, and\n"
    "       prints the controllers that answer, sorted by name. --members adds member nodes\n"
    "       with their controller's address. --range (10.1.0.0/16, 10.1.2.10-10.1.2.200 or\n"
    "       one address; repeatable) also queries every address of the range by unicast,\n"
    "       which reaches controllers behind routers; more than {PLAIN_SWEEP} addresses need\n"
    "       --allow-large-range. --rate paces that sweep (default {RATE}, at most {MOST_RATE}\n"
    "       queries a second). --time is the longest the listing takes (default {TIME} s, or\n"
    "       until the sweep has sent its last query); it ends sooner once the answers\n"
    "       stop. A sweep cut short by --time is reported on standard error.\n"
    "show   prints the stored controller and refresh rate of the service directory.\n"
    "set    makes CONTROLLER (a host name or address) the service's Host Controller:\n"
    "       stores it, with the refresh rate (default: the stored one; at least {SHORTEST} s,\n"
    "       at most {LONGEST} s, one day), and restarts the service. The directory defaults\n"
    "       to the program's own. It then prints what it replaced (\"was ADDRESS, N s\");\n"
    "       --format json prints one object with the new choice and, under \"was\", the old one.\n"
    "check  asks the stored controller whether it answers, as a monitoring check: one\n"
    "       line OK, CRITICAL or UNKNOWN with performance data. --timeout is how long a\n"
    "       stored name is looked for among broadcast answers (default {TIMEOUT} s).\n"
    "\n"
    "Options also take the forms --name=VALUE, /name VALUE and /name:VALUE.\n";

std::string Filled(std::string text, std::initializer_list<std::pair<std::string, std::string>> values)
{
    for (const auto& [name, value] : values) {
        const std::string placeholder = "{" + name + "}";
        for (size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at))
            text.replace(at, placeholder.size(), value);
    }
    return text;
}

std::string ExitCodeLines()
{
    std::string lines = "Exit codes:\n";
    for (const auto& [code, meaning] : kExitCodeMeanings)
        lines += "  " + std::to_string(code) + "  " + meaning + "\n";
    lines += "check's own exit codes, as monitoring systems read them:\n";
    for (const auto& [state, name, meaning] : kCheckStateMeanings)
        lines += "  " + std::to_string(state) + "  " + name + ": " + meaning + "\n";
    return lines;
}

}  // namespace

std::string UsageText()
{
    using std::to_string;
    const auto listSeconds = std::chrono::duration_cast<std::chrono::seconds>(ListingPlan{}.longest).count();
    return Filled(kUsageTemplate, {{"PLAIN_SWEEP", to_string(kLargestPlainSweep)},
                                   {"RATE", to_string(NRFindControllers::kDefaultSweepQueriesPerSecond)},
                                   {"MOST_RATE", to_string(NRFindControllers::kMostSweepQueriesPerSecond)},
                                   {"TIME", to_string(listSeconds)},
                                   {"SHORTEST", to_string(kShortestRefreshSeconds)},
                                   {"LONGEST", to_string(kLongestRefreshSeconds)},
                                   {"TIMEOUT", to_string(CommandLine{}.nameSearchSeconds)}}) +
           ExitCodeLines();
}

namespace {

// A whole decimal number of at most nine digits and at least `lowest`; false otherwise.
bool ParseNumber(const std::string& text, int lowest, int& value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9)
        return false;
    value = std::atoi(text.c_str());
    return value >= lowest;
}

// The value that `word` names in `choices`; false when it names none.
template <class Value>
bool Choose(const std::string& word, std::initializer_list<std::pair<const char*, Value>> choices, Value& chosen)
{
    for (const auto& [name, value] : choices) {
        if (word == name) {
            chosen = value;
            return true;
        }
    }
    return false;
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& arguments) : m_arguments(arguments) {}

    ParsedCommandLine Parse()
    {
        for (m_next = 0; m_next < m_arguments.size();) {
            const std::string argument = m_arguments[m_next++];
            if (!Take(argument))
                return {false, m_line, m_error};
        }
        if (m_line.command == Command::Set && !m_controllerSeen && !m_help)
            return {false, m_line, "set needs the controller's host name or address"};
        if (m_line.command == Command::List && !m_allowLarge) {
            // Counted as the sweep queries them: an address in two ranges once.
            const std::uint64_t swept = NRSweptAddressCount(m_line.ranges);
            if (swept > kLargestPlainSweep)
                return {false, m_line,
                        "the ranges hold " + std::to_string(swept) + " addresses, more than " +
                            std::to_string(kLargestPlainSweep) + "; add --allow-large-range to sweep them all"};
        }
        if (m_help)
            m_line.command = Command::Help;
        else if (m_version)
            m_line.command = Command::Version;
        return {true, m_line, {}};
    }

private:
    bool Fail(const std::string& error)
    {
        m_error = error;
        return false;
    }

    bool Take(const std::string& argument)
    {
        if (argument == "/?" || argument == "-?" || argument == "-h") {
            m_help = true;
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
        if (!m_commandSeen) {
            m_commandSeen = true;
            return Choose(word,
                          {{"list", Command::List},
                           {"show", Command::Show},
                           {"set", Command::Set},
                           {"check", Command::Check}},
                          m_line.command) ||
                   Fail("unknown command \"" + word + "\"");
        }
        if (m_line.command == Command::Set && !m_controllerSeen) {
            m_controllerSeen = true;
            m_line.controller = word;
            if (word.empty())
                return Fail("the controller's host name or address is empty");
            if (DottedFormOf(word) == DottedForm::LeadingZero)
                return Fail("\"" + word +
                            "\" is not taken as an address: a part with a leading zero is octal to some "
                            "programs and decimal to others; write each part without leading zeros");
            if (const std::string problem = ProfileValueProblem(word); !problem.empty())
                return Fail("\"" + word + "\" cannot be stored as typed: " + problem);
            return true;
        }
        return Fail("unexpected argument \"" + word + "\"");
    }

    // The option's value, when the command takes the option.
    bool Value(const std::string& name, std::initializer_list<Command> commands,
               const std::optional<std::string>& attached, std::string& value)
    {
        if (!Allowed(name, commands))
            return false;
        if (attached) {
            value = *attached;
            return true;
        }
        if (m_next >= m_arguments.size())
            return Fail("--" + name + " needs a value");
        value = m_arguments[m_next++];
        return true;
    }

    bool Allowed(const std::string& name, std::initializer_list<Command> commands)
    {
        for (Command command : commands) {
            if (m_line.command == command && m_commandSeen)
                return true;
        }
        return Fail("--" + name + " does not go with this command");
    }

    bool TakeOption(const std::string& name, const std::optional<std::string>& attached)
    {
        std::string value;
        const bool isSwitch = name == "help" || name == "version" || name == "members" || name == "allow-large-range";
        if (isSwitch && attached)
            return Fail("--" + name + " is a switch and takes no value");
        if (name == "help" || name == "version") {
            (name == "help" ? m_help : m_version) = true;
            return true;
        }
        if (name == "members" || name == "allow-large-range") {
            if (!Allowed(name, {Command::List}))
                return false;
            (name == "members" ? m_line.withMembers : m_allowLarge) = true;
            return true;
        }
        if (name == "format") {
            if (!Value(name, {Command::List, Command::Set}, attached, value))
                return false;
            if (m_line.command == Command::Set)
                return Choose(value, {{"table", OutputFormat::Table}, {"json", OutputFormat::Json}}, m_line.format) ||
                       Fail("set's --format takes table or json, not \"" + value + "\"");
            return Choose(value,
                          {{"table", OutputFormat::Table}, {"csv", OutputFormat::Csv}, {"json", OutputFormat::Json}},
                          m_line.format) ||
                   Fail("--format takes table, csv or json, not \"" + value + "\"");
        }
        if (name == "range") {
            NRAddressRange range{};
            std::string error;
            if (!Value(name, {Command::List}, attached, value))
                return false;
            if (!ParseAddressRange(value, range, error))
                return Fail(error);
            m_line.ranges.push_back(range);
            return true;
        }
        if (name == "rate") {
            if (!Value(name, {Command::List}, attached, value))
                return false;
            return (ParseNumber(value, 1, m_line.queriesPerSecond) &&
                    m_line.queriesPerSecond <= NRFindControllers::kMostSweepQueriesPerSecond) ||
                   Fail("--rate takes a whole number of queries a second, 1 to " +
                        std::to_string(NRFindControllers::kMostSweepQueriesPerSecond) + ", not \"" + value + "\"");
        }
        if (name == "time") {
            int seconds = 0;
            if (!Value(name, {Command::List}, attached, value))
                return false;
            if (!ParseNumber(value, 1, seconds))
                return Fail("--time takes a whole number of seconds, at least 1, not \"" + value + "\"");
            m_line.listSeconds = seconds;
            return true;
        }
        if (name == "timeout") {
            if (!Value(name, {Command::Check}, attached, value))
                return false;
            return ParseNumber(value, 1, m_line.nameSearchSeconds) ||
                   Fail("--timeout takes a whole number of seconds, at least 1, not \"" + value + "\"");
        }
        if (name == "dir") {
            if (!Value(name, {Command::Show, Command::Set, Command::Check}, attached, value))
                return false;
            if (value.empty())
                return Fail("--dir needs a directory");
            m_line.directory = value;
            return true;
        }
        if (name == "refresh-rate") {
            int seconds = 0;
            if (!Value(name, {Command::Set}, attached, value))
                return false;
            if (!ParseNumber(value, 0, seconds) || seconds > kLongestRefreshSeconds)
                return Fail("--refresh-rate takes a whole number of seconds, at most " +
                            std::to_string(kLongestRefreshSeconds) + " (one day), not \"" + value + "\"");
            m_line.refreshSeconds = seconds;
            return true;
        }
        return Fail("unknown option \"" + name + "\"");
    }

    const std::vector<std::string>& m_arguments;
    size_t m_next = 0;
    CommandLine m_line;
    std::string m_error;
    bool m_commandSeen = false;
    bool m_controllerSeen = false;
    bool m_help = false;
    bool m_version = false;
    bool m_allowLarge = false;
};

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments)
{
    return Parser(arguments).Parse();
}

}  // namespace cc
