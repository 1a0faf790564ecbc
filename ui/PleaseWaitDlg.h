// A small modeless window with a running hourglass and one line of text, shown while
// the UI thread is busy with a long step. Its parent is disabled and the mouse is
// captured while it exists. Its creator destroys it with DestroyWindow and then
// releases the object.
#pragma once

#include <memory>
#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"

namespace cc {

class CPleaseWaitDlg : public fw::CDialog {
public:
    // Creates and shows the window.
    CPleaseWaitDlg(HWND parent, const std::string& message, const std::string& title);

    // Enables the parent again, then destroys the window.
    BOOL DestroyWindow() override;
    void SetMessage(const std::string& message);

protected:
    BOOL OnInitDialog() override;

private:
    fw::CAnimateCtrl m_animation;
    std::string m_message;
    std::string m_title;
};

// Owns a please-wait window for one step: shown on construction, destroyed and released
// at the end of the scope.
class PleaseWaitScope {
public:
    PleaseWaitScope(HWND parent, const std::string& message, const std::string& title)
        : m_window(std::make_unique<CPleaseWaitDlg>(parent, message, title))
    {}
    ~PleaseWaitScope() { m_window->DestroyWindow(); }
    PleaseWaitScope(const PleaseWaitScope&) = delete;
    PleaseWaitScope& operator=(const PleaseWaitScope&) = delete;

private:
    std::unique_ptr<CPleaseWaitDlg> m_window;
};

}  // namespace cc
