// Entry point of a program built on the framework: initialises the common controls the
// tool uses and hands over to the one application object.
#include <windows.h>
#include <commctrl.h>

#include "framework/App.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS | ICC_ANIMATE_CLASS};
    ::InitCommonControlsEx(&controls);

    fw::CWinApp* app = fw::AfxGetApp();
    if (!app || !app->InitInstance())
        return 0;
    return app->Run();
}
