// Scan benchmark of the main dialog: opens the real dialog modelessly with the real
// services and engine against a running simulator of N controllers, runs its own
// message loop and prints one line of figures:
//   - seconds from StartScan until the list holds N rows,
//   - the longest and the mean time one WM_TIMER dispatch held the UI thread, and the
//     longest any other message held it (painting, for one),
//   - the rows listed and missing when N was reached or the deadline passed,
//   - the growth of the process's committed memory and working set while the dialog
//     and its engine hold the N controllers,
//   - a breakdown on the filled engine: FillControllerList into an empty list, then
//     SortControllerList on the rows in arrival order and once more on sorted rows.
//
//   scan_bench --header
//   scan_bench CONTROL-ENDPOINT N [FIRST-NODE-ADDRESS]
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "SimulatorControl.h"
#include "TempDir.h"
#include "discovery/ControllerScan.h"
#include "discovery/LocalNetworks.h"
#include "nrcore/NRController.h"
#include "ui/ChangeControllerDlg.h"
#include "ui/resource.h"

using namespace cc;

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kDeadline = std::chrono::seconds(5);
constexpr auto kDrainLimit = std::chrono::seconds(1);
constexpr char kRowFormat[] = "%6s %10s %6s %9s %9s %9s %7s %8s %11s %9s %10s %9s %9s  %s\n";

double Milliseconds(Clock::duration span)
{
    return std::chrono::duration<double, std::milli>(span).count();
}

struct MemoryFigures {
    long long committed = 0;  // Wine fills PagefileUsage, not PrivateUsage
    long long workingSet = 0;
};

MemoryFigures ProcessMemory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return {static_cast<long long>(counters.PagefileUsage), static_cast<long long>(counters.WorkingSetSize)};
}

// The filled engine of the measured dialog, seen read-only by a second dialog: it
// reports no controllers until exposed, so that the second dialog opens into an empty
// scan, and it never sends, clears or polls.
class FilledEngineView : public NRFindControllers {
public:
    explicit FilledEngineView(NRFindControllers& engine) : m_engine(engine) {}

    void Expose() { m_exposed = true; }

    void SuspendPoll() override {}
    void ResumePoll() override {}
    int SendBroadcast(char*) override { return 0; }
    void ClearControllerList() override {}
    int ListenForControllers(int) override { return 0; }
    int GetControllerCount() override { return m_exposed ? m_engine.GetControllerCount() : 0; }
    std::string GetNodeAddress(int index) override { return m_engine.GetNodeAddress(index); }
    std::string GetHostName(int index) override { return m_engine.GetHostName(index); }
    unsigned char IsMember(int index) override { return m_engine.IsMember(index); }
    std::string GetControllerAddress(int index) override { return m_engine.GetControllerAddress(index); }
    std::string AddSpecificController(std::string) override { return {}; }
    bool StartSweep(const std::vector<NRAddressRange>&, int) override { return false; }
    NRSweepProgress GetSweepProgress() override { return {}; }
    void StopSweep() override {}

private:
    NRFindControllers& m_engine;
    bool m_exposed = false;
};

class FilledEngineController : public NRController {
public:
    explicit FilledEngineController(NRFindControllers& engine)
        : NRController("", std::make_unique<FilledEngineView>(engine))
    {}
    FilledEngineView& View() { return static_cast<FilledEngineView&>(*getFindControllers()); }
};

struct ScanFigures {
    double secondsToAll = -1;
    int ticks = 0;
    double longestTickMs = 0;
    double totalTickMs = 0;
    double longestOtherMs = 0;
    int listed = 0;
    MemoryFigures memoryGrowth;
    double fillMs = 0;
    double sortArrivedMs = 0;
    double sortSortedMs = 0;
    std::string broadcastTargets;
};

int ListedRows(const CChangeControllerDlg& dialog)
{
    return fw::CListCtrl(dialog.GetDlgItem(IDC_LIST_CONTROLLERS)).GetItemCount();
}

// Runs `work` on the dialog's thread and returns how long it took.
template <class Work> double TimedMs(Work work)
{
    const Clock::time_point start = Clock::now();
    work();
    return Milliseconds(Clock::now() - start);
}

bool IsScanTick(const CChangeControllerDlg& dialog, const MSG& message)
{
    return message.message == WM_TIMER && message.hwnd == dialog.m_hWnd;
}

void DispatchOther(const CChangeControllerDlg& dialog, MSG& message, ScanFigures& figures)
{
    const Clock::time_point before = Clock::now();
    if (!::IsDialogMessageA(dialog.m_hWnd, &message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    figures.longestOtherMs = std::max(figures.longestOtherMs, Milliseconds(Clock::now() - before));
}

// Pumps the dialog's messages until it lists `count` rows or the deadline after the
// scan's start passes, timing every WM_TIMER dispatch to the dialog; then what the
// last tick left queued (the list's repaint, for one), without further ticks.
void RunScanLoop(CChangeControllerDlg& dialog, int count, Clock::time_point scanStarted, ScanFigures& figures)
{
    MSG message;
    while (ListedRows(dialog) < count && Clock::now() - scanStarted < kDeadline &&
           ::GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (IsScanTick(dialog, message)) {
            const double tickMs = TimedMs([&message] { ::DispatchMessageA(&message); });
            ++figures.ticks;
            figures.totalTickMs += tickMs;
            figures.longestTickMs = std::max(figures.longestTickMs, tickMs);
            if (ListedRows(dialog) >= count)
                figures.secondsToAll = std::chrono::duration<double>(Clock::now() - scanStarted).count();
        } else {
            DispatchOther(dialog, message, figures);
        }
    }
    figures.listed = ListedRows(dialog);

    const Clock::time_point drainEnd = Clock::now() + kDrainLimit;
    while (Clock::now() < drainEnd && ::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsScanTick(dialog, message))
            DispatchOther(dialog, message, figures);
    }
}

// Fill and sort timed one by one, by a second dialog over the measured dialog's engine.
void ProfileFillAndSort(const DialogServices& services, NRFindControllers& filledEngine, ScanFigures& figures)
{
    FilledEngineController* controller = nullptr;  // owned by the dialog
    DialogServices viewServices = services;
    viewServices.createController = [&controller, &filledEngine](const std::string&) {
        auto created = std::make_unique<FilledEngineController>(filledEngine);
        controller = created.get();
        return created;
    };
    CChangeControllerDlg dialog(nullptr, viewServices);
    dialog.Create(IDD_CHANGECONTROLLER_DIALOG, nullptr);
    dialog.StopScan();
    controller->View().Expose();

    const auto sort = [&dialog] { dialog.SortControllerList(); };
    figures.fillMs = TimedMs([&dialog] { dialog.FillControllerList(); });
    figures.sortArrivedMs = TimedMs(sort);
    figures.sortSortedMs = TimedMs(sort);

    dialog.DestroyWindow();
    ControllerFinder = &filledEngine;
}

ScanFigures MeasureScan(int count)
{
    ScanFigures figures;
    const TempDir settingsDirectory("-scan-bench");  // for the settings file the dialog writes
    // The dialog opens only beside the service's executable; nothing here starts it.
    const std::string serviceExecutable = settingsDirectory.Path() + "\\NorrinGlasswayService.exe";
    CloseHandle(CreateFileA(serviceExecutable.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    NRController* controller = nullptr;  // owned by the measured dialog
    Clock::time_point scanStarted{};
    bool scanStartRecorded = false;

    DialogServices services = DialogServices::Real();
    services.exeDirectory = [&settingsDirectory] { return settingsDirectory.Path(); };
    // The clock's first reading is StartScan's.
    services.now = [&scanStarted, &scanStartRecorded, realNow = services.now] {
        if (!scanStartRecorded) {
            scanStarted = Clock::now();
            scanStartRecorded = true;
        }
        return realNow();
    };
    services.createController = [&controller, create = services.createController](const std::string& localAddress) {
        std::unique_ptr<NRController> created = create(localAddress);
        controller = created.get();
        return created;
    };

    const MemoryFigures before = ProcessMemory();
    {
        CChangeControllerDlg dialog(nullptr, services);
        dialog.Create(IDD_CHANGECONTROLLER_DIALOG, nullptr);
        // The dialog broadcasts to these: the real services look the local addresses up.
        for (const std::string& target : BroadcastAddressesFor(LocalHostAddresses()))
            figures.broadcastTargets += (figures.broadcastTargets.empty() ? "" : ",") + target;
        if (scanStartRecorded)
            RunScanLoop(dialog, count, scanStarted, figures);

        const MemoryFigures after = ProcessMemory();
        figures.memoryGrowth = {after.committed - before.committed, after.workingSet - before.workingSet};

        ProfileFillAndSort(services, *controller->getFindControllers(), figures);
    }
    return figures;
}

std::string Fixed(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void PrintHeader()
{
    std::printf(kRowFormat, "N", "all in (s)", "ticks", "tick max", "tick mean", "other max", "listed", "missing",
                "+commit KiB", "+ws KiB", "fill (ms)", "sort (ms)", "resort ms", "broadcast to");
}

void PrintFigures(int count, const ScanFigures& figures)
{
    const std::string secondsToAll = figures.secondsToAll < 0 ? "not all" : Fixed(figures.secondsToAll, 3);
    const std::string meanTick = figures.ticks == 0 ? "-" : Fixed(figures.totalTickMs / figures.ticks, 1);
    std::printf(kRowFormat, std::to_string(count).c_str(), secondsToAll.c_str(), std::to_string(figures.ticks).c_str(),
                Fixed(figures.longestTickMs, 1).c_str(), meanTick.c_str(), Fixed(figures.longestOtherMs, 1).c_str(),
                std::to_string(figures.listed).c_str(), std::to_string(count - figures.listed).c_str(),
                std::to_string(figures.memoryGrowth.committed / 1024).c_str(),
                std::to_string(figures.memoryGrowth.workingSet / 1024).c_str(), Fixed(figures.fillMs, 1).c_str(),
                Fixed(figures.sortArrivedMs, 1).c_str(), Fixed(figures.sortSortedMs, 1).c_str(),
                figures.broadcastTargets.empty() ? "(none)" : figures.broadcastTargets.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--header") {
        PrintHeader();
        return 0;
    }
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: scan_bench --header | scan_bench CONTROL-ENDPOINT N [FIRST-NODE]\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    const std::string firstNode = argc == 4 ? argv[3] : "127.0.0.2";

    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS | ICC_ANIMATE_CLASS};
    ::InitCommonControlsEx(&controls);

    SimulatorControl simulator(argv[1]);
    if (!simulator.Run("ping") || !simulator.Run("reset") ||
        !simulator.Run("controllers " + std::to_string(count) + " " + firstNode + " bench-")) {
        std::fprintf(stderr, "scan_bench: no simulator on %s\n", argv[1]);
        return 1;
    }

    const ScanFigures figures = MeasureScan(count);
    PrintFigures(count, figures);
    return figures.listed == count ? 0 : 1;
}
