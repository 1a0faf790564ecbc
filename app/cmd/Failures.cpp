#include "app/cmd/Failures.h"

#include "app/cmd/Console.h"
#include "app/cmd/Output.h"
#include "app/cmd/SetReport.h"
#include "apply/Exceptions.h"

namespace cc {

int Failed(const CommandLine& line, ExitCode code, const std::string& message, bool named)
{
    PrintLine(stderr, (named ? std::string(kProgramName) + ": " : "") + message);
    if (line.format == OutputFormat::Json) {
        const Failure failure{code, message};
        Write(stdout, line.command == Command::Set ? FormatSetFailure(failure, line.dryRun) : FormatFailure(failure));
    }
    return code;
}

std::string Describe(const std::exception& error)
{
    if (dynamic_cast<const ExceptionGui*>(&error))
        return error.what();
    if (const auto* library = dynamic_cast<const Exception*>(&error)) {
        return !library->Text().empty() ? library->Text()
                                        : "the discovery library failed (code " + std::to_string(library->Code()) + ")";
    }
    return *error.what() ? error.what() : "internal error";
}

}  // namespace cc
