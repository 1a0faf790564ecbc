// CDialog: modal and modeless dialogs from templates, with message maps and control
// binding. One static dialog procedure finds the object and keeps C++ exceptions out
// of user32.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

#include "framework/FrameworkIds.h"

#include "framework/MessageMap.h"
#include "framework/Wnd.h"

namespace fw {

class CDialog;

// The text for an exception that escaped a handler (nullptr: not a standard one): the
// string table's AFX_IDS_UNHANDLED_EXCEPTION and the exception's own words.
std::string UnhandledExceptionText(const std::exception* error);

// Binds controls to members during DoDataExchange.
class CDataExchange {
public:
    explicit CDataExchange(CDialog& dialog) : m_dialog(dialog) {}
    CDialog& m_dialog;
};

// Attaches control `id` of the dialog to `control`; throws when the template lacks it.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr);
    ~CDialog() override;

    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally; returns the EndDialog result, -1 when it could not be created.
    INT_PTR DoModal();
    // Creates the modeless window; OnInitDialog runs before it returns.
    BOOL Create(UINT templateId, HWND parent);
    virtual BOOL DestroyWindow();
    void EndDialog(int result) { ::EndDialog(m_hWnd, result); }

    UINT TemplateId() const { return m_templateId; }

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // Binds the controls; returns TRUE so the dialog manager sets the focus.
    virtual BOOL OnInitDialog();
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A handler let an exception escape; the message it handled is abandoned. Shows
    // UnhandledExceptionText in a box owned by the dialog, as every box a dialog shows:
    // MB_OK, no icon. A dialog with a message-box seam of its own routes it there.
    virtual void OnUnhandledException(const std::exception* error);

    virtual const MessageMap* GetMessageMap() const;

    // Called from a handler: the message also gets the dialog manager's own processing.
    void Default() { m_defaultRequested = true; }

    // Enables or disables a control. A control disabled while it has the focus leaves
    // the dialog with none, and plain letters would then press the buttons they are
    // mnemonics of: the focus first moves to `focusTarget`, as the dialog manager moves it.
    void EnableControl(CWnd& control, bool enable, HWND focusTarget);

private:
    friend bool detail::TakeDefaultRequest(CDialog& dialog);

    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    bool RouteThroughMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    UINT m_templateId;
    HWND m_parent;
    bool m_defaultRequested = false;
};

}  // namespace fw
