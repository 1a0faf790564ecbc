// Run by subnet-broadcast-test.sh only, inside namespaces of its own: the local host
// sits on a /24 inside network 10 and a controller on the far end of a veth pair.
// The tests read the set-up from the environment and skip without it.
#include "engine_support.h"

namespace {

std::string Setting(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

class SubnetBroadcast : public ::testing::Test {
protected:
    void SetUp() override
    {
        controllerAddress = Setting("NRTEST_SUBNET_CONTROLLER");
        if (controllerAddress.empty())
            GTEST_SKIP() << "only run by subnet-broadcast-test.sh";
        controller = std::make_unique<NRController>("");
        engine = controller->getFindControllers();
    }

    std::string controllerAddress;
    std::unique_ptr<NRController> controller;
    NRFindControllers* engine = nullptr;
};

}  // namespace

TEST_F(SubnetBroadcast, ClassfulBroadcastReachesAControllerOnTheLocalSubnet)
{
    engine->SuspendPoll();
    // The classful broadcast itself has no route here; the interface's subnet broadcast does.
    EXPECT_GE(Broadcast(*engine, Setting("NRTEST_CLASSFUL_BROADCAST")), 1);
    engine->ClearControllerList();
    ASSERT_TRUE(ListenUntil(*engine, [&] { return engine->GetControllerCount() >= 1; }));
    EXPECT_EQ(TableOf(*engine), (std::set<EngineEntry>{{controllerAddress, Setting("NRTEST_SUBNET_NAME"), false}}));
}

TEST_F(SubnetBroadcast, AddSpecificControllerRaisesWhenTheQueryCannotBeSent)
{
    EXPECT_THROW(engine->AddSpecificController(Setting("NRTEST_UNREACHABLE")), ExceptionCommunicationsError);
    EXPECT_EQ(engine->AddSpecificController(controllerAddress), controllerAddress);
}
