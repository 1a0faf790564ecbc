// The test's hands inside Wine for the planted-DLL test:
//   planted_dll_probe load DLL
//       loads DLL by name as any program may, and ends with 0 when it was loaded
//       (shows that a DLL planted beside a program is taken in this Wine setup);
//   planted_dll_probe dialog PROGRAM CAPTION
//       starts PROGRAM in its own directory, waits for a visible window of it with
//       that caption, closes it and ends with 0 when it showed and the program ended.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kShowDeadlineMs = 60000;
constexpr DWORD kPollMs = 20;

struct WindowSearch {
    DWORD processId;
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam)
{
    auto& search = *reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    char caption[256] = {};
    ::GetWindowTextA(window, caption, sizeof caption);
    if (owner != search.processId || !::IsWindowVisible(window) || std::strcmp(caption, search.caption) != 0)
        return TRUE;
    search.found = window;
    return FALSE;
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
    WindowSearch search{process.dwProcessId, caption, nullptr};
    const ULONGLONG deadline = ::GetTickCount64() + kShowDeadlineMs;
    while (!search.found && ::GetTickCount64() < deadline &&
           ::WaitForSingleObject(process.hProcess, kPollMs) == WAIT_TIMEOUT)
        ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found)
        ::PostMessageA(search.found, WM_CLOSE, 0, 0);
    const bool ended = ::WaitForSingleObject(process.hProcess, search.found ? kShowDeadlineMs : 0) == WAIT_OBJECT_0;
    if (!ended)
        ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hProcess);
    if (!search.found)
        std::fprintf(stderr, "no window \"%s\" showed\n", caption);
    return search.found && ended ? 0 : 1;
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
