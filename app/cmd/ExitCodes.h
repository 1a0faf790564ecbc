// What ChangeControllerCmd's exit code tells a script, and the check's own codes. The
// usage prints the tables beside the enums; README.md and docs/ADMIN-GUIDE.txt list the
// same codes, and tests/cmd/exit_codes_check.py holds them to these tables.
#pragma once

namespace cc {

enum ExitCode {
    kDone = 0,
    kUnexpectedFailure = 1,
    kUsageError = 2,
    kNotFound = 3,
    kMemberNode = 4,
    kNotSaved = 5,
    kRestartFailed = 6,
    kIncomplete = 7,
    kNoSettings = 8,
};

struct ExitCodeMeaning {
    ExitCode code;
    const char* name;  // "exitName" of the JSON a failure prints with --format json
    const char* meaning;
};

inline constexpr ExitCodeMeaning kExitCodeMeanings[] = {
    {kDone, "done", "done"},
    {kUnexpectedFailure, "unexpectedFailure", "unexpected failure"},
    {kUsageError, "usageError", "usage error (nothing was sent)"},
    {kNotFound, "notFound", "controller not found or offline"},
    {kMemberNode, "memberNode", "a member node, not a controller"},
    {kNotSaved, "notSaved", "settings could not be saved (the service was not restarted)"},
    {kRestartFailed, "restartFailed", "the service restart failed"},
    {kIncomplete, "incomplete", "incomplete: the sweep was cut short"},
    {kNoSettings, "noSettings", "no settings here"},
};

inline const char* ExitCodeName(ExitCode code)
{
    for (const ExitCodeMeaning& row : kExitCodeMeanings) {
        if (row.code == code)
            return row.name;
    }
    return "unexpectedFailure";
}

// The check's own codes, as monitoring systems read them.
enum CheckState {
    kCheckOk = 0,
    kCheckCritical = 2,
    kCheckUnknown = 3,
};

struct CheckStateMeaning {
    CheckState state;
    const char* name;  // the word that starts the check's line
    const char* meaning;
};

inline constexpr CheckStateMeaning kCheckStateMeanings[] = {
    {kCheckOk, "OK", "the stored controller answers as a controller"},
    {kCheckCritical, "CRITICAL", "no answer, or a member node"},
    {kCheckUnknown, "UNKNOWN", "no settings to read, or the check failed"},
};

}  // namespace cc
