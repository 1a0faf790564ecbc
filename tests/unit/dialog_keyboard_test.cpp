// The dialog worked from the keyboard: keystrokes go to the real list view, which moves
// its selection and notifies the dialog by itself; and each control as a screen reader
// names it.
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "DialogHarness.h"

using namespace cc;

namespace {

const char kSucceeded[] = "Updating the Host Controller settings was successful";

// The name a screen reader speaks for a window: its client object's accName through
// oleacc, as Microsoft Active Accessibility clients ask for it. "(none)" when it has none.
std::string AccessibleName(HWND window)
{
    IAccessible* accessible = nullptr;
    const HRESULT found = ::AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible),
                                                       reinterpret_cast<void**>(&accessible));
    if (FAILED(found))
        return "(no accessible object: " + std::to_string(found) + ")";
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    const HRESULT result = accessible->get_accName(self, &name);
    accessible->Release();
    if (result != S_OK || !name)
        return "(none)";
    char narrow[512] = {};
    ::WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, sizeof narrow, nullptr, nullptr);
    ::SysFreeString(name);
    return narrow;
}

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(harness.directory.InstallStandInService()); }

    // Four controllers the engine already knows, listed alpha, bravo, charlie, delta.
    void OpenWithFourRows()
    {
        harness.Engine().table = {
            {"10.0.0.4", "delta"}, {"10.0.0.1", "alpha"}, {"10.0.0.3", "charlie"}, {"10.0.0.2", "bravo"}};
        harness.Open();
    }
    std::string SelectedName() { return harness.List().GetItemText(SelectedRow(harness.Control(kList)), 0); }

    static constexpr int kList = IDC_LIST_CONTROLLERS;
    DialogHarness harness;
};

TEST_F(KeyboardTest, KeysThatMoveTheSelectionTakeTheRowsAddress)
{
    OpenWithFourRows();
    ASSERT_EQ(harness.Text(IDC_ADDRESS), "");
    ASSERT_FALSE(harness.Enabled(IDC_UPDATE));

    const struct {
        UINT message;
        WPARAM key;
        const char* name;
        const char* address;
    } steps[] = {{WM_KEYDOWN, VK_DOWN, "bravo", "10.0.0.2"},  // from the focused first row
                 {WM_KEYDOWN, VK_END, "delta", "10.0.0.4"},  {WM_KEYDOWN, VK_HOME, "alpha", "10.0.0.1"},
                 {WM_CHAR, 'c', "charlie", "10.0.0.3"},      {WM_KEYDOWN, VK_UP, "bravo", "10.0.0.2"},
                 {WM_KEYDOWN, VK_NEXT, "delta", "10.0.0.4"}};
    for (const auto& step : steps) {
        harness.Deliver(kList, step.message, step.key);
        EXPECT_EQ(SelectedName(), step.name) << "key " << step.key;
        EXPECT_EQ(harness.Text(IDC_ADDRESS), step.address) << "key " << step.key;
        EXPECT_TRUE(harness.Enabled(IDC_UPDATE)) << "key " << step.key;
    }
    EXPECT_TRUE(harness.messages.empty());
}

TEST_F(KeyboardTest, EnterInTheListAppliesTheHighlightedRow)
{
    harness.WriteSettings("[NorrinGlassway]\r\nIPAddress=old-controller\r\n");
    OpenWithFourRows();
    // The library answers from another listed address, so that Update selects another row.
    harness.Engine().addSpecific = [](const std::string&) { return std::string("10.0.0.3"); };

    harness.Key(kList, VK_DOWN);
    harness.Type(IDC_ADDRESS, "typed-then-left");  // the operator then went back to the list
    harness.Key(kList, VK_RETURN);

    EXPECT_EQ(harness.Stored("IPAddress"), "10.0.0.2");
    ASSERT_EQ(harness.messages.size(), 1u) << "one Update";
    EXPECT_EQ(harness.messages[0].text, kSucceeded);
    EXPECT_EQ(SelectedName(), "charlie") << "the row Update resolved";
    EXPECT_EQ(harness.Text(IDC_ADDRESS), "10.0.0.2") << "Update's own selection leaves the field alone";
}

TEST_F(KeyboardTest, EnterInTheFieldOrWithNoRowSelectedUpdatesWithTheFieldsText)
{
    harness.WriteSettings("[NorrinGlassway]\r\nIPAddress=far-away\r\n");
    OpenWithFourRows();
    harness.Engine().addSpecific = [](const std::string&) { return std::string("10.0.0.4"); };

    harness.Key(kList, VK_RETURN);  // nothing highlighted: the default button, Update
    EXPECT_EQ(harness.Stored("IPAddress"), "far-away");

    harness.Key(kList, VK_HOME);
    harness.Type(IDC_ADDRESS, "typed-name");
    harness.Key(IDC_ADDRESS, VK_RETURN);
    EXPECT_EQ(harness.Stored("IPAddress"), "typed-name") << "not the highlighted row's 10.0.0.1";
    EXPECT_EQ(harness.messages.size(), 2u) << "one Update for each Enter";
}

TEST_F(KeyboardTest, ScanRefillAndRefreshLeaveTheFieldAlone)
{
    harness.Open();
    harness.Engine().arrivals = {{{"10.0.0.3", "charlie"}, {"10.0.0.4", "delta"}}};
    harness.Tick();
    harness.Key(kList, VK_END);
    ASSERT_EQ(harness.Text(IDC_ADDRESS), "10.0.0.4");
    harness.Type(IDC_ADDRESS, "typed");

    // Rows that sort above the highlighted one arrive while the scan runs.
    harness.Engine().arrivals = {{{"10.0.0.2", "bravo"}, {"10.0.0.1", "alpha"}}};
    harness.Tick();
    ASSERT_EQ(harness.Column(0), (std::vector<std::string>{"alpha", "bravo", "charlie", "delta"}));
    EXPECT_EQ(SelectedName(), "delta");
    EXPECT_EQ(harness.Text(IDC_ADDRESS), "typed");

    harness.Click(IDC_REFRESH_LIST);
    harness.Engine().arrivals = {{{"10.0.0.1", "alpha"}}};
    harness.Tick();
    ASSERT_EQ(harness.List().GetItemCount(), 1);
    EXPECT_EQ(harness.Text(IDC_ADDRESS), "");
    EXPECT_FALSE(harness.Enabled(IDC_UPDATE));
}

// A button that disables itself while it has the focus hands it to the list; with no
// focus at all, a plain letter would press the button it is the mnemonic of.
TEST_F(KeyboardTest, RefreshListLeavesTheFocusInTheList)
{
    OpenWithFourRows();
    ::SetFocus(harness.Control(IDC_REFRESH_LIST));
    harness.Click(IDC_REFRESH_LIST);
    EXPECT_EQ(::GetFocus(), harness.Control(kList));

    harness.Engine().arrivals = {{{"10.0.0.9", "core-ups"}}};
    harness.Tick();
    harness.DeliverAtFocus(WM_CHAR, 'c');  // "&Close"'s mnemonic
    EXPECT_TRUE(::IsWindowVisible(harness.dialog->m_hWnd)) << "the dialog closed";
    EXPECT_EQ(SelectedName(), "core-ups");
    EXPECT_EQ(harness.Text(IDC_ADDRESS), "10.0.0.9");
}

// The focused row is where the next arrow key starts: a controller that answers late
// and sorts above the highlighted row must not move it elsewhere.
TEST_F(KeyboardTest, ASortBetweenTwoKeysKeepsTheKeyboardOnTheHighlightedRow)
{
    harness.WriteSettings("[NorrinGlassway]\r\nIPAddress=old-controller\r\n");
    harness.Open();
    harness.Engine().addSpecific = [](const std::string& text) { return text; };
    harness.Engine().arrivals = {{{"10.0.0.2", "bravo"},
                                  {"10.0.0.3", "charlie"},
                                  {"10.0.0.4", "delta"},
                                  {"10.0.0.5", "echo"},
                                  {"10.0.0.6", "foxtrot"}}};
    harness.Tick();
    for (int down = 0; down < 3; ++down)
        harness.Key(kList, VK_DOWN);
    ASSERT_EQ(SelectedName(), "echo");

    harness.Engine().arrivals = {{{"10.0.0.1", "alpha"}}};
    harness.Tick();
    harness.Key(kList, VK_DOWN);
    EXPECT_EQ(SelectedName(), "foxtrot");
    harness.Key(kList, VK_RETURN);
    EXPECT_EQ(harness.Stored("IPAddress"), "10.0.0.6");
}

// Enter applies a row once: again, or held down, it would restart the service each time.
TEST_F(KeyboardTest, EnterAgainDoesNotApplyTheSameRowAgain)
{
    OpenWithFourRows();
    harness.Engine().addSpecific = [](const std::string& text) { return text; };
    harness.Key(kList, VK_DOWN);
    harness.Key(kList, VK_DOWN);
    for (int press = 0; press < 4; ++press)
        harness.Key(kList, VK_RETURN);
    EXPECT_EQ(harness.Stored("IPAddress"), "10.0.0.3");
    ASSERT_EQ(harness.messages.size(), 1u) << "one apply";
    EXPECT_EQ(harness.messages[0].text, kSucceeded);

    // Another row, or a changed rate, is a new choice.
    harness.Key(kList, VK_UP);
    harness.Key(kList, VK_RETURN);
    EXPECT_EQ(harness.Stored("IPAddress"), "10.0.0.2");
    harness.Type(IDC_REFRESH_RATE, "45");
    harness.Key(kList, VK_RETURN);
    EXPECT_EQ(harness.Stored("RefreshRate"), "45000");
    EXPECT_EQ(harness.messages.size(), 3u);
}

TEST_F(KeyboardTest, EscapeInTheListClosesTheDialogWithARowHighlighted)
{
    harness.Engine().table = {{"10.0.0.1", "alpha"}, {"10.0.0.2", "bravo"}};
    harness.services.createController = [this](const std::string&) {
        const HWND list = harness.Control(kList);
        ::PostMessageA(list, WM_KEYDOWN, VK_DOWN, 1);
        ::PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 1);
        // Ends the loop with 0 should Escape not end it.
        ::PostMessageA(harness.dialog->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
        return harness.HandOverController();
    };
    harness.dialog = std::make_unique<CChangeControllerDlg>(nullptr, harness.services);
    EXPECT_EQ(harness.dialog->DoModal(), IDCANCEL);
}

TEST_F(KeyboardTest, TabVisitsEveryControlAndAScreenReaderNamesEach)
{
    using Stop = std::pair<int, std::string>;  // a control's id and the name a screen reader speaks
    const std::vector<Stop> tabOrder{{kList, "Host Controllers"},
                                     {IDC_REFRESH_LIST, "Refresh List"},
                                     {IDC_ADDRESS, "Enter IP Address of the Host Controller:"},
                                     {IDC_REFRESH_RATE, "Enter Refresh Rate:"},
                                     {IDC_UPDATE, "Update"},
                                     {IDC_CLOSE, "Close"},
                                     {IDC_SPIN_REFRESH_RATE, "Refresh Rate"}};
    const std::vector<std::string> shownTexts{
        "&Close", "&Refresh List", "Enter IP Address of the Host Controller:", "Enter Refresh Rate:", "Sec", "Update"};
    const HWND dialog = harness.Open().m_hWnd;

    // Tab visits the tab stops in the dialog's child order (a disabled one is skipped
    // only while it is disabled); the visible buttons and labels show their texts.
    std::vector<Stop> tabStops;
    std::vector<std::string> shown;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const LONG_PTR style = ::GetWindowLongPtrA(child, GWL_STYLE);
        if (style & WS_TABSTOP)
            tabStops.emplace_back(::GetDlgCtrlID(child), AccessibleName(child));
        char className[32] = {};
        char text[256] = {};
        ::GetClassNameA(child, className, sizeof className);
        ::GetWindowTextA(child, text, sizeof text);
        if ((style & WS_VISIBLE) && (lstrcmpiA(className, "Button") == 0 || lstrcmpiA(className, "Static") == 0))
            shown.push_back(text);
    }
    EXPECT_EQ(tabStops, tabOrder);
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, shownTexts);
}

}  // namespace
