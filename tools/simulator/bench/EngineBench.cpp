// Engine benchmark against a running simulator: for each N, the time from the first
// SendBroadcast until all N controllers are in the table, the entries missing once the
// simulator has sent every answer, and the engine's memory (growth of the
// process's committed memory while the engine holds its table, threads and socket).
//   engine_bench CONTROL-ENDPOINT [burst] N...
// "burst": the simulated controllers ignore the answer window and answer at once.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "SimulatorControl.h"
#include "nrcore/NRController.h"

namespace {

using Clock = std::chrono::steady_clock;

// Committed private memory of the process (Wine fills PagefileUsage, not PrivateUsage).
long long CommittedBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<long long>(counters.PagefileUsage);
}

struct Figures {
    double secondsToAll = -1;
    int listed = 0;
    int missing = 0;
    long long memoryBytes = 0;
    long long answersSent = 0;
};

Figures Measure(SimulatorControl& simulator, int count, bool burst) {
    Figures figures;
    simulator.Run("reset");
    simulator.Run("controllers " + std::to_string(count) + " 127.0.1.1 bench-");
    if (burst) simulator.Run("window off");

    const long long memoryBefore = CommittedBytes();
    {
        NRController controller("127.0.0.1");
        NRFindControllers& engine = *controller.getFindControllers();
        engine.SuspendPoll();
        char target[] = "127.0.0.1";
        const Clock::time_point start = Clock::now();
        engine.SendBroadcast(target);
        engine.ClearControllerList();
        while (engine.GetControllerCount() < count && Clock::now() - start < std::chrono::seconds(10)) {
            engine.ListenForControllers(100);
        }
        if (engine.GetControllerCount() >= count) {
            figures.secondsToAll = std::chrono::duration<double>(Clock::now() - start).count();
        }
        simulator.WaitUntilIdle(std::chrono::seconds(10));
        engine.ListenForControllers(200);
        figures.listed = engine.GetControllerCount();
        figures.missing = count - figures.listed;
        figures.memoryBytes = CommittedBytes() - memoryBefore;
        figures.answersSent = simulator.Stat("answers");
    }
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: engine_bench CONTROL-ENDPOINT [burst] N...\n");
        return 2;
    }
    SimulatorControl simulator(argv[1]);
    if (!simulator.Run("ping")) {
        std::fprintf(stderr, "engine_bench: no simulator on %s\n", argv[1]);
        return 1;
    }
    int first = 2;
    const bool burst = std::string(argv[2]) == "burst";
    if (burst) ++first;
    std::printf("%s answers\n%8s %12s %8s %8s %8s %12s\n", burst ? "burst" : "windowed", "N", "all-in (s)", "listed",
                "missing", "sent", "memory (KiB)");
    int failures = 0;
    for (int i = first; i < argc; ++i) {
        const int count = std::atoi(argv[i]);
        const Figures figures = Measure(simulator, count, burst);
        char seconds[32];
        if (figures.secondsToAll < 0) {
            std::snprintf(seconds, sizeof seconds, "not all");
        } else {
            std::snprintf(seconds, sizeof seconds, "%.3f", figures.secondsToAll);
        }
        std::printf("%8d %12s %8d %8d %8lld %12lld\n", count, seconds, figures.listed, figures.missing,
                    figures.answersSent, figures.memoryBytes / 1024);
        std::fflush(stdout);
        failures += figures.missing != 0;
    }
    return failures == 0 ? 0 : 1;
}
