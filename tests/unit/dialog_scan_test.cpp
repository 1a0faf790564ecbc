// The discovery scan of the main dialog against a fake engine and a controllable clock.
#include <gtest/gtest.h>

#include <algorithm>

#include "DialogHarness.h"

using namespace cc;

namespace {

using std::chrono::milliseconds;
using Strings = std::vector<std::string>;

class ScanTest : public ::testing::Test {
protected:
    int Broadcasts() { return harness.Engine().CountCalls("SendBroadcast"); }
    bool Scanning() { return !harness.Enabled(IDC_REFRESH_LIST) && harness.Visible(IDC_PROGRESS_SCAN); }
    int ProgressPosition()
    {
        return static_cast<int>(::SendMessageA(harness.Control(IDC_PROGRESS_SCAN), PBM_GETPOS, 0, 0));
    }

    DialogHarness harness;
};

TEST_F(ScanTest, KnownControllersAreListedWithoutBroadcast)
{
    harness.Engine().table = {{"10.0.0.3", "GAMMA"}, {"10.0.0.1", "alpha"}, {"10.0.0.2", "Beta"}};
    harness.Open();

    EXPECT_EQ(Broadcasts(), 0);
    EXPECT_EQ(harness.Engine().CountCalls("SuspendPoll"), 0);
    EXPECT_EQ(harness.Engine().CountCalls("ResumePoll"), 1);
    EXPECT_EQ(harness.Column(0), (Strings{"alpha", "Beta", "GAMMA"}));
    EXPECT_EQ(harness.Column(1), (Strings{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
    EXPECT_EQ(harness.List().GetItemState(0, LVIS_FOCUSED | LVIS_SELECTED), UINT(LVIS_FOCUSED));
    EXPECT_FALSE(harness.Visible(IDC_PROGRESS_SCAN));
    EXPECT_TRUE(harness.Enabled(IDC_REFRESH_LIST));
}

TEST_F(ScanTest, AddressColumnTakesScrollBarRoomWhenRowsFit)
{
    harness.Engine().table = {{"10.0.0.1", "alpha"}};
    DialogHarness full;
    for (int i = 0; i < 40; ++i)
        full.Engine().table.push_back({"10.0.1." + std::to_string(i + 1), "h" + std::to_string(i)});
    harness.Open();
    full.Open();
    EXPECT_EQ(harness.List().GetColumnWidth(1), full.List().GetColumnWidth(1) + ::GetSystemMetrics(SM_CXVSCROLL));
}

TEST_F(ScanTest, EmptyEngineStartsScanBroadcastingBeforeClearing)
{
    harness.localAddresses = {"10.1.2.3", "172.16.5.4", "192.168.7.9"};
    harness.Open();

    const Strings expected = {"SuspendPoll", "SendBroadcast 10.255.255.255", "SendBroadcast 172.16.255.255",
                              "SendBroadcast 192.168.7.255", "ClearControllerList"};
    ASSERT_GE(harness.Engine().calls.size(), expected.size());
    EXPECT_EQ(Strings(harness.Engine().calls.begin(), harness.Engine().calls.begin() + expected.size()), expected);
    EXPECT_TRUE(Scanning());
    EXPECT_EQ(ProgressPosition(), 0);
}

TEST_F(ScanTest, TwoAddressesOnOneNetworkBroadcastTwice)
{
    harness.localAddresses = {"10.1.2.3", "10.9.9.9"};
    harness.Open();
    EXPECT_EQ(harness.Engine().CountCalls("SendBroadcast 10.255.255.255"), 2);
}

TEST_F(ScanTest, SpecialAddressesAreTheirOwnTargets)
{
    harness.localAddresses = {"127.0.0.1", "0.1.2.3", "224.1.1.1", "255.255.255.255"};
    harness.Open();
    const Strings expected = {"SuspendPoll", "SendBroadcast 127.0.0.1", "SendBroadcast 0.1.2.3",
                              "SendBroadcast 224.1.1.1", "SendBroadcast 255.255.255.255"};
    EXPECT_EQ(Strings(harness.Engine().calls.begin(), harness.Engine().calls.begin() + expected.size()), expected);
}

TEST_F(ScanTest, TicksStepProgressAndListNewsSorted)
{
    harness.Open();
    harness.Engine().arrivals = {{{"10.0.0.2", "bravo"}}, {}, {{"10.0.0.1", "Alpha"}, {"10.0.0.3", "charlie"}}};

    harness.Tick();
    EXPECT_EQ(ProgressPosition(), 1);
    EXPECT_EQ(harness.Column(0), (Strings{"bravo"}));
    harness.Tick();
    harness.Tick();
    EXPECT_EQ(ProgressPosition(), 3);
    EXPECT_EQ(harness.Column(0), (Strings{"Alpha", "bravo", "charlie"}));
    EXPECT_EQ(harness.Engine().CountCalls("ListenForControllers 100"), 3);
    EXPECT_TRUE(Scanning());
}

TEST_F(ScanTest, ScanWithNewsOnEveryTickEndsOnFirstQuietTickAfterTimeout)
{
    harness.Open();
    harness.Engine().newsOnEveryListen = true;
    for (int tick = 0; tick < 70; ++tick)
        harness.Tick();  // 35 s of news
    EXPECT_TRUE(Scanning());

    harness.Engine().newsOnEveryListen = false;
    harness.Tick();
    EXPECT_FALSE(Scanning());
    EXPECT_EQ(harness.Engine().CountCalls("ResumePoll"), 1);
}

TEST_F(ScanTest, RebroadcastComesStrictlyAfterThreeQuietSecondsThenEveryTick)
{
    harness.localAddresses = {"10.1.2.3"};
    harness.Open();
    ASSERT_EQ(Broadcasts(), 1);

    for (int tick = 0; tick < 6; ++tick)
        harness.Tick();  // 3.0 s: not strictly more than 3 s
    EXPECT_EQ(Broadcasts(), 1);
    harness.Tick();
    EXPECT_EQ(Broadcasts(), 2);
    harness.Tick();
    harness.Tick();
    EXPECT_EQ(Broadcasts(), 4);

    // News resets the quiet period.
    harness.Engine().arrivals = {{{"10.0.0.5", "e"}}};
    harness.Tick();
    EXPECT_EQ(Broadcasts(), 4);
    for (int tick = 0; tick < 6; ++tick)
        harness.Tick();
    EXPECT_EQ(Broadcasts(), 4);
    harness.Tick();
    EXPECT_EQ(Broadcasts(), 5);
}

TEST_F(ScanTest, TimerArrivingWhileProgressStepsRunsNoSecondTick)
{
    harness.Open();
    // The progress bar hands the dialog a WM_TIMER of its own while it steps.
    static WNDPROC progressProc;
    static HWND dialogWindow;
    dialogWindow = harness.dialog->m_hWnd;
    const auto stepWithNestedTimer = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == PBM_STEPIT)
            ::SendMessageA(dialogWindow, WM_TIMER, static_cast<WPARAM>(::GetDlgCtrlID(dialogWindow)), 0);
        return ::CallWindowProcA(progressProc, window, message, wParam, lParam);
    };
    progressProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(harness.Control(IDC_PROGRESS_SCAN), GWLP_WNDPROC,
                            reinterpret_cast<LONG_PTR>(static_cast<WNDPROC>(stepWithNestedTimer))));

    harness.Tick();

    EXPECT_EQ(harness.Engine().CountCalls("ListenForControllers"), 1);
    EXPECT_EQ(ProgressPosition(), 1);
}

TEST_F(ScanTest, EmptyListSortsWithoutFocus)
{
    harness.Open();
    harness.dialog->SortControllerList();
    EXPECT_EQ(harness.List().GetItemCount(), 0);
}

// The list is sorted by the engine's names, so a row shows the name its controller
// answers under now, and that name is what a typed text matches.
TEST_F(ScanTest, RenamedControllerShowsItsNewNameInItsPlace)
{
    ASSERT_TRUE(harness.directory.InstallStandInService());
    harness.Open();
    harness.Engine().arrivals = {{{"10.0.0.1", "alpha"}, {"10.0.0.2", "mike"}}};
    harness.Tick();
    harness.Engine().table[0].hostName = "zulu";
    harness.Engine().arrivals = {{{"10.0.0.3", "bravo"}}};
    harness.Tick();
    EXPECT_EQ(harness.Column(0), (Strings{"bravo", "mike", "zulu"}));
    EXPECT_EQ(harness.Column(1), (Strings{"10.0.0.3", "10.0.0.2", "10.0.0.1"}));

    harness.Type(IDC_ADDRESS, "ZULU");
    harness.Click(IDC_UPDATE);
    EXPECT_EQ(harness.Engine().CountCalls("AddSpecificController"), 0) << "matched by its listed name";
    EXPECT_EQ(harness.Stored("IPAddress"), "ZULU");
}

TEST_F(ScanTest, RefreshListClearsAndScansAgain)
{
    harness.Engine().table = {{"10.0.0.1", "alpha"}};
    harness.localAddresses = {"10.1.2.3"};
    harness.Open();
    harness.ClickRow(0);
    ASSERT_TRUE(harness.Enabled(IDC_UPDATE));

    harness.Click(IDC_REFRESH_LIST);
    EXPECT_EQ(harness.List().GetItemCount(), 0);
    EXPECT_EQ(harness.Text(IDC_ADDRESS), "");
    EXPECT_FALSE(harness.Enabled(IDC_UPDATE));
    EXPECT_TRUE(Scanning());
    EXPECT_EQ(Broadcasts(), 1);

    // A controller seen before the refresh is listed again after it.
    harness.Engine().arrivals = {{{"10.0.0.1", "alpha"}}};
    harness.Tick();
    EXPECT_EQ(harness.Column(1), (Strings{"10.0.0.1"}));
}

TEST_F(ScanTest, NoLocalAddressesStillRunsToTimeout)
{
    harness.localAddresses = {};
    harness.Open();
    EXPECT_EQ(Broadcasts(), 0);
    EXPECT_TRUE(Scanning());
    harness.Tick(milliseconds(30001));
    EXPECT_FALSE(Scanning());
}

}  // namespace
