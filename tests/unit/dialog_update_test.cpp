// Update: resolving the typed text through the list or the library, applying it, and the
// messages of every outcome, against the real dialog and a fake engine.
#include <gtest/gtest.h>

#include <stdexcept>

#include "DialogHarness.h"
#include "apply/Exceptions.h"
#include "framework/App.h"

using namespace cc;

namespace {

using Strings = std::vector<std::string>;

const char kSucceeded[] = "Updating the Host Controller settings was successful";
const char kRestartFailed[] =
    "Unable to restart Service, Please restart the Norrin Glassway Service to reflect the changes";
const char kAppTitle[] = "Norrin Glassway";

std::string CouldNotFind(const std::string& text)
{
    return "Could not find Controller: " + text +
           ". The hostname/IP \naddress is incorrect or the Controller is offline.";
}

class UpdateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(harness.directory.InstallStandInService());
        harness.onMessage = [this] { pleaseWaitOpenAtMessage |= ::FindWindowA(nullptr, "Please Wait") != nullptr; };
    }

    // Lists the given controllers through one scan tick; the scan goes on afterwards.
    void ListByScan(std::vector<FakeEntry> entries)
    {
        harness.Open();
        harness.Engine().arrivals = {std::move(entries)};
        harness.Tick();
    }

    void Update(const std::string& typed)
    {
        harness.Type(IDC_ADDRESS, typed);
        harness.Click(IDC_UPDATE);
    }

    bool Scanning() { return !harness.Enabled(IDC_REFRESH_LIST); }
    UINT RowState(int row) { return harness.List().GetItemState(row, LVIS_SELECTED | LVIS_FOCUSED); }
    int SelectedRows()
    {
        int selected = 0;
        for (int row = 0; row < harness.List().GetItemCount(); ++row)
            selected += (harness.List().GetItemState(row, LVIS_SELECTED) != 0);
        return selected;
    }
    void ExpectMessages(const std::vector<ShownMessage>& expected)
    {
        ASSERT_EQ(harness.messages.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(harness.messages[i].text, expected[i].text)
                << "message " << i << "; " << harness.launchFailures.Text();
            EXPECT_EQ(harness.messages[i].caption, expected[i].caption) << "message " << i;
            EXPECT_EQ(harness.messageOwners[i], harness.dialog->m_hWnd);
        }
    }
    void ExpectNothingApplied()
    {
        EXPECT_EQ(harness.Stored("Reset"), "0");
        EXPECT_EQ(harness.Stored("IPAddress"), "<missing>");
        EXPECT_FALSE(FileExists(harness.directory.File("NorrinGlasswayService.log")));
    }
    // After every outcome: Update disabled, no please-wait window, the dialog usable.
    void ExpectSettled()
    {
        EXPECT_FALSE(harness.Enabled(IDC_UPDATE));
        EXPECT_EQ(::FindWindowA(nullptr, "Please Wait"), nullptr);
        EXPECT_TRUE(::IsWindowEnabled(harness.dialog->m_hWnd));
        EXPECT_FALSE(pleaseWaitOpenAtMessage) << "a message was shown over a please-wait window";
    }

    DialogHarness harness;
    bool pleaseWaitOpenAtMessage = false;
};

TEST_F(UpdateTest, ListedNameInOtherCaseIsAppliedAsTypedWithoutLibrary)
{
    ListByScan({{"10.0.0.1", "Alpha"}, {"10.0.0.2", "beta"}});
    ASSERT_TRUE(Scanning());

    Update("ALPHA");

    EXPECT_EQ(harness.Engine().CountCalls("AddSpecificController"), 0);
    EXPECT_EQ(RowState(0), UINT(LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_TRUE(Scanning()) << "a name found in the list leaves the scan running";
    EXPECT_EQ(harness.Stored("IPAddress"), "ALPHA");
    EXPECT_EQ(harness.Stored("Reset"), "1");
    EXPECT_EQ(harness.Stored("RefreshRate"), "20000");
    ExpectMessages({{kSucceeded, kAppTitle}});
    ExpectSettled();
}

TEST_F(UpdateTest, LibraryAddressThatRowCarriesSelectsItAndStopsScan)
{
    ListByScan({{"10.0.0.1", "alpha"}, {"10.0.0.2", "beta"}});
    harness.Engine().addSpecific = [](const std::string& text) { return text; };

    Update("10.0.0.2");

    EXPECT_EQ(harness.Engine().CountCalls("AddSpecificController 10.0.0.2"), 1);
    EXPECT_EQ(RowState(1), UINT(LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_EQ(SelectedRows(), 1);
    EXPECT_FALSE(Scanning());
    EXPECT_EQ(harness.Stored("IPAddress"), "10.0.0.2");
    ExpectMessages({{kSucceeded, kAppTitle}});
    ExpectSettled();
}

TEST_F(UpdateTest, LibraryAnswerForUnlistedNameIsListedAndSelected)
{
    ListByScan({{"10.0.0.1", "alpha"}});
    harness.Engine().addSpecific = [this](const std::string&) {
        harness.Engine().table.push_back({"10.0.0.9", "far-away"});
        return std::string("10.0.0.9");
    };

    Update("far-away.example");

    EXPECT_EQ(harness.Column(0), (Strings{"alpha", "far-away"}));
    EXPECT_EQ(RowState(1), UINT(LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_EQ(harness.Stored("IPAddress"), "far-away.example") << "the settings get the text as typed";
    ExpectMessages({{kSucceeded, kAppTitle}});
    ExpectSettled();
}

// The local host's own address is never listed, yet the library found a controller
// there: one Update, one verdict.
TEST_F(UpdateTest, LibraryAddressThatNoRowCarriesIsAppliedWithOnlyTheResult)
{
    ListByScan({{"10.0.0.1", "alpha"}});
    harness.List().SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    harness.Engine().addSpecific = [](const std::string&) { return std::string("127.0.0.1"); };

    Update("127.0.0.1");

    EXPECT_EQ(SelectedRows(), 0);
    EXPECT_EQ(RowState(0), 0u);
    EXPECT_EQ(harness.Stored("IPAddress"), "127.0.0.1");
    ExpectMessages({{kSucceeded, kAppTitle}});
    ExpectSettled();
}

TEST_F(UpdateTest, BlanksAroundTheTypedTextAreNoPartOfIt)
{
    ListByScan({{"127.0.0.2", "ups-lobby"}});
    harness.Engine().addSpecific = [](const std::string& text) { return text; };

    for (const auto& [typed, stored] :
         {std::pair{"127.0.0.2 ", "127.0.0.2"}, std::pair{" \tups-lobby\t ", "ups-lobby"}}) {
        SCOPED_TRACE(typed);
        harness.messages.clear();
        harness.messageOwners.clear();
        Update(typed);
        EXPECT_EQ(harness.Stored("IPAddress"), stored);
        ExpectMessages({{kSucceeded, kAppTitle}});
    }
    EXPECT_EQ(harness.Engine().CountCalls("AddSpecificController 127.0.0.2"), 1) << "the address is looked up trimmed";
}

// A node may call itself by a dotted address it does not answer from: typed, that text
// is the address to query, not the node's name.
TEST_F(UpdateTest, AnAddressIsNeverMatchedAgainstHostNames)
{
    ListByScan({{"127.0.0.66", "127.0.0.77"}});

    Update("127.0.0.77");

    EXPECT_EQ(harness.Engine().calls.back(), "AddSpecificController 127.0.0.77");
    ExpectMessages({{"That Controller 127.0.0.77 not found", fw::AfxGetAppName()},
                    {CouldNotFind("127.0.0.77"), "Controller Not Found"}});
    ExpectNothingApplied();
}

TEST_F(UpdateTest, EmptyLibraryAnswerReportsTwiceAndAppliesNothing)
{
    ListByScan({{"10.0.0.1", "alpha"}});

    Update("nobody");

    ExpectMessages(
        {{"That Controller nobody not found", fw::AfxGetAppName()}, {CouldNotFind("nobody"), "Controller Not Found"}});
    EXPECT_TRUE(Scanning()) << "the scan is left as it was";
    ExpectNothingApplied();
    ExpectSettled();
}

TEST_F(UpdateTest, DottedAddressWithALeadingZeroIsNotFoundWithoutAQuery)
{
    ListByScan({{"127.0.0.10", "alpha"}, {"127.0.0.8", "127.0.0.010"}});
    harness.Engine().addSpecific = [](const std::string& text) { return text; };

    Update("127.0.0.010");

    ExpectMessages({{"That Controller 127.0.0.010 not found", fw::AfxGetAppName()},
                    {CouldNotFind("127.0.0.010"), "Controller Not Found"}});
    EXPECT_EQ(harness.Engine().CountCalls("AddSpecificController"), 0);
    EXPECT_EQ(SelectedRows(), 0);
    ExpectNothingApplied();
    ExpectSettled();
}

TEST_F(UpdateTest, MemberNodeIsReportedThenNotFound)
{
    ListByScan({{"10.0.0.1", "alpha"}});
    harness.Engine().addSpecific = [](const std::string&) -> std::string {
        throw ExceptionMemberFound(1, "member", "10.0.0.1");
    };

    Update("10.0.0.77");

    ExpectMessages(
        {{"Members cannot be opened directly. Enter respective controller IP Address.", "Controller Will Be Selected"},
         {CouldNotFind("10.0.0.77"), "Controller Not Found"}});
    EXPECT_EQ(SelectedRows(), 0);
    ExpectNothingApplied();
    ExpectSettled();
}

TEST_F(UpdateTest, CommunicationsFailureShowsTheSameBoxTwice)
{
    harness.Open();
    harness.Engine().addSpecific = [](const std::string&) -> std::string {
        throw ExceptionCommunicationsError(2, "socket");
    };

    Update("10.0.0.66");

    ExpectMessages(
        {{CouldNotFind("10.0.0.66"), "Controller Not Found"}, {CouldNotFind("10.0.0.66"), "Controller Not Found"}});
    ExpectNothingApplied();
    ExpectSettled();
}

TEST_F(UpdateTest, PrefixOfListedNameGoesToLibrary)
{
    ListByScan({{"10.0.0.1", "alphabet"}});
    Update("alpha");
    EXPECT_EQ(harness.Engine().CountCalls("AddSpecificController alpha"), 1);
}

TEST_F(UpdateTest, TwoRowsWithOneNameSelectTheUpper)
{
    ListByScan({{"10.0.0.1", "twin"}, {"10.0.0.2", "twin"}});
    Update("TWIN");
    EXPECT_EQ(RowState(0), UINT(LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_EQ(harness.List().GetItemState(1, LVIS_SELECTED), 0u);
}

TEST_F(UpdateTest, EmptyListSendsEveryTextToLibrary)
{
    harness.Open();
    Update("alpha");
    Update("10.1.1.1");
    EXPECT_EQ(harness.Engine().CountCalls("AddSpecificController"), 2);
}

TEST_F(UpdateTest, PleaseWaitCoversTheLibraryCallWithParentDisabled)
{
    harness.Open();
    bool shownDuringCall = false;
    bool parentDisabledDuringCall = false;
    harness.Engine().addSpecific = [&](const std::string&) {
        HWND window = ::FindWindowA(nullptr, "Please Wait");
        shownDuringCall = window != nullptr;
        parentDisabledDuringCall = !::IsWindowEnabled(harness.dialog->m_hWnd);
        return std::string();
    };
    Update("x");
    EXPECT_TRUE(shownDuringCall);
    EXPECT_TRUE(parentDisabledDuringCall);
    ExpectSettled();
}

TEST_F(UpdateTest, TypedTextIsShownLiterallyInMessages)
{
    harness.Open();
    const std::string typed = "%s%n%d %% " + std::string(600, 'x');
    Update(typed);
    ExpectMessages({{"That Controller " + typed + " not found", fw::AfxGetAppName()},
                    {CouldNotFind(typed), "Controller Not Found"}});
}

TEST_F(UpdateTest, FailedRestartIsReportedAfterSettingsAreWritten)
{
    ListByScan({{"10.0.0.1", "alpha"}});
    ::DeleteFileA(harness.directory.File("NorrinGlasswayService.exe").c_str());
    harness.Type(IDC_REFRESH_RATE, "45");

    Update("alpha");

    EXPECT_EQ(harness.Stored("IPAddress"), "alpha");
    EXPECT_EQ(harness.Stored("RefreshRate"), "45000");
    ExpectMessages({{kRestartFailed, kAppTitle}});
    EXPECT_EQ(harness.launchFailures.errors, std::vector<DWORD>{ERROR_FILE_NOT_FOUND}) << "only the stop was tried";
    ExpectSettled();
}

TEST_F(UpdateTest, TypedRefreshRateIsStoredWithinTheSpinsBounds)
{
    ListByScan({{"10.0.0.1", "alpha"}});
    const struct {
        const char* typed;
        const char* stored;
        const char* shownAfter;
    } cases[] = {
        {"", "20000", "20"},
        {"abc", "20000", "20"},
        {"0", "20000", "20"},
        {"-5", "20000", "20"},
        {"19", "20000", "20"},
        {"20", "20000", "20"},
        {"45", "45000", "45"},
        {"86400", "86400000", "86400"},
        {"86401", "86400000", "86400"},
        {"999999999", "86400000", "86400"},
    };
    for (const auto& c : cases) {
        harness.messages.clear();
        harness.Type(IDC_REFRESH_RATE, c.typed);
        Update("alpha");
        EXPECT_EQ(harness.Stored("RefreshRate"), c.stored) << '"' << c.typed << '"';
        EXPECT_NE(ReadWholeFile(harness.directory.DataFile("refreshRate.xml")).find(std::string(">") + c.stored + "<"),
                  std::string::npos);
        EXPECT_EQ(harness.Text(IDC_REFRESH_RATE), c.shownAfter) << '"' << c.typed << '"';
        ExpectMessages({{kSucceeded, kAppTitle}});
        ExpectSettled();
    }
}

TEST_F(UpdateTest, UnsavedSettingsAreReportedAndTheServiceIsLeftAlone)
{
    // A directory in the settings file's place: no profile write can succeed, also
    // under Wine as root, where a read-only attribute would not stop them.
    ASSERT_TRUE(::CreateDirectoryA(harness.directory.File("GlasswayConfig.ini").c_str(), nullptr));
    harness.directory.CreateCachedDataFiles();
    ListByScan({{"10.0.0.1", "alpha"}});

    Update("alpha");

    ExpectMessages(
        {{"The Host Controller settings could not be saved to " + harness.directory.File("GlasswayConfig.ini") +
              ". The Norrin Glassway Service was not restarted.",
          kAppTitle}});
    EXPECT_FALSE(FileExists(harness.directory.File("NorrinGlasswayService.log")));
    EXPECT_EQ(harness.directory.CachedDataFilesPresent().size(), 3u);
    ExpectSettled();
}

TEST_F(UpdateTest, DoubleClickOnRowAppliesItsAddressOnce)
{
    ListByScan({{"10.0.0.1", "alpha"}, {"10.0.0.2", "beta"}});
    harness.Engine().addSpecific = [](const std::string& text) { return text; };

    harness.ClickRow(1, NM_DBLCLK);

    EXPECT_EQ(harness.Text(IDC_ADDRESS), "10.0.0.2");
    EXPECT_EQ(harness.Engine().CountCalls("AddSpecificController"), 1);
    EXPECT_EQ(harness.Stored("IPAddress"), "10.0.0.2");
    ExpectMessages({{kSucceeded, kAppTitle}});
    ExpectSettled();
}

TEST_F(UpdateTest, UnexpectedLibraryErrorEndsInErrorBoxNotCrash)
{
    harness.Open();
    harness.Engine().addSpecific = [](const std::string&) -> std::string { throw std::runtime_error("engine broke"); };

    Update("alpha");

    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_NE(harness.messages[0].text.find("engine broke"), std::string::npos);
    ExpectNothingApplied();
    ExpectSettled();
}

}  // namespace
