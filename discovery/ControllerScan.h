// The rules of a discovery scan, free of any window: what one tick does, which entries
// of the engine's table become controller rows, their order, and when a typed text
// names a row. The dialog applies them to its controls; the command-line program to
// its output.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class NRFindControllers;

namespace cc {

// The engine's entry for the local host itself, which is never listed.
inline constexpr char kLoopbackAddress[] = "127.0.0.1";

// How long one listen for answers lasts, in a scan tick or a listing's step.
constexpr int kListenMs = 100;

// Ascending by upper-cased host name, compared byte by byte (not by locale): negative,
// 0 or positive.
int CompareHostNames(const std::string& first, const std::string& second);

// Whether a typed text names a host name or address: equal but for case, compared as
// multibyte text of the system code page.
bool EqualIgnoringCase(const std::string& first, const std::string& second);

// Sends one broadcast round, to each address in turn (a modifiable copy of at most 15
// characters, as the engine takes it); the results are not looked at.
void SendBroadcasts(NRFindControllers& engine, const std::vector<std::string>& broadcastAddresses);

// What one tick of a running scan does, from whether the engine's listen brought news.
enum class ScanStep {
    FillAndSort,  // news: list the new controllers and sort
    StopAndSort,  // quiet, and the scan has run longer than its time-out
    Rebroadcast,  // quiet for longer than the re-broadcast interval
    Wait,
};

// A monotonic clock, as the companion's listing uses: setting the wall clock during a
// scan must neither end it early nor hold it open.
using ScanClock = std::chrono::steady_clock;
using ScanTime = ScanClock::time_point;
// How long a scan runs at least: it stops on the first quiet tick after this span.
constexpr std::chrono::seconds kScanTimeout{30};

// Spans are compared strictly: the time-out has passed only once it is exceeded. A
// re-broadcast does not count as news, so every quiet tick after the first re-broadcast
// broadcasts again.
ScanStep DecideScanStep(bool news, ScanTime now, ScanTime scanStart, ScanTime lastNews, std::chrono::seconds timeout);

// A controller as a row shows it.
struct ControllerRow {
    int engineIndex;
    std::string hostName;
    std::string address;
};

// How the engine's table differs from the rows listed.
struct ControllerRowChanges {
    // The entries that become new rows, in engine order: not 127.0.0.1, not a member
    // node, and no address that a row carries or that an earlier entry took.
    std::vector<ControllerRow> added;
    // Listed controllers that now answer under another host name, with that name: the
    // list is sorted by the engine's names, so a row must show the name it is sorted by.
    std::vector<ControllerRow> renamed;
};

// `shownName` gives the host name that the row carrying an address shows, nullptr when
// no row carries it.
ControllerRowChanges
ChangedControllerRows(NRFindControllers& engine,
                      const std::function<const std::string*(const std::string& address)>& shownName);

}  // namespace cc
