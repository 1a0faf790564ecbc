#include "ui/DialogServices.h"

#include "discovery/LocalNetworks.h"
#include "framework/Wnd.h"
#include "nrcore/NRController.h"
#include "store/ExeDirectory.h"

namespace cc {

DialogServices DialogServices::Real()
{
    DialogServices services;
    services.exeDirectory = GetExeDirectory;
    services.now = [] { return Clock::now(); };
    services.createController = [](const std::string& localAddress) {
        return std::make_unique<NRController>(localAddress);
    };
    services.localAddresses = LocalHostAddresses;
    services.startProcess = CreateProcessFor;
    services.messageBox = [](HWND owner, const std::string& text, const std::string& caption) {
        fw::CWnd(owner).MessageBox(text, caption, MB_OK);
    };
    return services;
}

}  // namespace cc
