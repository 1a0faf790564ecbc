#include "ui/ListKeyInput.h"

#include <commctrl.h>

namespace cc {

int SelectedRow(HWND list)
{
    return static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

ListKeyInput::~ListKeyInput()
{
    Detach();
}

void ListKeyInput::Attach(HWND list)
{
    Detach();
    m_list = list;
    // The watch procedure finds its object in the window's user data: it runs for every
    // message the list gets, and a window property would cost a lookup in the window
    // manager each time (under Wine a round trip to its server).
    ::SetWindowLongPtrA(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_listProcedure = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListKeyInput::WatchProcedure)));
}

void ListKeyInput::Detach()
{
    if (!m_list)
        return;
    if (::IsWindow(m_list)) {
        ::SetWindowLongPtrA(m_list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_listProcedure));
        ::SetWindowLongPtrA(m_list, GWLP_USERDATA, 0);
    }
    m_list = nullptr;
    m_listProcedure = nullptr;
}

LRESULT CALLBACK ListKeyInput::WatchProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* watch = reinterpret_cast<ListKeyInput*>(::GetWindowLongPtrA(list, GWLP_USERDATA));
    if (!watch)
        return ::DefWindowProcA(list, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const WNDPROC listProcedure = watch->m_listProcedure;
        watch->Detach();
        return ::CallWindowProcA(listProcedure, list, message, wParam, lParam);
    }
    return watch->Handle(message, wParam, lParam);
}

LRESULT ListKeyInput::CallList(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::CallWindowProcA(m_listProcedure, m_list, message, wParam, lParam);
}

LRESULT ListKeyInput::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE: {
        // The dialog manager asks before it gives Enter to the default button.
        LRESULT code = CallList(message, wParam, lParam);
        const auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN && SelectedRow(m_list) >= 0)
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
    case WM_CHAR: {
        if (message == WM_KEYDOWN && wParam == VK_RETURN)
            return CallList(message, wParam, lParam);
        const bool outer = m_handlingKey;
        m_handlingKey = true;
        const LRESULT result = CallList(message, wParam, lParam);
        m_handlingKey = outer;
        return result;
    }
    default:
        return CallList(message, wParam, lParam);
    }
}

}  // namespace cc
