// The planted-DLL test's hands inside Wine:
//   planted_dll_probe load DLL                 ends with 0 when DLL loads by its bare name;
//   planted_dll_probe dialog PROGRAM CAPTION   starts PROGRAM in its own directory, closes its
//       window of that caption once it shows, and ends with 0 when it showed and PROGRAM ended.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kShowDeadlineMs = 60000;
constexpr DWORD kPollMs = 20;

// A visible top-level window of `processId` with that caption, or null.
HWND ShownWindow(DWORD processId, const char* caption)
{
    const HWND window = ::FindWindowA(nullptr, caption);
    DWORD owner = 0;
    return window && ::IsWindowVisible(window) && ::GetWindowThreadProcessId(window, &owner) && owner == processId
               ? window
               : nullptr;
}

int DialogOpens(const std::string& program, const char* caption)
{
    const std::string directory = program.substr(0, program.find_last_of('\\'));
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                          &startup, &process)) {
        std::fprintf(stderr, "CreateProcess failed (error %lu)\n", ::GetLastError());
        return 1;
    }
    ::CloseHandle(process.hThread);
    HWND found = nullptr;
    const ULONGLONG deadline = ::GetTickCount64() + kShowDeadlineMs;
    while (!found && ::GetTickCount64() < deadline && ::WaitForSingleObject(process.hProcess, kPollMs) == WAIT_TIMEOUT)
        found = ShownWindow(process.dwProcessId, caption);
    if (found)
        ::PostMessageA(found, WM_CLOSE, 0, 0);
    const bool ended = ::WaitForSingleObject(process.hProcess, found ? kShowDeadlineMs : 0) == WAIT_OBJECT_0;
    if (!ended)
        ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hProcess);
    if (!found)
        std::fprintf(stderr, "no window \"%s\" showed\n", caption);
    return found && ended ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "load") == 0)
        return ::LoadLibraryA(argv[2]) ? 0 : 1;
    if (argc == 4 && std::strcmp(argv[1], "dialog") == 0)
        return DialogOpens(argv[2], argv[3]);
    std::fputs("usage: planted_dll_probe load DLL | dialog PROGRAM CAPTION\n", stderr);
    return 2;
}
