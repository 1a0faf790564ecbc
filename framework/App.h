// CWinApp: the one application object. Constructing it registers it; the framework's
// WinMain calls InitInstance and, when that returns TRUE, runs a message loop.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Wnd.h"

namespace fw {

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();

    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // FALSE ends the program without a message loop.
    virtual BOOL InitInstance() { return FALSE; }
    virtual int Run();

    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();
// The executable's file name without its extension: the caption of untitled message boxes.
std::string AfxGetAppName();

}  // namespace fw
