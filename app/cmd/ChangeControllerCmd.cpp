// ChangeControllerCmd: the Change Controller's two jobs without a window, for scripts
// and for people who look after many machines: list the controllers, and point the
// web service at one; and a monitoring check of the stored controller. It drives the
// same discovery, resolve and apply as the dialog. This file reads the command line and
// hands it to its command (Commands.h).
#include <windows.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "app/cmd/CommandLine.h"
#include "app/cmd/Commands.h"
#include "app/cmd/Console.h"
#include "app/cmd/ExitCodes.h"
#include "app/cmd/Failures.h"
#include "framework/SystemDlls.h"
#include "version.h"

namespace cc {
namespace {

// The arguments after the program's name, each converted once, by InCodePage, so that a
// character outside the code page never becomes a look-alike.
std::vector<std::string> Arguments(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(InCodePage(argv[i]));
    return arguments;
}

// What stops the command before or while it runs: check's UNKNOWN verdict, else a
// failure with the exit code.
int CannotRun(const CommandLine& line, ExitCode code, const std::string& message)
{
    return line.command == Command::Check ? CheckUnknown(message) : Failed(line, code, message);
}

int Refuse(const Refusal& refusal)
{
    if (refusal.asRead.command == Command::Check)
        return CheckUnknown(refusal.message);
    Failed(refusal.asRead, kUsageError, refusal.message);
    PrintLine(stderr, "Run " + std::string(kProgramName) + " /? for the usage.");
    return kUsageError;
}

int Dispatch(const CommandLine& line, Clock::time_point programStart)
{
    switch (line.command) {
    case Command::List:
        return List(line);
    case Command::Show:
        return Show(line);
    case Command::Set:
        return Set(line);
    case Command::Check:
        return Check(line, programStart);
    case Command::Version:
        PrintLine(stdout, std::string(kProgramName) + " " CC_VERSION_TEXT);
        return kDone;
    case Command::Help:
        break;
    }
    Write(stdout, UsageText());
    return kDone;
}

}  // namespace
}  // namespace cc

// The wide entry point, so that the arguments reach InCodePage as typed.
int wmain(int argc, wchar_t** argv)
{
    using namespace cc;
    const Clock::time_point programStart = Clock::now();
    const std::optional<std::string> dllFailure = fw::LoadDllsFromSystemDirectoryOnly();
    UseBinaryStreams();
    const Parsed<CommandLine, Refusal> parsed = ParseCommandLine(Arguments(argc, argv));
    const CommandLine& line = parsed.value ? *parsed.value : parsed.error.asRead;
    if (dllFailure)
        return CannotRun(line, kUnexpectedFailure, *dllFailure);
    if (!parsed.value)
        return Refuse(parsed.error);
    try {
        return Dispatch(line, programStart);
    } catch (const std::exception& error) {
        const std::string text = Describe(error);
        return CannotRun(line, kUnexpectedFailure, line.command == Command::Check ? "the check failed: " + text : text);
    }
}
