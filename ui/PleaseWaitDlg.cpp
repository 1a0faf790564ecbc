#include "ui/PleaseWaitDlg.h"

#include "framework/App.h"
#include "ui/resource.h"

namespace cc {

CPleaseWaitDlg::CPleaseWaitDlg(HWND parent, const std::string& message, const std::string& title)
    : fw::CDialog(IDD_PLEASE_WAIT, parent), m_message(message), m_title(title)
{
    Create(IDD_PLEASE_WAIT, parent);
    ShowWindow(SW_SHOW);
    // Painted now: the UI thread blocks in the covered step right after this, and
    // only the animation, on its own thread, would be drawn otherwise.
    ::UpdateWindow(m_hWnd);
    if (HWND owner = GetParent())
        ::EnableWindow(owner, FALSE);
}

BOOL CPleaseWaitDlg::OnInitDialog()
{
    SetMessage(m_message);
    SetWindowText(m_title);

    const fw::CWinApp* app = fw::AfxGetApp();
    CenterWindow(app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr);

    m_animation.m_hWnd = GetDlgItem(IDC_ANIMATION);
    m_animation.Open(IDR_HOURGLASS_AVI);
    m_animation.ShowWindow(SW_SHOWNORMAL);
    m_animation.Play(0, 0xFFFF, static_cast<UINT>(-1));

    ::SetCapture(m_hWnd);
    return TRUE;
}

void CPleaseWaitDlg::SetMessage(const std::string& message)
{
    m_message = message;
    ::SetDlgItemTextA(m_hWnd, IDC_WAIT_MESSAGE, m_message.c_str());
}

BOOL CPleaseWaitDlg::DestroyWindow()
{
    // Enabled before the window goes, so that activation can return to the parent.
    if (HWND owner = GetParent())
        ::EnableWindow(owner, TRUE);
    return fw::CDialog::DestroyWindow();
}

}  // namespace cc
