// Engine benchmark against a running simulator: for each N, the time from the first
// SendBroadcast until all N controllers are in the table, the entries missing once the
// simulator has sent every answer, and the engine's memory (growth of the
// process's committed memory while the engine holds its table, threads and socket).
//   engine_bench CONTROL-ENDPOINT [burst] N...
//   engine_bench CONTROL-ENDPOINT sweep N...
// "burst": the simulated controllers ignore the answer window and answer at once.
// "sweep": N controllers spread over 127.1.0.0/16, found by a sweep of that range at
// the default pace; also prints the pace achieved and the queries the simulator got.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "SimulatorControl.h"
#include "nrcore/NRController.h"

namespace {

using Clock = std::chrono::steady_clock;

// Committed private memory of the process (Wine fills PagefileUsage, not PrivateUsage).
long long CommittedBytes()
{
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

// Waits for the simulator's last answers, takes them in and fills what every run reports.
void CountArrivals(SimulatorControl& simulator, NRFindControllers& engine, int count, long long memoryBefore,
                   Figures& figures)
{
    simulator.WaitUntilIdle(std::chrono::seconds(10));
    engine.ListenForControllers(200);
    figures.listed = engine.GetControllerCount();
    figures.missing = count - figures.listed;
    figures.memoryBytes = CommittedBytes() - memoryBefore;
    figures.answersSent = simulator.Stat("answers");
}

Figures Measure(SimulatorControl& simulator, int count, bool burst)
{
    Figures figures;
    simulator.Run("reset");
    simulator.Run("controllers " + std::to_string(count) + " 127.0.1.1 bench-");
    if (burst)
        simulator.Run("window off");

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
        CountArrivals(simulator, engine, count, memoryBefore, figures);
    }
    return figures;
}

struct SweepFigures : Figures {
    double sendingSeconds = 0;
    unsigned long long sent = 0;
    long long queriesReceived = 0;
};

constexpr std::uint32_t kSweepFirst = 0x7F010000u;  // 127.1.0.0
constexpr std::uint32_t kSweepSize = 65536;

std::string Dotted(std::uint32_t address)
{
    return std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 0xFF) + "." +
           std::to_string(address >> 8 & 0xFF) + "." + std::to_string(address & 0xFF);
}

SweepFigures MeasureSweep(SimulatorControl& simulator, int count)
{
    SweepFigures figures;
    simulator.Run("reset");
    // Without it, every query to an address without a node would be answered by all.
    simulator.Run("vacant " + Dotted(kSweepFirst) + " " + Dotted(kSweepFirst + kSweepSize - 1));
    const std::uint32_t step = kSweepSize / static_cast<std::uint32_t>(count);
    for (int i = 0; i < count; ++i) {
        simulator.Run("node " + Dotted(kSweepFirst + static_cast<std::uint32_t>(i) * step + step / 2) + " swept-" +
                      std::to_string(i));
    }

    const long long memoryBefore = CommittedBytes();
    {
        NRController controller("127.0.0.1");
        NRFindControllers& engine = *controller.getFindControllers();
        engine.SuspendPoll();
        const Clock::time_point start = Clock::now();
        engine.StartSweep({{kSweepFirst, kSweepFirst + kSweepSize - 1}},
                          NRFindControllers::kDefaultSweepQueriesPerSecond);
        const Clock::time_point limit = start + std::chrono::seconds(30);
        while ((engine.GetControllerCount() < count || engine.GetSweepProgress().running) && Clock::now() < limit) {
            engine.ListenForControllers(20);
            if (figures.sendingSeconds == 0 && !engine.GetSweepProgress().running) {
                figures.sendingSeconds = std::chrono::duration<double>(Clock::now() - start).count();
            }
            if (figures.secondsToAll < 0 && engine.GetControllerCount() >= count) {
                figures.secondsToAll = std::chrono::duration<double>(Clock::now() - start).count();
            }
        }
        figures.sent = engine.GetSweepProgress().sent;
        CountArrivals(simulator, engine, count, memoryBefore, figures);
        figures.queriesReceived = simulator.Stat("queries");
    }
    return figures;
}

int RunSweeps(SimulatorControl& simulator, int argc, char** argv, int first)
{
    std::printf("sweep of 127.1.0.0/16 at %d queries/s\n%8s %12s %10s %10s %10s %8s %8s %12s\n",
                NRFindControllers::kDefaultSweepQueriesPerSecond, "N", "all-in (s)", "sending s", "queries/s",
                "received", "answers", "lost", "memory (KiB)");
    int failures = 0;
    for (int i = first; i < argc; ++i) {
        const int count = std::atoi(argv[i]);
        const SweepFigures figures = MeasureSweep(simulator, count);
        char seconds[32];
        if (figures.secondsToAll < 0) {
            std::snprintf(seconds, sizeof seconds, "not all");
        } else {
            std::snprintf(seconds, sizeof seconds, "%.3f", figures.secondsToAll);
        }
        const double rate = figures.sendingSeconds > 0 ? figures.sent / figures.sendingSeconds : 0;
        std::printf("%8d %12s %10.3f %10.0f %10lld %8lld %8d %12lld\n", count, seconds, figures.sendingSeconds, rate,
                    figures.queriesReceived, figures.answersSent, figures.missing, figures.memoryBytes / 1024);
        std::fflush(stdout);
        failures += figures.missing != 0;
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: engine_bench CONTROL-ENDPOINT [burst|sweep] N...\n");
        return 2;
    }
    SimulatorControl simulator(argv[1]);
    if (!simulator.Run("ping")) {
        std::fprintf(stderr, "engine_bench: no simulator on %s\n", argv[1]);
        return 1;
    }
    if (std::string(argv[2]) == "sweep")
        return RunSweeps(simulator, argc, argv, 3);
    int first = 2;
    const bool burst = std::string(argv[2]) == "burst";
    if (burst)
        ++first;
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
