// Watches the keys a list view receives, so that its parent can tell the selection
// changes the operator makes with the keyboard from those the program makes itself,
// and so that Enter on a selected row reaches the list (which then sends NM_RETURN)
// instead of pressing the dialog's default button.
#pragma once

#include <windows.h>

namespace cc {

// The selected row of a single-selection list view; -1 when none is.
int SelectedRow(HWND list);

class ListKeyInput {
public:
    ListKeyInput() = default;
    ~ListKeyInput();
    ListKeyInput(const ListKeyInput&) = delete;
    ListKeyInput& operator=(const ListKeyInput&) = delete;

    // Puts the watch between the list and its own window procedure.
    void Attach(HWND list);

    // True while the list handles a key the operator pressed that may move the
    // selection: LVN_ITEMCHANGED sent now reports the operator's choice. Enter is not
    // such a key, so whatever its NM_RETURN handler selects counts as the program's.
    bool HandlingOperatorKey() const { return m_handlingKey; }

private:
    static LRESULT CALLBACK WatchProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT CallList(UINT message, WPARAM wParam, LPARAM lParam) const;
    void Detach();

    HWND m_list = nullptr;
    WNDPROC m_listProcedure = nullptr;
    bool m_handlingKey = false;
};

}  // namespace cc
