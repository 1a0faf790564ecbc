// End to end: the dialog scans the simulated controllers for real, the operator picks
// or types one, and Update writes the settings, restarts the stand-in service and
// removes the cached files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "DialogHarness.h"
#include "SimulatorControl.h"
#include "discovery/LocalNetworks.h"
#include "nrcore/NRController.h"
#include "service_log.h"

using namespace cc;

namespace {

using Strings = std::vector<std::string>;

class UpdateEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* endpoint = std::getenv("NRSIM_CONTROL");
        ASSERT_NE(endpoint, nullptr) << "run through ctest: the simulator fixture names its control port";
        simulator = std::make_unique<SimulatorControl>(endpoint);
        ASSERT_TRUE(simulator->Run("reset"));
        ASSERT_TRUE(simulator->Run("node 127.0.0.2 ups-lobby"));
        ASSERT_TRUE(simulator->Run("node 127.0.0.3 Ups-Basement"));
        ASSERT_TRUE(simulator->Run("node 127.0.0.4 ups-attic"));
        ASSERT_TRUE(simulator->Run("member 127.0.0.5 rack-b 127.0.0.2"));

        // The real engine and the platform's own local addresses; time stays the test's.
        harness.services.createController = [](const std::string& localAddress) {
            return std::make_unique<NRController>(localAddress);
        };
        harness.services.localAddresses = LocalHostAddresses;
        ASSERT_TRUE(harness.directory.InstallStandInService());
        harness.directory.CreateCachedDataFiles();
    }

    // Opens the dialog and ticks its scan until the three controllers are listed.
    bool OpenAndScan()
    {
        harness.Open();
        return TickUntilListed(3);
    }

    void Update(const std::string& typed)
    {
        harness.Type(IDC_ADDRESS, typed);
        harness.Click(IDC_UPDATE);
    }

    // Ticks the scan until the list holds `rows` rows (each tick listens up to 100 ms).
    bool TickUntilListed(int rows)
    {
        for (int tick = 0; tick < 60 && harness.List().GetItemCount() < rows; ++tick)
            harness.Tick();
        return harness.List().GetItemCount() == rows;
    }

    std::string ServiceLog() const { return ReadWholeFile(harness.directory.File("NorrinGlasswayService.log")); }
    // The service's two launches, once both processes have logged themselves.
    std::vector<ServiceInvocation> ServiceLaunches() const { return WaitForServiceLog(harness.directory.Path(), 2); }

    std::unique_ptr<SimulatorControl> simulator;
    DialogHarness harness;
};

TEST_F(UpdateEndToEnd, ScanClickRowAndUpdateAppliesTheWholeChoice)
{
    ASSERT_TRUE(OpenAndScan());
    EXPECT_EQ(harness.Column(0), (Strings{"ups-attic", "Ups-Basement", "ups-lobby"}));
    EXPECT_EQ(harness.Column(1), (Strings{"127.0.0.4", "127.0.0.3", "127.0.0.2"}));

    harness.ClickRow(2);
    ASSERT_EQ(harness.Text(IDC_ADDRESS), "127.0.0.2");
    harness.Type(IDC_REFRESH_RATE, "25");
    harness.Click(IDC_UPDATE);

    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_EQ(harness.messages[0].text, "Updating the Host Controller settings was successful");
    EXPECT_EQ(harness.messages[0].caption, "Norrin Glassway");
    EXPECT_EQ(harness.Stored("Reset"), "1");
    EXPECT_EQ(harness.Stored("IPAddress"), "127.0.0.2");
    EXPECT_EQ(harness.Stored("RefreshRate"), "25000");
    EXPECT_NE(ReadWholeFile(harness.directory.DataFile("refreshRate.xml")).find(">25000</OBJECT>"), std::string::npos);
    const std::vector<ServiceInvocation> launches = ServiceLaunches();
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].commandLine, "\"" + harness.directory.Path() + "\\NorrinGlasswayService.exe\" -k");
    EXPECT_EQ(launches[1].commandLine, "\"" + harness.directory.Path() + "\\NorrinGlasswayService.exe\" -s");
    EXPECT_EQ(launches[1].outcome, "started");
    EXPECT_TRUE(harness.directory.CachedDataFilesPresent().empty());
    EXPECT_FALSE(harness.Enabled(IDC_UPDATE));
}

TEST_F(UpdateEndToEnd, UnlistedControllerAnsweringByUnicastIsResolvedAndApplied)
{
    ASSERT_TRUE(OpenAndScan());
    // Appears only after the scan's answers: the list does not show it.
    ASSERT_TRUE(simulator->Run("node 127.0.0.9 ups-annex"));

    Update("127.0.0.9");

    EXPECT_EQ(harness.Column(0), (Strings{"ups-annex", "ups-attic", "Ups-Basement", "ups-lobby"}));
    EXPECT_EQ(harness.List().GetItemState(0, LVIS_SELECTED), UINT(LVIS_SELECTED));
    EXPECT_TRUE(harness.Enabled(IDC_REFRESH_LIST)) << "resolving through the library ends the scan";
    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_EQ(harness.messages[0].text, "Updating the Host Controller settings was successful");
    EXPECT_EQ(harness.Stored("IPAddress"), "127.0.0.9");
    EXPECT_EQ(ServiceLaunches().size(), 2u);
}

TEST_F(UpdateEndToEnd, SilentAddressGivesFailureBoxesAndWritesNothing)
{
    ASSERT_TRUE(OpenAndScan());
    ASSERT_TRUE(simulator->Run("node 127.0.0.7 ups-quiet"));
    ASSERT_TRUE(simulator->Run("silent 127.0.0.7 on"));

    Update("127.0.0.7");

    ASSERT_EQ(harness.messages.size(), 2u);
    EXPECT_EQ(harness.messages[0].text, "That Controller 127.0.0.7 not found");
    EXPECT_EQ(harness.messages[1].caption, "Controller Not Found");
    EXPECT_EQ(harness.Stored("Reset"), "0");
    EXPECT_EQ(harness.Stored("IPAddress"), "<missing>");
    EXPECT_EQ(ServiceLog(), "<unreadable>");
    EXPECT_EQ(harness.directory.CachedDataFilesPresent().size(), 3u);
}

TEST_F(UpdateEndToEnd, MemberNodeIsRefused)
{
    ASSERT_TRUE(OpenAndScan());

    Update("127.0.0.5");

    ASSERT_EQ(harness.messages.size(), 2u);
    EXPECT_EQ(harness.messages[0].caption, "Controller Will Be Selected");
    EXPECT_EQ(harness.messages[1].caption, "Controller Not Found");
    EXPECT_EQ(harness.Stored("IPAddress"), "<missing>");
}

TEST_F(UpdateEndToEnd, RefreshListFindsControllersThatJoinedSince)
{
    ASSERT_TRUE(OpenAndScan());
    ASSERT_TRUE(simulator->Run("node 127.0.0.8 ups-new"));

    harness.Click(IDC_REFRESH_LIST);
    ASSERT_TRUE(TickUntilListed(4));
    EXPECT_EQ(harness.Column(0), (Strings{"ups-attic", "Ups-Basement", "ups-lobby", "ups-new"}));
}

}  // namespace
