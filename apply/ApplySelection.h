#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "store/Choice.h"
#include "store/WriteSettings.h"

namespace cc {

// Applying a choice: the settings are stored, the web service is restarted through its
// executable beside the tool, and the service's cached data files are deleted.

// Starts the process for `commandLine` with the given start-up record, filling
// `process` as CreateProcessA does; false when nothing was started.
using ProcessStarter = std::function<bool(char* commandLine, STARTUPINFOA& startup, PROCESS_INFORMATION& process)>;

// exeDirectory + "\NorrinGlasswayService.exe", the web service's executable.
std::string ServiceExecutablePath(const std::string& exeDirectory);

// Whether the service's executable lies in `exeDirectory`: the only folder the tool
// stores a choice in, as nowhere else would the service read it.
bool IsServiceFolder(const std::string& exeDirectory);

// The command line that runs the service executable in `exeDirectory` with `option`
// ("-k" stops the service, "-s" starts it). The path is quoted, so that a directory
// with blanks cannot make another program run in the service's place.
std::string ServiceCommandLine(const std::string& exeDirectory, const char* option);

bool CreateProcessFor(char* commandLine, STARTUPINFOA& startup, PROCESS_INFORMATION& process);

enum class ApplyOutcome {
    Applied,        // stored, service restarted, cached files deleted
    NotSaved,       // a store failed: the service was left alone, cached files kept
    RestartFailed,  // stored, but a launch failed: cached files kept
};

struct ApplyResult {
    ApplyOutcome outcome;
    UnsavedFiles unsavedFiles;  // with NotSaved, the file that could not be stored
    UnsavedFiles leftChanged;   // with NotSaved, the files that could not be put back
};

// WriteSettings with Reset "1" and the choice. Only when the store
// succeeded whole is the service restarted (nothing half-written is restarted into), and
// only when both launches succeeded are the cached data files deleted.
ApplyResult ApplySelection(const std::string& exeDirectory, const Choice& choice,
                           const ProcessStarter& startProcess = CreateProcessFor);

// Launches the stop command, and 100 ms later the start command, each with a hidden
// window; the start command only when the stop command was launched. Neither process
// is waited for. True when both launches succeeded.
bool RestartService(const std::string& exeDirectory, const ProcessStarter& startProcess = CreateProcessFor);

// Deletes upsprop.xml, applist.xml and eventlist.xml under http\data; a missing file is
// no error and every deletion is attempted.
void DeleteCachedDataFiles(const std::string& exeDirectory);

}  // namespace cc
