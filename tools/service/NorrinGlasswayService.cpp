// Stand-in for the web service's executable, for tests and the demo: "-k" stops and
// "-s" starts a pretend service, whose state is the marker file
// NorrinGlasswayService.running beside this program. Every invocation appends one line
// to NorrinGlasswayService.log beside it:
//
//   time=<local time> created=<local time> createdTicks=<FILETIME> pid=<id>
//   useShowWindow=<0|1> showWindow=<SW_ value> outcome=<stopped|started|usage> cmdline=<command line>
//
// `created` is when the launching process created this one, so the order and spacing
// of launches can be read even when the processes run late. On a real installation the
// service's own executable is in this place.
#include "store/ExeDirectory.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

using namespace cc;

namespace {

std::string LocalTimeText(const FILETIME& utc)
{
    FILETIME local;
    SYSTEMTIME time;
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &time);
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u.%03u", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
    return text;
}

unsigned long long Ticks(const FILETIME& time)
{
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Both launches of one restart may write at once: each line goes out in one appending
// write, retried while the other process holds the file.
void AppendLine(const std::string& path, const std::string& line)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE log = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(log);
            return;
        }
        Sleep(20);
    }
}

const char* Outcome(const std::string& option, const std::string& markerPath)
{
    if (option == "-k") {
        DeleteFileA(markerPath.c_str());
        return "stopped";
    }
    if (option == "-s") {
        HANDLE marker =
            CreateFileA(markerPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (marker != INVALID_HANDLE_VALUE)
            CloseHandle(marker);
        return "started";
    }
    return "usage";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    FILETIME created = {}, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);

    const std::string directory = GetExeDirectory();
    const std::string option = __argc == 2 ? __argv[1] : "";
    const char* outcome = Outcome(option, directory + "\\NorrinGlasswayService.running");

    const std::string line = "time=" + LocalTimeText(now) + " created=" + LocalTimeText(created) +
                             " createdTicks=" + std::to_string(Ticks(created)) +
                             " pid=" + std::to_string(GetCurrentProcessId()) +
                             " useShowWindow=" + ((startup.dwFlags & STARTF_USESHOWWINDOW) ? "1" : "0") +
                             " showWindow=" + std::to_string(startup.wShowWindow) + " outcome=" + outcome +
                             " cmdline=" + GetCommandLineA() + "\r\n";
    AppendLine(directory + "\\NorrinGlasswayService.log", line);
    return std::strcmp(outcome, "usage") == 0 ? 2 : 0;
}
