// The rules of the discovery scan as plain calls: broadcast addresses, tick decisions,
// which engine entries become rows, and the name order.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>

#include "FakeEngine.h"
#include "discovery/AddressRanges.h"
#include "discovery/ControllerScan.h"
#include "discovery/LocalNetworks.h"

using namespace cc;

namespace {

using Strings = std::vector<std::string>;

TEST(NetworkPrefixTest, ClassfulPrefixesAndTheirBroadcastAddresses)
{
    const struct {
        const char* address;
        const char* prefix;
        const char* broadcast;
    } cases[] = {
        {"10.1.2.3", "10", "10.255.255.255"},
        {"126.0.0.1", "126", "126.255.255.255"},
        {"1.2.3.4", "1", "1.255.255.255"},
        {"128.5.6.7", "128.5", "128.5.255.255"},
        {"172.16.5.4", "172.16", "172.16.255.255"},
        {"191.255.1.1", "191.255", "191.255.255.255"},
        {"192.168.7.9", "192.168.7", "192.168.7.255"},
        {"223.1.2.3", "223.1.2", "223.1.2.255"},
        {"0.1.2.3", "0.1.2.3", "0.1.2.3"},
        {"127.0.0.1", "127.0.0.1", "127.0.0.1"},
        {"224.0.0.1", "224.0.0.1", "224.0.0.1"},
        {"255.1.1.1", "255.1.1.1", "255.1.1.1"},
        {"150.7", "150.7", "150.7.255.255"},
        {"200.1.2", "200.1.2", "200.1.2.255"},
        {"200.1", "200.1", "200.1.255.255"},
        {"localhost", "", ".255.255.255.255"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetNetworkPrefix(c.address), c.prefix) << c.address;
        EXPECT_EQ(CompleteBroadcastAddress(GetNetworkPrefix(c.address)), c.broadcast) << c.address;
    }
}

TEST(NetworkPrefixTest, CompletionCountsDotSeparatedParts)
{
    EXPECT_EQ(CompleteBroadcastAddress("10..5"), "10..5.255.255");
    EXPECT_EQ(CompleteBroadcastAddress(".10"), ".10.255.255.255");
    EXPECT_EQ(CompleteBroadcastAddress("1.2.3.4.5"), "1.2.3.4.5");
}

TEST(DecideScanStep, NewsFirstThenStrictTimeOutThenStrictQuietInterval)
{
    using std::chrono::milliseconds;
    const ScanTime start{std::chrono::hours(1)};
    const struct {
        bool news;
        milliseconds sinceStart;
        milliseconds sinceNews;
        ScanStep step;
    } cases[] = {
        {true, milliseconds(45000), milliseconds(45000), ScanStep::FillAndSort},
        {false, milliseconds(30000), milliseconds(1000), ScanStep::Wait},
        {false, milliseconds(30001), milliseconds(1000), ScanStep::StopAndSort},
        {false, milliseconds(3000), milliseconds(3000), ScanStep::Wait},
        {false, milliseconds(3001), milliseconds(3001), ScanStep::Rebroadcast},
        {false, milliseconds(30000), milliseconds(30000), ScanStep::Rebroadcast},
    };
    for (const auto& c : cases) {
        const ScanTime now = start + c.sinceStart;
        EXPECT_EQ(DecideScanStep(c.news, now, start, now - c.sinceNews, std::chrono::seconds(30)), c.step)
            << c.news << " " << c.sinceStart.count() << " " << c.sinceNews.count();
    }
}

TEST(ChangedControllerRows, NewRowsSkipLoopbackMembersAndRepeatsAndListedRowsReportRenames)
{
    FakeEngine engine;
    engine.table = {{"127.0.0.1", "self"}, {"10.0.0.1", "ctl"},    {"10.0.0.2", "member", true}, {"10.0.0.1", "again"},
                    {"10.0.0.3", "other"}, {"10.0.0.4", "listed"}, {"10.0.0.5", "zulu"},         {"10.0.0.6", "Case"}};
    const std::map<std::string, std::string> shown = {
        {"10.0.0.4", "listed"}, {"10.0.0.5", "yankee"}, {"10.0.0.6", "case"}};
    const ControllerRowChanges changes = ChangedControllerRows(engine, [&shown](const std::string& address) {
        const auto row = shown.find(address);
        return row == shown.end() ? nullptr : &row->second;
    });
    ASSERT_EQ(changes.added.size(), 2u);
    EXPECT_EQ(changes.added[0].engineIndex, 1);
    EXPECT_EQ(changes.added[0].hostName, "ctl");
    EXPECT_EQ(changes.added[1].engineIndex, 4);
    EXPECT_EQ(changes.added[1].address, "10.0.0.3");
    ASSERT_EQ(changes.renamed.size(), 2u) << "a row showing the engine's name is not renamed";
    EXPECT_EQ(changes.renamed[0].engineIndex, 6);
    EXPECT_EQ(changes.renamed[0].hostName, "zulu");
    EXPECT_EQ(changes.renamed[1].hostName, "Case") << "a change of case is shown too";
}

TEST(CompareHostNames, IgnoresCaseButComparesBytes)
{
    Strings names = {"beta", "Gamma", "ALPHA", "a_b", "azb"};
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return CompareHostNames(a, b) < 0; });
    EXPECT_EQ(names, (Strings{"ALPHA", "azb", "a_b", "beta", "Gamma"}));
    EXPECT_EQ(CompareHostNames("Alpha", "aLPHA"), 0);
    EXPECT_LT(CompareHostNames("ups", "UPS-2"), 0) << "a prefix sorts first";
    EXPECT_GT(CompareHostNames("\xe9t\xe9", "zulu"), 0) << "bytes above 0x7f compare unsigned";
}

}  // namespace

TEST(ParseAddressRange, NetworksRangesAndSingleAddresses)
{
    const struct {
        const char* text;
        std::uint32_t first;
        std::uint32_t last;
    } cases[] = {
        {"10.1.0.0/16", 0x0A010000, 0x0A01FFFF},
        {"10.1.2.3/16", 0x0A010000, 0x0A01FFFF},
        {"10.1.2.10-10.1.2.200", 0x0A01020A, 0x0A0102C8},
        {"192.168.1.7", 0xC0A80107, 0xC0A80107},
        {"0.0.0.0/0", 0, 0xFFFFFFFF},
        {"0.0.0.0/31", 0, 1},
        {"255.255.255.254-255.255.255.255", 0xFFFFFFFE, 0xFFFFFFFF},
        {"10.9.9.9/32", 0x0A090909, 0x0A090909},
    };
    for (const auto& c : cases) {
        const Parsed<NRAddressRange> parsed = ParseAddressRange(c.text);
        ASSERT_TRUE(parsed.value) << c.text << ": " << parsed.error;
        EXPECT_EQ(parsed.value->first, c.first) << c.text;
        EXPECT_EQ(parsed.value->last, c.last) << c.text;
    }
    EXPECT_EQ(NRAddressCount({{0x0A010000, 0x0A01FFFF}, {1, 1}}), 65537u);
    // Overlapping and adjacent ranges are swept, and counted, once.
    EXPECT_EQ(NRSweptAddressCount({{0x7F000000, 0x7F00FFFF}, {0x7F000000, 0x7F00FFFF}}), 65536u);
    EXPECT_EQ(NRSweptAddressCount({{0x7F000000, 0x7F0000FF}, {0x7F000080, 0x7F00017F}, {0x7F000180, 0x7F000180}}),
              0x181u);
    // The last four hold only addresses a sweep never queries.
    for (const char* text : {"", "10.1.2", "10.1.2.3.4", "1.2.3.256", "10.0.0.0/", "10.0.0.0/x", "a.b.c.d", "1.2.3.4-",
                             " 1.2.3.4", "10.1.2.03", "010.1.2.0/16", "10.1.2.1-10.1.2.010", "255.255.255.255",
                             "0.0.0.0/32", "0.0.0.0", "255.255.255.255-255.255.255.255"}) {
        const Parsed<NRAddressRange> parsed = ParseAddressRange(text);
        EXPECT_FALSE(parsed.value) << '"' << text << '"';
        EXPECT_FALSE(parsed.error.empty());
    }
}

TEST(DottedFormOf, OnlyFourDecimalPartsWithoutLeadingZerosAreAnAddress)
{
    const struct {
        const char* text;
        DottedForm form;
    } cases[] = {
        {"127.0.0.10", DottedForm::Canonical},  {"127.0.0.010", DottedForm::LeadingZero},
        {"010.0.0.1", DottedForm::LeadingZero}, {"127.0.0.0999", DottedForm::LeadingZero},
        {"127.0.0.256", DottedForm::NotDotted}, {"127.0.10", DottedForm::NotDotted},
        {"127.0.0.1.", DottedForm::NotDotted},  {"ups-lobby", DottedForm::NotDotted},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DottedFormOf(c.text), c.form) << c.text;
    EXPECT_EQ(ResolveToDottedAddress("localhost"), "127.0.0.1");
    EXPECT_EQ(ResolveToDottedAddress("127.0.0.010"), std::nullopt) << "no reader's guess is taken";
}
