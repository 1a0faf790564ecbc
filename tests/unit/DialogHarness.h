// Opens the real main dialog in the test process, against a fake engine, a controllable
// clock, recorded message boxes and a settings directory of its own.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FakeEngine.h"
#include "service_log.h"
#include "store_test_support.h"
#include "ui/ChangeControllerDlg.h"
#include "ui/resource.h"

struct ShownMessage {
    std::string text;
    std::string caption;
};

class DialogHarness {
public:
    using Clock = cc::DialogServices::Clock;

    DialogHarness()
    {
        directory.InstallStandInService();
        services.exeDirectory = [this] { return directory.Path(); };
        services.now = [this] { return now; };
        services.createController = [this](const std::string& localAddress) {
            controllerCreatedWith = localAddress;
            return HandOverController();
        };
        services.localAddresses = [this] { return localAddresses; };
        services.startProcess = RecordingStarter(launchFailures);
        services.messageBox = [this](HWND owner, const std::string& text, const std::string& caption) {
            messages.push_back({text, caption});
            messageOwners.push_back(owner);
            if (onMessage)
                onMessage();
        };
    }

    ~DialogHarness() { dialog.reset(); }

    // Creates the dialog window; OnInitDialog runs before this returns.
    cc::CChangeControllerDlg& Open()
    {
        dialog = std::make_unique<cc::CChangeControllerDlg>(nullptr, services);
        dialog->Create(IDD_CHANGECONTROLLER_DIALOG, nullptr);
        return *dialog;
    }

    HWND Control(int id) const { return ::GetDlgItem(dialog->m_hWnd, id); }
    std::string Text(int id) const
    {
        char buffer[1024] = {};
        ::GetWindowTextA(Control(id), buffer, sizeof buffer);
        return buffer;
    }
    bool Enabled(int id) const { return ::IsWindowEnabled(Control(id)) != FALSE; }
    bool Visible(int id) const { return (::GetWindowLongPtrA(Control(id), GWL_STYLE) & WS_VISIBLE) != 0; }

    // Typing: the edit control raises EN_CHANGE itself.
    void Type(int id, const std::string& text) { ::SetWindowTextA(Control(id), text.c_str()); }

    void Click(int id)
    {
        ::SendMessageA(dialog->m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
    }

    void ClickRow(int row, UINT code = NM_CLICK)
    {
        NMITEMACTIVATE notification{};
        notification.hdr.hwndFrom = Control(IDC_LIST_CONTROLLERS);
        notification.hdr.idFrom = IDC_LIST_CONTROLLERS;
        notification.hdr.code = code;
        notification.iItem = row;
        ::SendMessageA(dialog->m_hWnd, WM_NOTIFY, IDC_LIST_CONTROLLERS, reinterpret_cast<LPARAM>(&notification));
    }

    // A key pressed, or a character typed, while control `id` has the focus: through the
    // dialog manager as the modal loop passes it on, then the characters TranslateMessage makes.
    void Key(int id, UINT key) { Deliver(id, WM_KEYDOWN, key); }
    void Deliver(int id, UINT message, WPARAM wParam)
    {
        ::SetFocus(Control(id));
        Route(Control(id), message, wParam);
    }
    // The same wherever the focus is now: the dialog itself gets what no control has.
    void DeliverAtFocus(UINT message, WPARAM wParam)
    {
        const HWND focus = ::GetFocus();
        Route(focus ? focus : dialog->m_hWnd, message, wParam);
    }
    void Route(HWND target, UINT message, WPARAM wParam)
    {
        MSG pending{target, message, wParam, 1, 0, {}};  // a repeat count of 1
        do {
            if (!::IsDialogMessageA(dialog->m_hWnd, &pending)) {
                ::TranslateMessage(&pending);
                ::DispatchMessageA(&pending);
            }
        } while (::PeekMessageA(&pending, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE));
    }

    // One step of the spin: the up arrow proposes -1, the down arrow +1.
    LRESULT Spin(int delta)
    {
        NMUPDOWN notification{};
        notification.hdr.hwndFrom = Control(IDC_SPIN_REFRESH_RATE);
        notification.hdr.idFrom = IDC_SPIN_REFRESH_RATE;
        notification.hdr.code = UDN_DELTAPOS;
        notification.iDelta = delta;
        return ::SendMessageA(dialog->m_hWnd, WM_NOTIFY, IDC_SPIN_REFRESH_RATE,
                              reinterpret_cast<LPARAM>(&notification));
    }

    // One scan tick, `elapsed` after the previous one.
    void Tick(std::chrono::milliseconds elapsed = std::chrono::milliseconds(500))
    {
        now += elapsed;
        ::SendMessageA(dialog->m_hWnd, WM_TIMER, static_cast<WPARAM>(::GetDlgCtrlID(dialog->m_hWnd)), 0);
    }

    fw::CListCtrl List() const { return fw::CListCtrl(Control(IDC_LIST_CONTROLLERS)); }
    std::vector<std::string> Column(int column)
    {
        std::vector<std::string> texts;
        for (int row = 0; row < List().GetItemCount(); ++row)
            texts.push_back(List().GetItemText(row, column));
        return texts;
    }
    FakeEngine& Engine() { return m_controller->Engine(); }
    // The fake controller object for the dialog that opens, which then owns it; its
    // engine stays reachable for as long as that dialog lives.
    std::unique_ptr<NRController> HandOverController() { return std::move(m_ownedController); }

    // A settings file in the harness's directory.
    void WriteSettings(const std::string& body) { WriteWholeFile(directory.File("GlasswayConfig.ini"), body); }
    std::string ReadSettings() const { return ReadWholeFile(directory.File("GlasswayConfig.ini")); }
    std::string Stored(const char* key) const { return ReadStoredValue(directory.Path(), key); }

    // Laid out like the service's directory, with http\data and the stand-in service.
    ToolDirectory directory;
    Clock::time_point now = Clock::time_point(std::chrono::hours(24 * 365 * 50));
    std::vector<std::string> localAddresses{"127.0.0.1"};
    std::string controllerCreatedWith = "(not created)";
    std::vector<ShownMessage> messages;
    std::vector<HWND> messageOwners;
    LaunchFailures launchFailures;
    std::function<void()> onMessage;
    cc::DialogServices services;
    std::unique_ptr<cc::CChangeControllerDlg> dialog;

private:
    std::unique_ptr<FakeController> m_ownedController = std::make_unique<FakeController>();
    FakeController* m_controller = m_ownedController.get();
};
