// The rules of a discovery scan: what one tick does, which entries of the engine's
// table become controller rows, and the order of the rows. The dialog applies them to
// its controls; the command-line program to its output. Beside them, for the dialog
// alone, the global engine pointer and the list view's sort callback that reads it.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class NRFindControllers;

namespace cc {

// The one discovery engine of the controller object. A global because the list view's
// sort callback receives only two rows' item data and must still reach the engine.
extern NRFindControllers* ControllerFinder;

// LVM_SORTITEMS callback over ControllerFinder: CompareHostNames of the two entries.
int CALLBACK CompareControllerNames(LPARAM firstIndex, LPARAM secondIndex, LPARAM unused);

// Ascending by upper-cased host name, compared byte by byte (not by locale): negative,
// 0 or positive.
int CompareHostNames(const std::string& first, const std::string& second);

// What one tick of a running scan does, from whether the engine's listen brought news.
enum class ScanStep {
    FillAndSort,  // news: list the new controllers and sort
    StopAndSort,  // quiet, and the scan has run longer than its time-out
    Rebroadcast,  // quiet for longer than the re-broadcast interval
    Wait,
};

// Spans are compared strictly: the time-out has passed only once it is exceeded. A
// re-broadcast does not count as news, so every quiet tick after the first re-broadcast
// broadcasts again.
using ScanTime = std::chrono::system_clock::time_point;
ScanStep DecideScanStep(bool news, ScanTime now, ScanTime scanStart, ScanTime lastNews, std::chrono::seconds timeout);

// A controller as a row shows it.
struct ControllerRow {
    int engineIndex;
    std::string hostName;
    std::string address;
};

// The engine's entries that become new rows, in engine order: not 127.0.0.1, not a
// member node, and no address that `isListed` knows or that an earlier entry took.
std::vector<ControllerRow> NewControllerRows(NRFindControllers& engine,
                                             const std::function<bool(const std::string& address)>& isListed);

}  // namespace cc
