// The engine's table and answer queue, the nonce book, the broadcast plan and the
// sweep plan: the parts of the engine that need no socket.
#include <gtest/gtest.h>

#include "BroadcastPlan.h"
#include "ControllerTable.h"
#include "NonceBook.h"
#include "SweepPlan.h"
#include "nrcore/NRController.h"

using namespace nrcore;

namespace {

NodeInfo Node(std::uint32_t address, const std::string& name, bool member = false)
{
    NodeInfo node;
    node.address = address;
    node.hostName = name;
    node.member = member;
    node.controllerAddress = member ? 0x7F000002u : 0;
    return node;
}

// Marks of an answer to a broadcast of `round`; NoScan() for a poll or one-node answer.
ScanMarks Round(std::uint64_t round)
{
    return ScanMarks{round, 0};
}
ScanMarks NoScan()
{
    return ScanMarks{};
}

}  // namespace

TEST(ControllerTable, QueuedAnswersReachTheTableOnlyOnTakeIn)
{
    ControllerTable table;
    ASSERT_TRUE(table.Queue(Node(1, "a"), NoScan()));
    ASSERT_TRUE(table.Queue(Node(2, "b"), NoScan()));
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_TRUE(table.TakeIn());
    ASSERT_EQ(table.Count(), 2u);
    EXPECT_EQ(table.At(0)->hostName, "a");
    EXPECT_EQ(table.At(1)->hostName, "b");
    EXPECT_EQ(table.At(2), nullptr);
    EXPECT_EQ(table.At(-1), nullptr);
    EXPECT_FALSE(table.TakeIn()) << "an empty queue brings no news";
}

TEST(ControllerTable, OneEntryPerNodeAndOnlyRealChangesAreNews)
{
    ControllerTable table;
    table.Queue(Node(1, "a"), NoScan());
    table.Queue(Node(1, "a-later"), NoScan());
    table.Queue(Node(2, "b"), NoScan());
    ASSERT_TRUE(table.TakeIn());
    ASSERT_EQ(table.Count(), 2u);
    EXPECT_EQ(table.At(0)->hostName, "a-later");

    table.Queue(Node(1, "a-later"), NoScan());
    table.Queue(Node(2, "b"), NoScan());
    EXPECT_FALSE(table.TakeIn()) << "the same answers again change nothing";

    table.Queue(Node(2, "b", true), NoScan());
    EXPECT_TRUE(table.TakeIn());
    EXPECT_EQ(table.Count(), 2u);
    EXPECT_TRUE(table.At(1)->member) << "an entry keeps its index when it changes";
}

TEST(ControllerTable, CapacityBoundsTableAndQueue)
{
    ControllerTable table(3);
    for (std::uint32_t address = 1; address <= 3; ++address)
        EXPECT_TRUE(table.Queue(Node(address, "n"), NoScan()));
    EXPECT_FALSE(table.Queue(Node(4, "n"), NoScan()));
    EXPECT_TRUE(table.Queue(Node(2, "renamed"), NoScan())) << "a queued node may still be replaced";
    table.TakeIn();
    table.Queue(Node(5, "n"), NoScan());
    EXPECT_FALSE(table.TakeIn()) << "a full table takes no new node";
    EXPECT_EQ(table.Count(), 3u);
    bool changed = false;
    EXPECT_EQ(table.Put(Node(6, "n"), NoScan(), changed), -1);
    EXPECT_EQ(table.Put(Node(2, "again"), NoScan(), changed), 1);
    EXPECT_TRUE(changed);
}

TEST(ControllerTable, ClearRequeuesOnlyTheChosenRoundsAnswers)
{
    ControllerTable table;
    table.Queue(Node(1, "old-scan"), Round(10));
    table.Queue(Node(2, "this-scan"), Round(20));
    table.Queue(Node(4, "this-scan-too"), Round(20));
    table.TakeIn();
    table.Queue(Node(3, "queued"), Round(10));
    table.Queue(Node(2, "this-scan-newer"), NoScan());

    const auto isRound20 = [](const ScanMarks& marks) { return marks.broadcastRound == 20; };
    table.Clear(isRound20);
    EXPECT_EQ(table.Count(), 0u);
    ASSERT_TRUE(table.TakeIn());
    ASSERT_EQ(table.Count(), 3u);
    EXPECT_EQ(table.At(0)->hostName, "this-scan-newer") << "a newer queued answer takes the entry's place";
    EXPECT_EQ(table.At(1)->hostName, "this-scan-too");
    EXPECT_EQ(table.At(2)->hostName, "queued") << "queued answers still count";

    table.Clear(isRound20);
    ASSERT_TRUE(table.TakeIn()) << "the marks of the replaced entry went along with the newer answer";
    EXPECT_EQ(table.Count(), 2u);

    table.Clear([](const ScanMarks&) { return false; });
    EXPECT_FALSE(table.TakeIn());
    EXPECT_EQ(table.Count(), 0u);
}

TEST(ControllerTable, LaterAnswersOfANodeDoNotTakeItsRoundAway)
{
    ControllerTable table;
    const auto isRound7 = [](const ScanMarks& marks) { return marks.broadcastRound == 7; };
    table.Queue(Node(1, "a"), Round(7));
    table.TakeIn();
    table.Queue(Node(1, "a-polled"), NoScan());
    table.TakeIn();
    bool changed = false;
    table.Put(Node(1, "a-asked"), NoScan(), changed);
    table.Queue(Node(1, "a-late"), Round(6));
    table.TakeIn();

    table.Clear(isRound7);
    ASSERT_TRUE(table.TakeIn()) << "the broadcast answer was dropped by later answers of the node";
    ASSERT_EQ(table.Count(), 1u);
    EXPECT_EQ(table.At(0)->hostName, "a-late") << "the entry shows the newest answer";
}

TEST(ControllerTable, ClearKeepsTheQueueWithinTheCapacity)
{
    ControllerTable table(3);
    table.Queue(Node(1, "scan"), Round(5));
    table.Queue(Node(2, "scan"), Round(5));
    table.TakeIn();
    for (std::uint32_t address = 3; address <= 5; ++address)
        ASSERT_TRUE(table.Queue(Node(address, "queued"), NoScan()));

    table.Clear([](const ScanMarks& marks) { return marks.broadcastRound == 5; });
    EXPECT_FALSE(table.Queue(Node(6, "later"), NoScan())) << "the queue is full";
    table.TakeIn();
    const std::vector<std::uint32_t> kept{1, 2, 3};
    EXPECT_EQ(table.Addresses(), kept) << "the scan's entries first, then the queue's oldest answers";
}

TEST(NonceBook, KnowsLiveRequestsOnly)
{
    using Clock = NonceBook::Clock;
    NonceBook book(std::chrono::seconds(10), 3);
    const Clock::time_point start = Clock::now();
    book.Add(1, RequestKind::Broadcast, start);
    book.Add(2, RequestKind::Specific, start);
    EXPECT_EQ(book.Find(1, start), RequestKind::Broadcast);
    EXPECT_EQ(book.Find(2, start + std::chrono::seconds(10)), RequestKind::Specific);
    EXPECT_FALSE(book.Find(2, start + std::chrono::seconds(11)).has_value()) << "expired";
    EXPECT_FALSE(book.Find(7, start).has_value()) << "never sent";

    book.Add(3, RequestKind::Poll, start);
    book.Add(4, RequestKind::Poll, start);
    EXPECT_FALSE(book.Find(1, start).has_value()) << "the oldest is forgotten beyond the capacity";
    EXPECT_EQ(book.Find(4, start), RequestKind::Poll);
}

TEST(BroadcastPlan, ClassfulMaskFollowsTheAddressClass)
{
    EXPECT_EQ(NRClassfulMask(0x0A000001u), 0xFF000000u);  // 10.0.0.1
    EXPECT_EQ(NRClassfulMask(0x7EFFFFFFu), 0xFF000000u);  // 126.255.255.255
    EXPECT_EQ(NRClassfulMask(0x80000000u), 0xFFFF0000u);  // 128.0.0.0
    EXPECT_EQ(NRClassfulMask(0xBFFFFFFFu), 0xFFFF0000u);  // 191.255.255.255
    EXPECT_EQ(NRClassfulMask(0xC0A80001u), 0xFFFFFF00u);  // 192.168.0.1
    EXPECT_EQ(NRClassfulMask(0xDFFFFFFFu), 0xFFFFFF00u);  // 223.255.255.255
    EXPECT_EQ(NRClassfulMask(0x00000001u), 0u);
    EXPECT_EQ(NRClassfulMask(0x7F000001u), 0u);
    EXPECT_EQ(NRClassfulMask(0xE0000001u), 0u);
    EXPECT_EQ(NRClassfulMask(0xFFFFFFFFu), 0u);
}

TEST(BroadcastPlan, AddsTheSubnetBroadcastOfEveryInterfaceInsideTheNetwork)
{
    const std::vector<InterfaceAddress> interfaces{
        {0x0A010203u, 0xFFFFFF00u},  // 10.1.2.3/24
        {0x0A090001u, 0xFFFF0000u},  // 10.9.0.1/16
        {0x0A010204u, 0xFFFFFF00u},  // 10.1.2.4/24, same subnet
        {0x0A000001u, 0xFF000000u},  // 10.0.0.1/8: the classful broadcast already covers it
        {0x0A050501u, 0xFFFFFFFEu},  // /31: no broadcast address
        {0x0A060601u, 0xFFFFFFFFu},  // /32
        {0xC0A80105u, 0xFFFFFF00u},  // 192.168.1.5/24, another network
        {0x7F000001u, 0xFF000000u},  // loopback
    };
    EXPECT_EQ(BroadcastTargets(0x0AFFFFFFu, interfaces),
              (std::vector<std::uint32_t>{0x0AFFFFFFu, 0x0A0102FFu, 0x0A09FFFFu}));
    EXPECT_EQ(BroadcastTargets(0xC0A801FFu, interfaces), (std::vector<std::uint32_t>{0xC0A801FFu}))
        << "a class C broadcast is already the subnet's";
    const std::vector<InterfaceAddress> classB{{0xAC100A05u, 0xFFFFFF00u}};  // 172.16.10.5/24
    EXPECT_EQ(BroadcastTargets(0xAC10FFFFu, classB), (std::vector<std::uint32_t>{0xAC10FFFFu, 0xAC100AFFu}));
}

TEST(BroadcastPlan, PlainAndLoopbackAddressesGoOnlyToThemselves)
{
    const std::vector<InterfaceAddress> interfaces{{0x0A010203u, 0xFFFFFF00u}, {0x7F000001u, 0xFF000000u}};
    EXPECT_EQ(BroadcastTargets(0x7F000001u, interfaces), (std::vector<std::uint32_t>{0x7F000001u}));
    EXPECT_EQ(BroadcastTargets(0x0A0102FFu, interfaces), (std::vector<std::uint32_t>{0x0A0102FFu}));
    EXPECT_EQ(BroadcastTargets(0x0A010203u, interfaces), (std::vector<std::uint32_t>{0x0A010203u}));
}

TEST(SweepPlan, NoncesAreSipHashOfTheAddressUnderTheSweepsKey)
{
    // The reference vector of SipHash-2-4: key 00 01 .. 0f, message 00 01 02 03.
    const SweepKey reference{0x0706050403020100ull, 0x0F0E0D0C0B0A0908ull};
    EXPECT_EQ(SweepNonce(reference, 0x00010203u), 0xCF2794E0277187B7ull);

    const SweepKey key{0x1234, 0x5678};
    const std::uint64_t nonce = SweepNonce(key, 0x7F010005u);
    EXPECT_EQ(SweepNonce(key, 0x7F010005u), nonce) << "an answer's source must verify its own query's nonce";
    EXPECT_NE(SweepNonce(key, 0x7F010006u), nonce) << "another address has another nonce";
    EXPECT_NE(SweepNonce(SweepKey{0x1234, 0x5679}, 0x7F010005u), nonce) << "another sweep has other nonces";
}

TEST(SweepPlan, RangesAreMergedAndSkipTheUnanswerableAddresses)
{
    const std::vector<NRAddressRange> swept = SweepRanges({
        {0x0A000010u, 0x0A00001Fu},
        {0x0A000000u, 0x0A000014u},  // overlaps the first
        {0x0A000020u, 0x0A000021u},  // adjacent to it
        {0x0A000100u, 0x0A0000FFu},  // first above last: empty
        {0x00000000u, 0x00000001u},
        {0xFFFFFFFEu, 0xFFFFFFFFu},
    });
    ASSERT_EQ(swept.size(), 3u);
    EXPECT_EQ(swept[0].first, 0x00000001u);
    EXPECT_EQ(swept[0].last, 0x00000001u);
    EXPECT_EQ(swept[1].first, 0x0A000000u);
    EXPECT_EQ(swept[1].last, 0x0A000021u);
    EXPECT_EQ(swept[2].first, 0xFFFFFFFEu);
    EXPECT_EQ(swept[2].last, 0xFFFFFFFEu);
    EXPECT_EQ(NRAddressCount(swept), 1u + 0x22u + 1u);
    EXPECT_EQ(NRAddressCount(SweepRanges({{0, 0xFFFFFFFFu}})), 0xFFFFFFFEull);
}
