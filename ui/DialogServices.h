// What the main dialog takes from the outside world: the clock, message boxes, the
// discovery library, the local host's addresses, its own directory and the launcher of
// the service. The program uses the real ones; tests substitute their own.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "apply/ApplySelection.h"
#include "discovery/ControllerScan.h"

class NRController;

namespace cc {

struct DialogServices {
    using Clock = ScanClock;

    std::function<std::string()> exeDirectory;
    std::function<Clock::time_point()> now;
    // Creates the library's controller object for the local host's address; the dialog
    // that asked for it owns it.
    std::function<std::unique_ptr<NRController>(const std::string& localAddress)> createController;
    // The local host's IPv4 addresses in dotted form, in the host's order.
    std::function<std::vector<std::string>()> localAddresses;
    // Launches the service executable when the choice is applied.
    ProcessStarter startProcess;
    // An MB_OK box without icon, owned by `owner`; the caption is already final.
    std::function<void(HWND owner, const std::string& text, const std::string& caption)> messageBox;

    static DialogServices Real();
};

}  // namespace cc
