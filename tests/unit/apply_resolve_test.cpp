// The resolve's outcomes and the message of every outcome, as plain calls.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "FakeEngine.h"
#include "apply/Resolve.h"

using namespace cc;

TEST(AskLibrary, EachAnswerOfTheLibraryIsOneOutcome)
{
    const struct {
        std::function<std::string(const std::string&)> answer;
        ResolveOutcome outcome;
        const char* address;
    } cases[] = {
        {[](const std::string&) { return std::string("10.0.0.9"); }, ResolveOutcome::Found, "10.0.0.9"},
        {[](const std::string&) { return std::string(); }, ResolveOutcome::NotFound, ""},
        {[](const std::string&) -> std::string { throw ExceptionMemberFound(0, "rack", "10.0.0.1"); },
         ResolveOutcome::MemberNode, ""},
        {[](const std::string&) -> std::string { throw ExceptionCommunicationsError(10050, "down"); },
         ResolveOutcome::CommunicationsFailure, ""},
    };
    for (const auto& c : cases) {
        FakeEngine engine;
        engine.addSpecific = c.answer;
        const Resolution resolution = AskLibrary(engine, "typed");
        EXPECT_EQ(resolution.outcome, c.outcome);
        EXPECT_EQ(resolution.address, c.address);
        EXPECT_EQ(engine.calls, std::vector<std::string>{"AddSpecificController typed"});
    }

    FakeEngine broken;
    broken.addSpecific = [](const std::string&) -> std::string { throw std::runtime_error("engine broke"); };
    EXPECT_THROW(AskLibrary(broken, "typed"), std::runtime_error) << "only the library's own failures are outcomes";
}

TEST(OutcomeMessages, EachOutcomeSaysItsOwnTextUnderItsOwnCaption)
{
    const std::string couldNotFind =
        "Could not find Controller: x%s. The hostname/IP \naddress is incorrect or the Controller is offline.";
    const struct {
        MessageText message;
        std::string text;
        std::string caption;
    } cases[] = {
        {ResolveFailureMessage(ResolveOutcome::NotFound, "x%s"), "That Controller x%s not found", ""},
        {ResolveFailureMessage(ResolveOutcome::MemberNode, "x%s"),
         "Members cannot be opened directly. Enter respective controller IP Address.", "Controller Will Be Selected"},
        {ResolveFailureMessage(ResolveOutcome::CommunicationsFailure, "x%s"), couldNotFind, "Controller Not Found"},
        {CouldNotFindMessage("x%s"), couldNotFind, "Controller Not Found"},
        {ApplyResultMessage({ApplyOutcome::Applied, {}, {}}), "Updating the Host Controller settings was successful",
         "Norrin Glassway"},
        {ApplyResultMessage({ApplyOutcome::RestartFailed, {}, {}}),
         "Unable to restart Service, Please restart the Norrin Glassway Service to reflect the changes",
         "Norrin Glassway"},
        {ApplyResultMessage(
             {ApplyOutcome::NotSaved, {"C:\\s\\GlasswayConfig.ini", "C:\\s\\http\\data\\refreshRate.xml"}, {}}),
         "The Host Controller settings could not be saved to C:\\s\\GlasswayConfig.ini and "
         "C:\\s\\http\\data\\refreshRate.xml. The Norrin Glassway Service was not restarted.",
         "Norrin Glassway"},
        {ApplyResultMessage(
             {ApplyOutcome::NotSaved, {"C:\\s\\GlasswayConfig.ini"}, {"C:\\s\\http\\data\\refreshRate.xml"}}),
         "The Host Controller settings could not be saved to C:\\s\\GlasswayConfig.ini. The Norrin Glassway Service "
         "was not restarted. C:\\s\\http\\data\\refreshRate.xml could not be put back as it was: it holds part of "
         "the new settings.",
         "Norrin Glassway"},
        {NotServiceFolderMessage("C:\\Downloads\\cc"),
         "The Change Controller must be run from the Norrin Glassway Service's folder. NorrinGlasswayService.exe is "
         "not in C:\\Downloads\\cc.",
         "Norrin Glassway"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.message.text, c.text);
        EXPECT_EQ(c.message.caption, c.caption) << c.text;
    }
}
