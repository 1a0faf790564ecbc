#include "framework/Dialog.h"

#include <stdexcept>
#include <string>

#include "framework/App.h"

namespace fw {

namespace detail {

bool TakeDefaultRequest(CDialog& dialog)
{
    const bool requested = dialog.m_defaultRequested;
    dialog.m_defaultRequested = false;
    return requested;
}

}  // namespace detail

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    control.m_hWnd = pDX->m_dialog.GetDlgItem(id);
    if (!control.m_hWnd)
        throw std::logic_error("dialog template " + std::to_string(pDX->m_dialog.TemplateId()) + " has no control " +
                               std::to_string(id));
}

CDialog::CDialog(UINT templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog()
{
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        ::SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
        ::DestroyWindow(m_hWnd);
    }
}

INT_PTR CDialog::DoModal()
{
    return ::DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_templateId), m_parent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(UINT templateId, HWND parent)
{
    m_templateId = templateId;
    m_parent = parent;
    return ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(templateId), parent, DialogProc,
                                reinterpret_cast<LPARAM>(this)) != nullptr;
}

BOOL CDialog::DestroyWindow()
{
    return ::DestroyWindow(m_hWnd);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog()
{
    CDataExchange exchange(*this);
    DoDataExchange(&exchange);
    return TRUE;
}

std::string UnhandledExceptionText(const std::exception* error)
{
    char buffer[1024];
    const int length = ::LoadStringA(AfxGetResourceHandle(), AFX_IDS_UNHANDLED_EXCEPTION, buffer, sizeof buffer);
    // The exception may be the very failure to load a text: the words are then built in.
    std::string text = length > 0 ? std::string(buffer, length) : "An internal error stopped this action.";
    if (error && *error->what())
        text += std::string("\n\n") + error->what();
    return text;
}

void CDialog::OnUnhandledException(const std::exception* error)
{
    MessageBox(UnhandledExceptionText(error), AfxGetAppName(), MB_OK);
}

const MessageMap* CDialog::GetMessageMap() const
{
    return nullptr;
}

void CDialog::EnableControl(CWnd& control, bool enable, HWND focusTarget)
{
    if (!enable && ::GetFocus() == control)
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focusTarget), TRUE);
    control.EnableWindow(enable);
}

bool CDialog::RouteThroughMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    UINT code = 0;
    UINT id = 0;
    if (message == WM_COMMAND) {
        code = HIWORD(wParam);
        id = LOWORD(wParam);
    } else if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        code = header->code;
        id = static_cast<UINT>(header->idFrom);
    }
    for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
        for (const MessageMapEntry* entry = map->entries; entry->thunk; ++entry) {
            if (entry->message == message && entry->code == code && entry->id == id)
                return entry->thunk(*this, wParam, lParam, result);
        }
    }
    return false;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (RouteThroughMap(message, wParam, lParam, result)) {
        switch (message) {
        case WM_QUERYDRAGICON:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
            return static_cast<INT_PTR>(result);
        default:
            ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->m_hWnd = hWnd;
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
    } else {
        dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    }
    if (!dialog)
        return FALSE;

    // No exception may unwind through user32's frames.
    try {
        if (message == WM_INITDIALOG)
            return dialog->OnInitDialog();
        if (message == WM_NCDESTROY) {
            ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
            dialog->m_hWnd = nullptr;
            return FALSE;
        }
        return dialog->Dispatch(message, wParam, lParam);
    } catch (const std::exception& error) {
        dialog->OnUnhandledException(&error);
    } catch (...) {
        dialog->OnUnhandledException(nullptr);
    }
    return FALSE;
}

}  // namespace fw
