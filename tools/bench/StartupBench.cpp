// Start-up benchmark: launches the tool (ChangeController.exe) and the bare dialog
// (startup_bare.exe), both found beside this program, alternately RUNS times each, and
// prints for each the time from CreateProcess until a visible top-level window of that
// process carries the main dialog's caption (median, mean, min, max) and the ratio of
// the medians. Alternating cancels slow drifts of the machine; one launch of each
// before the measured ones is not counted, so that neither pays for a cold file cache.
// Each dialog is closed as the operator would (WM_CLOSE) and its process awaited before
// the next launch. With MAX-RATIO, a ratio of the fastest launches above it fails the
// run (exit code 3), so that the suite can guard start-up against a bare dialog: a busy
// machine only adds time to a launch, so the fastest of each is the one a load does not
// decide, while a cost the tool adds to every launch shows in its fastest one too.
//
//   startup_bench [RUNS [MAX-RATIO]]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr char kCaption[] = "Norrin Glassway - Change Controller";
constexpr int kDefaultRuns = 15;
constexpr DWORD kShowDeadlineMs = 20000;
constexpr DWORD kExitDeadlineMs = 20000;

struct Program {
    const char* name;
    std::vector<double> shownMs;
};

double Elapsed(const LARGE_INTEGER& start, const LARGE_INTEGER& end)
{
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    return static_cast<double>(end.QuadPart - start.QuadPart) / ticksPerMs;
}

std::string OwnDirectory()
{
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of('\\'));
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindShownDialog(HWND window, LPARAM lParam)
{
    auto& search = *reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId || !::IsWindowVisible(window))
        return TRUE;
    char caption[sizeof kCaption + 1] = {};
    ::GetWindowTextA(window, caption, sizeof caption);
    if (std::string(caption) != kCaption)
        return TRUE;
    search.found = window;
    return FALSE;
}

// One launch: milliseconds from just before CreateProcess until the dialog is visible;
// a negative result after printing why the launch failed.
double TimeToShown(const std::string& directory, const char* name)
{
    const std::string path = directory + "\\" + name;
    std::string commandLine = "\"" + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};

    LARGE_INTEGER start;
    ::QueryPerformanceCounter(&start);
    if (!::CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                          &startup, &process)) {
        std::fprintf(stderr, "%s: CreateProcess failed (error %lu)\n", name, ::GetLastError());
        return -1;
    }
    ::CloseHandle(process.hThread);

    // The 1 ms wait on the process is the polling interval and notices an early exit.
    WindowSearch search{process.dwProcessId, nullptr};
    double shownMs = -1;
    const char* failure = nullptr;
    for (;;) {
        ::EnumWindows(FindShownDialog, reinterpret_cast<LPARAM>(&search));
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        if (search.found) {
            shownMs = Elapsed(start, now);
            break;
        }
        if (Elapsed(start, now) > kShowDeadlineMs) {
            failure = "its dialog did not show in time";
            break;
        }
        if (::WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) {
            failure = "it ended before its dialog showed";
            break;
        }
    }

    if (search.found)
        ::PostMessageA(search.found, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process.hProcess, search.found ? kExitDeadlineMs : 0) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, INFINITE);
        if (!failure)
            failure = "it did not end after its dialog was closed";
    }
    ::CloseHandle(process.hProcess);
    if (failure) {
        std::fprintf(stderr, "%s: %s\n", name, failure);
        return -1;
    }
    return shownMs;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintRow(const Program& program)
{
    const std::vector<double>& values = program.shownMs;
    const double mean = std::accumulate(values.begin(), values.end(), 0.0) / values.size();
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    std::printf("%-22s %5zu %10.1f %10.1f %10.1f %10.1f\n", program.name, values.size(), Median(values), mean, *lowest,
                *highest);
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : kDefaultRuns;
    const double maxRatio = argc > 2 ? std::atof(argv[2]) : 0;
    if (runs < 1 || argc > 3 || (argc > 2 && maxRatio <= 0)) {
        std::fprintf(stderr, "usage: startup_bench [RUNS [MAX-RATIO]]\n");
        return 2;
    }
    const std::string directory = OwnDirectory();
    Program programs[] = {{"ChangeController.exe", {}}, {"startup_bare.exe", {}}};

    for (Program& program : programs) {
        if (TimeToShown(directory, program.name) < 0)
            return 1;
    }
    for (int run = 0; run < runs; ++run) {
        for (Program& program : programs) {
            const double shownMs = TimeToShown(directory, program.name);
            if (shownMs < 0)
                return 1;
            program.shownMs.push_back(shownMs);
        }
    }

    std::printf("launch until the dialog is shown, %d runs of each, alternating, after one uncounted launch of each\n",
                runs);
    std::printf("%-22s %5s %10s %10s %10s %10s\n", "program", "runs", "median ms", "mean ms", "min ms", "max ms");
    for (const Program& program : programs)
        PrintRow(program);
    const auto fastest = [](const Program& program) {
        return *std::min_element(program.shownMs.begin(), program.shownMs.end());
    };
    std::printf("ratio of medians (tool / bare): %.2f\n", Median(programs[0].shownMs) / Median(programs[1].shownMs));
    const double fastestRatio = fastest(programs[0]) / fastest(programs[1]);
    std::printf("ratio of the fastest launches (tool / bare): %.2f\n", fastestRatio);
    if (maxRatio > 0 && fastestRatio > maxRatio) {
        std::printf("the tool's fastest launch takes more than %.1f times as long as the bare dialog's\n", maxRatio);
        return 3;
    }
    return 0;
}
