#include "app/ChangeControllerApp.h"

#include "ui/ChangeControllerDlg.h"

namespace cc {

CChangeControllerApp theApp;

BOOL CChangeControllerApp::InitInstance()
{
    CChangeControllerDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // FALSE: no message loop after the dialog, the program ends.
    return FALSE;
}

}  // namespace cc
