#include "framework/App.h"

#include "framework/ModulePath.h"

namespace fw {

namespace {

// The single application object, registered by its constructor as MFC does.
CWinApp*& CurrentApp()
{
    static CWinApp* app = nullptr;
    return app;
}

}  // namespace

CWinApp::CWinApp()
{
    CurrentApp() = this;
}

CWinApp::~CWinApp()
{
    if (CurrentApp() == this)
        CurrentApp() = nullptr;
}

int CWinApp::Run()
{
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

CWinApp* AfxGetApp()
{
    return CurrentApp();
}

HINSTANCE AfxGetResourceHandle()
{
    return ::GetModuleHandleA(nullptr);
}

std::string AfxGetAppName()
{
    std::string name = AfxGetModuleFileName();
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

}  // namespace fw
