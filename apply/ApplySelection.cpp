#include "apply/ApplySelection.h"

#include "store/ExeDirectory.h"
#include "store/FileOps.h"

#include <vector>

namespace cc {

namespace {

constexpr const char* kServiceExecutable = "NorrinGlasswayService.exe";
constexpr DWORD kPauseBetweenLaunchesMs = 100;
// In the web data folder.
constexpr const char* kCachedDataFiles[] = {"\\upsprop.xml", "\\applist.xml", "\\eventlist.xml"};

// The command line goes in a buffer of its own length, as CreateProcessA may write
// into it; the tool keeps neither handle of the started process.
bool LaunchHidden(const std::string& commandLine, const ProcessStarter& startProcess)
{
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!startProcess(buffer.data(), startup, process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace

std::string ServiceExecutablePath(const std::string& exeDirectory)
{
    return exeDirectory + "\\" + kServiceExecutable;
}

bool IsServiceFolder(const std::string& exeDirectory)
{
    return KindOf(ServiceExecutablePath(exeDirectory)) == PathKind::Other;
}

std::string ServiceCommandLine(const std::string& exeDirectory, const char* option)
{
    return "\"" + ServiceExecutablePath(exeDirectory) + "\" " + option;
}

bool CreateProcessFor(char* commandLine, STARTUPINFOA& startup, PROCESS_INFORMATION& process)
{
    return CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) != 0;
}

ApplyResult ApplySelection(const std::string& exeDirectory, const Choice& choice, const ProcessStarter& startProcess)
{
    StoreOutcome stored = WriteSettings(exeDirectory, "1", choice);
    if (!stored.unsaved.empty())
        return {ApplyOutcome::NotSaved, std::move(stored.unsaved), std::move(stored.leftChanged)};
    if (!RestartService(exeDirectory, startProcess))
        return {ApplyOutcome::RestartFailed, {}, {}};
    DeleteCachedDataFiles(exeDirectory);
    return {ApplyOutcome::Applied, {}, {}};
}

bool RestartService(const std::string& exeDirectory, const ProcessStarter& startProcess)
{
    const std::string stopCommand = ServiceCommandLine(exeDirectory, "-k");
    const std::string startCommand = ServiceCommandLine(exeDirectory, "-s");
    if (!LaunchHidden(stopCommand, startProcess))
        return false;
    // The stop process is not waited for; this pause is all that separates the two.
    Sleep(kPauseBetweenLaunchesMs);
    return LaunchHidden(startCommand, startProcess);
}

void DeleteCachedDataFiles(const std::string& exeDirectory)
{
    for (const char* name : kCachedDataFiles)
        RemoveFile(exeDirectory + kWebDataFolder + name);
}

}  // namespace cc
