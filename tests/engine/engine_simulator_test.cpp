// The real engine against the controller simulator on loopback (the simulator runs
// as a test fixture; NRSIM_CONTROL names its control port). The simulator listens on
// 127.0.0.1 and answers from its nodes' own addresses, 127.0.0.2 and up.
#include "UdpFindControllers.h"

#include <algorithm>
#include <thread>

#include "engine_support.h"

namespace nrcore {

// The engine's test hook: closes its socket under it, as a failing network stack would.
struct UdpFindControllersTestAccess {
    static void CloseSocket(NRFindControllers& engine)
    {
        UdpFindControllers& udp = dynamic_cast<UdpFindControllers&>(engine);
        std::lock_guard<std::mutex> lock(udp.m_mutex);
        closesocket(udp.m_socket);
    }
};

}  // namespace nrcore

namespace {

using namespace std::chrono_literals;

class EngineAgainstSimulator : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* endpoint = std::getenv("NRSIM_CONTROL");
        ASSERT_NE(endpoint, nullptr) << "NRSIM_CONTROL must name the simulator's control port";
        simulator = std::make_unique<SimulatorControl>(endpoint);
        ASSERT_TRUE(simulator->Run("reset")) << "the simulator does not answer on " << endpoint;
        controller = std::make_unique<NRController>("127.0.0.1");
        engine = controller->getFindControllers();
    }

    // A scan's start as the tool does it: polling off, broadcast, then clear.
    void StartScan()
    {
        engine->SuspendPoll();
        ASSERT_EQ(Broadcast(*engine, "127.0.0.1"), 1);
        engine->ClearControllerList();
    }

    bool ListenForCount(int count)
    {
        return ListenUntil(*engine, [&] { return engine->GetControllerCount() >= count; });
    }

    // Every answer of the simulator has been sent, and so lies in the engine's socket
    // or queue; a listen then takes in whatever the engine accepts.
    void DrainEverything()
    {
        ASSERT_TRUE(simulator->WaitUntilIdle(10s));
        engine->ListenForControllers(200);
    }

    std::unique_ptr<SimulatorControl> simulator;
    std::unique_ptr<NRController> controller;
    NRFindControllers* engine = nullptr;
};

const std::set<EngineEntry> kThreeAndMember{
    {"127.0.0.2", "ctl-0001", false},
    {"127.0.0.3", "ctl-0002", false},
    {"127.0.0.4", "ctl-0003", false},
    {"127.0.0.20", "member-a", true},
};

void AddThreeAndMember(SimulatorControl& simulator)
{
    ASSERT_TRUE(simulator.Run("controllers 3 127.0.0.2 ctl-"));
    ASSERT_TRUE(simulator.Run("member 127.0.0.20 member-a 127.0.0.2"));
}

}  // namespace

TEST_F(EngineAgainstSimulator, FindsThreeControllersAndAMember)
{
    AddThreeAndMember(*simulator);
    StartScan();
    EXPECT_EQ(engine->GetControllerCount(), 0);
    ASSERT_TRUE(ListenForCount(4)) << "found " << engine->GetControllerCount();
    EXPECT_EQ(TableOf(*engine), kThreeAndMember);
    EXPECT_EQ(engine->GetNodeAddress(4), "");
    EXPECT_EQ(engine->GetHostName(-1), "");
    EXPECT_EQ(engine->IsMember(99), 0);

    // The same answers again are no news.
    ASSERT_EQ(Broadcast(*engine, "127.0.0.1"), 1);
    DrainEverything();
    EXPECT_EQ(engine->ListenForControllers(100), 0);
    EXPECT_EQ(engine->GetControllerCount(), 4);
}

TEST_F(EngineAgainstSimulator, ListenReportsANewNameAsNewsAndKeepsTheIndex)
{
    AddThreeAndMember(*simulator);
    StartScan();
    ASSERT_TRUE(ListenForCount(4));
    int index = -1;
    for (int i = 0; i < 4; ++i) {
        if (engine->GetNodeAddress(i) == "127.0.0.3")
            index = i;
    }
    ASSERT_GE(index, 0);
    ASSERT_TRUE(simulator->Run("rename 127.0.0.3 renamed"));
    ASSERT_EQ(Broadcast(*engine, "127.0.0.1"), 1);
    ASSERT_TRUE(simulator->WaitUntilIdle(10s));
    EXPECT_NE(engine->ListenForControllers(1000), 0);
    EXPECT_EQ(engine->GetHostName(index), "renamed");
    EXPECT_EQ(engine->GetNodeAddress(index), "127.0.0.3");
    EXPECT_EQ(engine->GetControllerCount(), 4);
}

TEST_F(EngineAgainstSimulator, DuplicateAnswersGiveOneEntryEach)
{
    ASSERT_TRUE(simulator->Run("controllers 3 127.0.0.2 dup-"));
    ASSERT_TRUE(simulator->Run("duplicates 5"));
    StartScan();
    ASSERT_EQ(Broadcast(*engine, "127.0.0.1"), 1);
    DrainEverything();
    ASSERT_TRUE(ListenForCount(3));
    EXPECT_GE(simulator->Stat("answers"), 30);
    EXPECT_EQ(engine->GetControllerCount(), 3);
    EXPECT_EQ(TableOf(*engine).size(), 3u);
}

TEST_F(EngineAgainstSimulator, AnswersThatArriveBeforeTheClearStillCount)
{
    ASSERT_TRUE(simulator->Run("controllers 3 127.0.0.2 early-"));
    ASSERT_TRUE(simulator->Run("window off"));
    engine->SuspendPoll();
    ASSERT_EQ(Broadcast(*engine, "127.0.0.1"), 1);
    // Every answer is in the engine before the clear runs.
    ASSERT_TRUE(simulator->WaitUntilIdle(10s));
    ASSERT_EQ(simulator->Stat("answers"), 3);
    engine->ClearControllerList();
    EXPECT_EQ(engine->GetControllerCount(), 0) << "the clear empties the table";
    EXPECT_NE(engine->ListenForControllers(1000), 0);
    EXPECT_EQ(engine->GetControllerCount(), 3);
}

TEST_F(EngineAgainstSimulator, AnswersThatArriveAfterTheClearCount)
{
    ASSERT_TRUE(simulator->Run("controllers 3 127.0.0.2 late-"));
    ASSERT_TRUE(simulator->Run("delay 300 100"));
    StartScan();
    EXPECT_EQ(engine->GetControllerCount(), 0);
    ASSERT_TRUE(ListenForCount(3));
}

TEST_F(EngineAgainstSimulator, AnswersTakenInByThePollingThreadSurviveTheClear)
{
    ASSERT_TRUE(simulator->Run("controllers 3 127.0.0.2 polled-"));
    ASSERT_TRUE(simulator->Run("window off"));
    // Polling left on: its thread takes answers into the table by itself.
    engine->ResumePoll();
    ASSERT_EQ(Broadcast(*engine, "127.0.0.1"), 1);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (engine->GetControllerCount() < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_EQ(engine->GetControllerCount(), 3) << "the polling thread did not take the answers in";
    engine->ClearControllerList();
    EXPECT_EQ(engine->GetControllerCount(), 0);
    engine->SuspendPoll();
    EXPECT_NE(engine->ListenForControllers(1000), 0);
    EXPECT_EQ(engine->GetControllerCount(), 3);
}

TEST_F(EngineAgainstSimulator, AnswersAgainAfterItsSocketWasClosedUnderIt)
{
    ASSERT_TRUE(simulator->Run("controllers 3 127.0.0.2 reopen-"));
    StartScan();
    ASSERT_TRUE(ListenForCount(3));
    nrcore::UdpFindControllersTestAccess::CloseSocket(*engine);
    engine->ClearControllerList();
    // Broadcasts go nowhere until the receiving thread has seen the failure; the next
    // one after that opens a new socket.
    EXPECT_TRUE(ListenUntil(*engine, [&] {
        if (engine->GetControllerCount() >= 3)
            return true;
        Broadcast(*engine, "127.0.0.1");
        return false;
    })) << "the engine stayed deaf after its socket failed";
    ASSERT_TRUE(simulator->Run("node 127.0.0.40 solo"));
    EXPECT_EQ(engine->AddSpecificController("127.0.0.40"), "127.0.0.40");
}

TEST_F(EngineAgainstSimulator, AClearAfterAListenForgetsThatScan)
{
    ASSERT_TRUE(simulator->Run("controllers 3 127.0.0.2 gone-"));
    StartScan();
    ASSERT_TRUE(ListenForCount(3));
    DrainEverything();
    engine->ClearControllerList();
    EXPECT_EQ(engine->ListenForControllers(300), 0);
    EXPECT_EQ(engine->GetControllerCount(), 0);
}

class MalformedAnswers : public EngineAgainstSimulator, public ::testing::WithParamInterface<const char*> {};

TEST_P(MalformedAnswers, AreIgnoredWhileValidOnesStillCount)
{
    ASSERT_TRUE(simulator->Run("controllers 3 127.0.0.2 bad-"));
    ASSERT_TRUE(simulator->Run(std::string("malformed ") + GetParam()));
    StartScan();
    DrainEverything();
    ASSERT_GE(simulator->Stat("malformed"), 3) << "the simulator sent no malformed answer";
    EXPECT_EQ(engine->ListenForControllers(100), 0);
    EXPECT_EQ(engine->GetControllerCount(), 0);

    ASSERT_TRUE(simulator->Run("malformed off"));
    ASSERT_EQ(Broadcast(*engine, "127.0.0.1"), 1);
    EXPECT_TRUE(ListenForCount(3)) << "the engine no longer takes valid answers";
}

INSTANTIATE_TEST_SUITE_P(EveryKind, MalformedAnswers,
                         ::testing::Values("truncated", "oversized", "version", "nonce", "magic", "kind", "length",
                                           "role", "wrongport"));

TEST_F(EngineAgainstSimulator, RandomisedMalformedFloodAddsNoEntry)
{
    ASSERT_TRUE(simulator->Run("controllers 40 127.0.2.1 fuzz-"));
    ASSERT_TRUE(simulator->Run("malformed fuzz 25"));
    StartScan();
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(Broadcast(*engine, "127.0.0.1"), 1);
        EXPECT_EQ(engine->ListenForControllers(50), 0);
    }
    DrainEverything();
    EXPECT_EQ(simulator->Stat("malformed"), 40 * 25 * 21);
    EXPECT_EQ(engine->ListenForControllers(100), 0);
    EXPECT_EQ(engine->GetControllerCount(), 0);

    // The flood may still fill the engine's socket when the first valid answers arrive
    // on a busy machine, and UDP drops what does not fit: ask again, as a scan does.
    ASSERT_TRUE(simulator->Run("malformed off"));
    EXPECT_TRUE(ListenUntil(*engine, [&] {
        if (engine->GetControllerCount() >= 40)
            return true;
        Broadcast(*engine, "127.0.0.1");
        return false;
    })) << "the engine no longer takes valid answers";
}

TEST_F(EngineAgainstSimulator, HostNamesArriveSanitised)
{
    ASSERT_TRUE(simulator->Run("node 127.0.0.30 bad\\x01name\\xff\\x7f"));
    StartScan();
    ASSERT_TRUE(ListenForCount(1));
    EXPECT_EQ(engine->GetHostName(0), "bad?name??");
}

// Each test counts the simulator's answers from its own reset, so answers that an
// earlier test left waiting (a scan it did not listen to the end) must not go out after it.
TEST_F(EngineAgainstSimulator, AResetDropsTheAnswersOfTheScenarioBefore)
{
    ASSERT_TRUE(simulator->Run("controllers 7 127.0.0.2 stale-"));
    ASSERT_TRUE(simulator->Run("delay 30000"));
    ASSERT_EQ(Broadcast(*engine, "127.0.0.1"), 1);
    ASSERT_EQ(simulator->Stat("pending"), 7);
    ASSERT_TRUE(simulator->Run("reset"));
    EXPECT_EQ(simulator->Stat("pending"), 0);
    ASSERT_TRUE(simulator->WaitUntilIdle(1s));
    EXPECT_EQ(simulator->Stat("answers"), 0);
}

TEST_F(EngineAgainstSimulator, TheTableStopsAt8192Entries)
{
    ASSERT_TRUE(simulator->Run("controllers 9000 127.0.1.1 many-"));
    StartScan();
    ASSERT_TRUE(ListenForCount(8192));
    DrainEverything();
    EXPECT_EQ(simulator->Stat("answers"), 9000);
    EXPECT_EQ(engine->ListenForControllers(100), 0);
    EXPECT_EQ(engine->GetControllerCount(), 8192);
    std::set<std::string> addresses;
    for (int i = 0; i < 8192; ++i)
        addresses.insert(engine->GetNodeAddress(i));
    EXPECT_EQ(addresses.size(), 8192u) << "every entry is a different node";
    EXPECT_EQ(engine->GetNodeAddress(8192), "");
}

TEST_F(EngineAgainstSimulator, PollingPicksUpARenamedController)
{
    AddThreeAndMember(*simulator);
    StartScan();
    ASSERT_TRUE(ListenForCount(4));
    engine->ResumePoll();
    engine->ResumePoll();  // a second resume changes nothing
    const long long unicastBefore = simulator->Stat("unicast");
    ASSERT_TRUE(simulator->Run("rename 127.0.0.4 polled-name"));
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    std::set<EngineEntry> table;
    while (std::chrono::steady_clock::now() < deadline) {
        table = TableOf(*engine);
        if (table.count({"127.0.0.4", "polled-name", false}))
            break;
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_TRUE(table.count({"127.0.0.4", "polled-name", false})) << "polling did not refresh the name";
    EXPECT_GE(simulator->Stat("unicast") - unicastBefore, 4) << "every known node is polled by unicast";
    engine->SuspendPoll();
}

TEST_F(EngineAgainstSimulator, AddSpecificControllerAddsAnAnsweringController)
{
    ASSERT_TRUE(simulator->Run("node 127.0.0.40 solo"));
    EXPECT_EQ(engine->AddSpecificController("127.0.0.40"), "127.0.0.40");
    ASSERT_EQ(engine->GetControllerCount(), 1);
    EXPECT_EQ(TableOf(*engine), (std::set<EngineEntry>{{"127.0.0.40", "solo", false}}));
    EXPECT_EQ(simulator->Stat("broadcast"), 0) << "the query goes by unicast";
}

TEST_F(EngineAgainstSimulator, AddSpecificControllerResolvesHostNames)
{
    ASSERT_TRUE(simulator->Run("node 127.0.0.1 loopback-controller"));
    EXPECT_EQ(engine->AddSpecificController("localhost"), "127.0.0.1");
    EXPECT_EQ(engine->GetHostName(0), "loopback-controller");
}

TEST_F(EngineAgainstSimulator, AddSpecificControllerGivesUpOnASilentNodeWithinItsBound)
{
    ASSERT_TRUE(simulator->Run("node 127.0.0.41 quiet"));
    ASSERT_TRUE(simulator->Run("silent 127.0.0.41 on"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(engine->AddSpecificController("127.0.0.41"), "");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, 4s) << "the documented bound is about 2 s";
    EXPECT_GE(simulator->Stat("unicast"), 3) << "the query is retried";
    EXPECT_EQ(engine->GetControllerCount(), 0);
}

TEST_F(EngineAgainstSimulator, AddSpecificControllerRaisesMemberFoundForAMember)
{
    ASSERT_TRUE(simulator->Run("node 127.0.0.40 parent"));
    ASSERT_TRUE(simulator->Run("member 127.0.0.42 child 127.0.0.40"));
    try {
        engine->AddSpecificController("127.0.0.42");
        FAIL() << "no exception for a member node";
    } catch (const ExceptionMemberFound& found) {
        EXPECT_EQ(found.ControllerAddress(), "127.0.0.40");
    }
    EXPECT_EQ(engine->GetControllerCount(), 0);
}

TEST_F(EngineAgainstSimulator, AddSpecificControllerReturnsEmptyForUnresolvableText)
{
    EXPECT_EQ(engine->AddSpecificController("no-such-controller.invalid"), "");
    EXPECT_EQ(engine->AddSpecificController(""), "");
    EXPECT_EQ(engine->GetControllerCount(), 0);
    EXPECT_EQ(simulator->Stat("queries"), 0);
}

// 127.1.0.0 to 127.1.0.255, at the default pace (about 26 ms).
const std::vector<NRAddressRange> kSweptRange{{0x7F010000u, 0x7F0100FFu}};

// A sweep's queries have all been sent and answered; a listen then takes in whatever
// the engine accepted.
bool SweepAndDrain(NRFindControllers& engine, SimulatorControl& simulator)
{
    if (!engine.StartSweep(kSweptRange, NRFindControllers::kDefaultSweepQueriesPerSecond))
        return false;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (engine.GetSweepProgress().running && std::chrono::steady_clock::now() < deadline) {
        engine.ListenForControllers(50);
    }
    if (engine.GetSweepProgress().running || !simulator.WaitUntilIdle(10s))
        return false;
    engine.ListenForControllers(200);
    return true;
}

TEST_F(EngineAgainstSimulator, SweepFindsExactlyTheNodesInItsRangeAndKeepsThemAtAClear)
{
    ASSERT_TRUE(simulator->Run("controllers 3 127.1.0.10 swept-"));
    ASSERT_TRUE(simulator->Run("member 127.1.0.200 swept-member 127.1.0.10"));
    // Every query to an empty address of the range is answered by every node, this
    // one too, with the nonce of the queried address: such answers must not count.
    // Most of the range stays silent, so that the answers fit the engine's socket even
    // while a busy machine keeps its receiving thread waiting.
    ASSERT_TRUE(simulator->Run("node 127.1.1.5 outside"));
    ASSERT_TRUE(simulator->Run("vacant 127.1.0.16 127.1.0.199"));
    ASSERT_TRUE(simulator->Run("vacant 127.1.0.201 127.1.0.255"));
    engine->SuspendPoll();
    ASSERT_TRUE(SweepAndDrain(*engine, *simulator));

    const std::set<EngineEntry> inRange{
        {"127.1.0.10", "swept-0001", false},
        {"127.1.0.11", "swept-0002", false},
        {"127.1.0.12", "swept-0003", false},
        {"127.1.0.200", "swept-member", true},
    };
    EXPECT_EQ(TableOf(*engine), inRange);
    const NRSweepProgress progress = engine->GetSweepProgress();
    EXPECT_EQ(progress.sent, 256u);
    EXPECT_EQ(progress.total, 256u);
    EXPECT_EQ(simulator->Stat("queries"), 256) << "every address is queried once";
    EXPECT_EQ(simulator->Stat("broadcast"), 13) << "the empty addresses that are not vacant";

    engine->ClearControllerList();
    EXPECT_NE(engine->ListenForControllers(1000), 0) << "the sweep's answers survive a clear";
    EXPECT_EQ(TableOf(*engine), inRange);
}

TEST_F(EngineAgainstSimulator, ASweepWhoseSocketIsClosedSendsTheRestFromANewOne)
{
    ASSERT_TRUE(simulator->Run("vacant 127.1.0.0 127.1.0.255"));
    ASSERT_TRUE(simulator->Run("node 127.1.0.250 after-the-failure"));
    // Slow enough (about 0.5 s) for the socket to fail well inside the sweep.
    ASSERT_TRUE(engine->StartSweep(kSweptRange, 500));
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (engine->GetSweepProgress().sent < 40 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    nrcore::UdpFindControllersTestAccess::CloseSocket(*engine);
    const std::uint64_t sentAtClose = engine->GetSweepProgress().sent;
    EXPECT_TRUE(ListenUntil(*engine, [&] { return !engine->GetSweepProgress().running; }));
    ASSERT_TRUE(simulator->WaitUntilIdle(10s));

    EXPECT_LT(sentAtClose, 256u) << "the socket was closed after the sweep, which tests nothing";
    const NRSweepProgress progress = engine->GetSweepProgress();
    EXPECT_EQ(progress.sent, 256u);
    EXPECT_EQ(simulator->Stat("queries"), 256) << "every address left once, none counted without leaving";
    EXPECT_TRUE(ListenUntil(*engine, [&] { return engine->GetControllerCount() == 1; }))
        << "the answer to a query from the new socket counts";
}

TEST_F(EngineAgainstSimulator, SweepDropsAnswersWithAForgedNonce)
{
    ASSERT_TRUE(simulator->Run("controllers 3 127.1.0.10 forged-"));
    ASSERT_TRUE(simulator->Run("vacant 127.1.0.0 127.1.0.255"));
    ASSERT_TRUE(simulator->Run("malformed nonce"));
    ASSERT_TRUE(SweepAndDrain(*engine, *simulator));
    ASSERT_EQ(simulator->Stat("malformed"), 3);
    EXPECT_EQ(engine->GetControllerCount(), 0);

    ASSERT_TRUE(simulator->Run("malformed off"));
    ASSERT_TRUE(SweepAndDrain(*engine, *simulator));
    EXPECT_EQ(engine->GetControllerCount(), 3);
}

TEST_F(EngineAgainstSimulator, SendBroadcastRejectsTextThatIsNoAddress)
{
    ASSERT_TRUE(simulator->Run("node 127.0.0.40 solo"));
    EXPECT_EQ(Broadcast(*engine, "not-an-address"), 0);
    EXPECT_EQ(engine->SendBroadcast(nullptr), 0);
    EXPECT_EQ(Broadcast(*engine, "127.0.0.1"), 1);
}
