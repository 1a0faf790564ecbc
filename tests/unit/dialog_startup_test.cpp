// The main dialog's start-up and the handlers of its fields, list and buttons, against
// real controls.
#include <gtest/gtest.h>

#include "DialogHarness.h"
#include "framework/App.h"

using namespace cc;

namespace {

class StartupTest : public ::testing::Test {
protected:
    DialogHarness harness;
};

TEST_F(StartupTest, WritesResetZeroAndChangesNothingElse)
{
    harness.WriteSettings(
        "[Other]\r\nKey=1\r\n[NorrinGlassway]\r\nReset=1\r\nIPAddress=10.0.0.5\r\nRefreshRate=30000\r\n");
    harness.Open();

    const std::string settings = harness.ReadSettings();
    EXPECT_NE(settings.find("Reset=0"), std::string::npos) << settings;
    EXPECT_EQ(settings.find("Reset=1"), std::string::npos) << settings;
    EXPECT_NE(settings.find("IPAddress=10.0.0.5"), std::string::npos);
    EXPECT_NE(settings.find("RefreshRate=30000"), std::string::npos);
    EXPECT_NE(settings.find("[Other]\r\nKey=1"), std::string::npos);
    EXPECT_EQ(harness.Text(IDC_ADDRESS), "10.0.0.5");
    EXPECT_EQ(harness.Text(IDC_REFRESH_RATE), "30");
    EXPECT_TRUE(harness.Enabled(IDC_UPDATE));
}

TEST_F(StartupTest, WithoutSettingsFileCreatesItAndShowsDefaults)
{
    harness.Open();
    EXPECT_NE(harness.ReadSettings().find("Reset=0"), std::string::npos);
    EXPECT_EQ(harness.Text(IDC_ADDRESS), "");
    EXPECT_EQ(harness.Text(IDC_REFRESH_RATE), "20");
    EXPECT_FALSE(harness.Enabled(IDC_UPDATE));
}

TEST_F(StartupTest, OutsideTheServicesFolderSaysSoWritesNothingAndEnds)
{
    ASSERT_TRUE(::DeleteFileA(harness.directory.File("NorrinGlasswayService.exe").c_str()));
    harness.dialog = std::make_unique<CChangeControllerDlg>(nullptr, harness.services);
    // A dialog that stayed open would be ended by this, with another result.
    const UINT_PTR guard = ::SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) {
        ::EndDialog(::FindWindowA(nullptr, "Norrin Glassway - Change Controller"), 99);
    });

    EXPECT_EQ(harness.dialog->DoModal(), IDCANCEL) << "the dialog ends with the box";
    ::KillTimer(nullptr, guard);

    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_EQ(harness.messages[0].text,
              "The Change Controller must be run from the Norrin Glassway Service's folder. "
              "NorrinGlasswayService.exe is not in " +
                  harness.directory.Path() + ".");
    EXPECT_EQ(harness.messages[0].caption, "Norrin Glassway");
    EXPECT_FALSE(FileExists(harness.directory.File("GlasswayConfig.ini")));
    EXPECT_EQ(harness.controllerCreatedWith, "(not created)") << "no scan is started";
}

TEST_F(StartupTest, StoredRefreshRatesShowAsWholeSeconds)
{
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {{"RefreshRate=20000", "20"}, {"RefreshRate=30000", "30"}, {"RefreshRate=1500", "1"},
                 {"RefreshRate=999", "0"},    {"RefreshRate=-1500", "-1"}, {"RefreshRate=25000ms", "25"},
                 {"RefreshRate=0", "20"},     {"RefreshRate=", "20"},      {"", "20"},
                 {"RefreshRate=abc", "20"}};
    for (const auto& c : cases) {
        DialogHarness local;
        local.WriteSettings(std::string("[NorrinGlassway]\r\n") + c.stored + "\r\n");
        local.Open();
        EXPECT_EQ(local.Text(IDC_REFRESH_RATE), c.shown) << c.stored;
    }
}

TEST_F(StartupTest, LongStoredAddressIsCutTo254Characters)
{
    harness.WriteSettings("[NorrinGlassway]\r\nIPAddress=" + std::string(300, 'h') + "\r\n");
    harness.Open();
    EXPECT_EQ(harness.Text(IDC_ADDRESS), std::string(254, 'h'));
}

TEST_F(StartupTest, ControllerObjectGetsTheLocalHostsFirstAddress)
{
    harness.localAddresses = {"10.1.2.3", "192.168.7.9"};
    int lookUps = 0;
    harness.services.localAddresses = [&] {
        ++lookUps;
        return harness.localAddresses;
    };
    harness.Open();
    EXPECT_EQ(harness.controllerCreatedWith, "10.1.2.3");
    EXPECT_EQ(lookUps, 1) << "the controller object and the scan share one look-up";
}

TEST_F(StartupTest, ControllerObjectEndsWithTheDialogAndTheFinderWithIt)
{
    class WatchedController : public FakeController {
    public:
        explicit WatchedController(bool& ended) : m_ended(ended) {}
        ~WatchedController() override { m_ended = true; }

    private:
        bool& m_ended;
    };
    bool ended = false;
    harness.services.createController = [&ended](const std::string&) {
        return std::make_unique<WatchedController>(ended);
    };
    harness.Open();
    ASSERT_FALSE(ended);
    ASSERT_NE(ControllerFinder, nullptr);

    harness.dialog.reset();

    EXPECT_TRUE(ended);
    EXPECT_EQ(ControllerFinder, nullptr) << "the global finder would point into a freed engine";
}

TEST_F(StartupTest, ListHasGridFullRowSelectAndTwoColumns)
{
    harness.Open();
    const DWORD extended = harness.List().GetExtendedStyle();
    EXPECT_EQ(extended & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT), DWORD(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));

    HWND header = reinterpret_cast<HWND>(harness.List().SendMessage(LVM_GETHEADER));
    ASSERT_EQ(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 2);
    char title[64] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    column.pszText = title;
    column.cchTextMax = sizeof title;
    harness.List().SendMessage(LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(title, "Name");
    harness.List().SendMessage(LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(title, "IP Address");
}

TEST_F(StartupTest, ColumnWidthsLeaveRoomForScrollBarAndFitWidestAddress)
{
    // A full list keeps the scroll bar's room (no widening at the end of the scan).
    for (int i = 0; i < 40; ++i)
        harness.Engine().table.push_back({"10.0.0." + std::to_string(i + 1), "host" + std::to_string(i)});
    harness.Open();

    RECT listRect;
    ::GetWindowRect(harness.Control(IDC_LIST_CONTROLLERS), &listRect);
    const int listWidth = listRect.right - listRect.left;
    HDC dc = ::GetDC(harness.Control(IDC_LIST_CONTROLLERS));
    SIZE widest{};
    ::GetTextExtentPoint32A(dc, "255.255.255.255", 15, &widest);
    ::ReleaseDC(harness.Control(IDC_LIST_CONTROLLERS), dc);

    const int name = harness.List().GetColumnWidth(0);
    const int address = harness.List().GetColumnWidth(1);
    EXPECT_EQ(address, widest.cx - 5);
    EXPECT_EQ(name + address, listWidth - ::GetSystemMetrics(SM_CXVSCROLL) - 5);
}

TEST_F(StartupTest, UpdateFollowsTheAddressField)
{
    harness.Open();
    EXPECT_FALSE(harness.Enabled(IDC_UPDATE));
    harness.Type(IDC_ADDRESS, "h");
    EXPECT_TRUE(harness.Enabled(IDC_UPDATE));
    harness.Type(IDC_ADDRESS, "");
    EXPECT_FALSE(harness.Enabled(IDC_UPDATE));
}

TEST_F(StartupTest, RowClickCopiesAddressAndClickBelowRowsClearsIt)
{
    harness.Engine().table = {{"10.0.0.7", "alpha"}, {"10.0.0.9", "beta"}};
    harness.Open();
    ASSERT_EQ(harness.List().GetItemCount(), 2);

    harness.ClickRow(1);
    EXPECT_EQ(harness.Text(IDC_ADDRESS), "10.0.0.9");
    EXPECT_TRUE(harness.Enabled(IDC_UPDATE));

    harness.ClickRow(-1);
    EXPECT_EQ(harness.Text(IDC_ADDRESS), "");
    EXPECT_FALSE(harness.Enabled(IDC_UPDATE));
}

TEST_F(StartupTest, RowClickTakesAddressFromEngineByItemData)
{
    harness.Engine().table = {{"10.0.0.7", "zulu"}, {"10.0.0.9", "alpha"}};
    harness.Open();
    // Sorted: alpha (engine index 1) is row 0.
    harness.Engine().table[1].address = "10.0.0.99";
    harness.ClickRow(0);
    EXPECT_EQ(harness.Text(IDC_ADDRESS), "10.0.0.99");
}

TEST_F(StartupTest, DoubleClickBelowRowsOnlyClearsTheField)
{
    harness.Engine().table = {{"10.0.0.7", "alpha"}};
    harness.Open();
    harness.Type(IDC_ADDRESS, "something");
    harness.ClickRow(-1, NM_DBLCLK);
    EXPECT_EQ(harness.Text(IDC_ADDRESS), "");
    EXPECT_TRUE(harness.messages.empty());
    EXPECT_EQ(harness.Engine().CountCalls("AddSpecificController"), 0);
}

TEST_F(StartupTest, SpinStepsFollowTheTable)
{
    harness.Open();
    const struct {
        const char* before;
        int delta;
        const char* after;
    } steps[] = {{"29", -1, "30"},
                 {"30", -1, "20"},
                 {"21", 1, "20"},
                 {"20", 1, "20"},
                 {"20", -1, "21"},
                 {"22", 1, "21"},
                 {"19", -1, "20"},
                 {"x", -1, "20"},
                 {"-5", 1, "20"},
                 {"45", -1, "20"},
                 {"45", 1, "20"},
                 {"51", -1, "21"},
                 {"100", -1, "70"},
                 {"100", 1, "70"},
                 {"25", -1, "26"},
                 {"86430", -1, "86400"},
                 {"86431", 1, "86400"},
                 {"2147483647", -1, "86400"},
                 {"99999999999", 1, "86400"}};
    for (const auto& step : steps) {
        harness.Type(IDC_REFRESH_RATE, step.before);
        EXPECT_EQ(harness.Spin(step.delta), 0);
        EXPECT_EQ(harness.Text(IDC_REFRESH_RATE), step.after) << step.before << " " << step.delta;
    }
}

TEST_F(StartupTest, SpinStepEnablesUpdateEvenWithEmptyAddress)
{
    harness.Open();
    ASSERT_FALSE(harness.Enabled(IDC_UPDATE));
    harness.Spin(1);
    EXPECT_TRUE(harness.Enabled(IDC_UPDATE));
}

TEST_F(StartupTest, ZeroSpinDeltaChangesNothing)
{
    harness.Open();
    harness.Spin(0);
    EXPECT_EQ(harness.Text(IDC_REFRESH_RATE), "20");
    EXPECT_FALSE(harness.Enabled(IDC_UPDATE));
}

TEST_F(StartupTest, TypedRefreshRateIsTakenOver)
{
    harness.Open();
    ASSERT_FALSE(harness.Enabled(IDC_UPDATE));
    harness.Type(IDC_REFRESH_RATE, "45");
    EXPECT_TRUE(harness.Enabled(IDC_UPDATE)) << "a typed rate can be applied as a stepped one can";
}

TEST_F(StartupTest, CloseEndsTheModalDialogWithZero)
{
    // The close click is posted once the window exists, then the modal loop runs.
    harness.services.createController = [this](const std::string&) {
        ::PostMessageA(harness.dialog->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
        return harness.HandOverController();
    };
    harness.dialog = std::make_unique<CChangeControllerDlg>(nullptr, harness.services);
    EXPECT_EQ(harness.dialog->DoModal(), 0);
}

TEST_F(StartupTest, EscapeEndsTheModalDialog)
{
    harness.services.createController = [this](const std::string&) {
        ::PostMessageA(harness.dialog->m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return harness.HandOverController();
    };
    harness.dialog = std::make_unique<CChangeControllerDlg>(nullptr, harness.services);
    EXPECT_EQ(harness.dialog->DoModal(), IDCANCEL);
}

TEST_F(StartupTest, QueryDragIconReturnsTheMainIcon)
{
    harness.Open();
    const auto icon = reinterpret_cast<HICON>(::SendMessageA(harness.dialog->m_hWnd, WM_QUERYDRAGICON, 0, 0));
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(icon, ::LoadIconA(fw::AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME)));
}

}  // namespace
