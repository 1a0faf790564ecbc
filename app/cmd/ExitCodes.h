// What ChangeControllerCmd's exit code tells a script, and the check's own codes.
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

// The check's own codes, as monitoring systems read them.
enum CheckState {
    kCheckOk = 0,
    kCheckCritical = 2,
    kCheckUnknown = 3,
};

}  // namespace cc
