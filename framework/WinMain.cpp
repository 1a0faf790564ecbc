// Entry point of a program built on the framework: takes its DLLs from the system
// directory only, initialises the common controls the tool uses and hands over to the
// one application object.
#include <windows.h>
#include <commctrl.h>

#include "framework/App.h"
#include "framework/SystemDlls.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (const std::optional<std::string> dllFailure = fw::LoadDllsFromSystemDirectoryOnly()) {
        ::MessageBoxA(nullptr, dllFailure->c_str(), fw::AfxGetAppName().c_str(), MB_OK | MB_ICONERROR);
        return 1;
    }

    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS | ICC_ANIMATE_CLASS};
    ::InitCommonControlsEx(&controls);

    fw::CWinApp* app = fw::AfxGetApp();
    if (!app || !app->InitInstance())
        return 0;
    return app->Run();
}
