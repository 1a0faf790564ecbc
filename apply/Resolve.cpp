#include "apply/Resolve.h"

#include "apply/Exceptions.h"
#include "apply/ResString.h"
#include "apply/StringIds.h"
#include "nrcore/NRController.h"

namespace cc {

namespace {

// The files for a message: "A", "A and B", or "A, B and C".
std::string JoinFileNames(const UnsavedFiles& files)
{
    std::string text;
    for (size_t i = 0; i < files.size(); ++i) {
        if (i > 0)
            text += i + 1 == files.size() ? " and " : ", ";
        text += files[i];
    }
    return text;
}

}  // namespace

Resolution AskLibrary(NRFindControllers& engine, const std::string& text)
{
    try {
        std::string address = engine.AddSpecificController(text);
        if (address.empty())
            return {ResolveOutcome::NotFound, {}};
        return {ResolveOutcome::Found, std::move(address)};
    } catch (const ExceptionMemberFound&) {
        return {ResolveOutcome::MemberNode, {}};
    } catch (const ExceptionCommunicationsError&) {
        return {ResolveOutcome::CommunicationsFailure, {}};
    }
}

MessageText ResolveFailureMessage(ResolveOutcome outcome, const std::string& typedText)
{
    switch (outcome) {
    case ResolveOutcome::MemberNode:
        return {LoadResString(IDS_MEMBERS_NOT_DIRECT), LoadResString(IDS_MEMBER_CAPTION)};
    case ResolveOutcome::CommunicationsFailure:
        return CouldNotFindMessage(typedText);
    case ResolveOutcome::NotFound:
    case ResolveOutcome::Found:
        break;
    }
    return NotListedMessage(typedText);
}

MessageText CouldNotFindMessage(const std::string& typedText)
{
    return {FormatWithText(LoadResString(IDS_COULD_NOT_FIND), typedText), LoadResString(IDS_NOT_FOUND_CAPTION)};
}

MessageText NotListedMessage(const std::string& address)
{
    return {FormatWithText(LoadResString(IDS_CONTROLLER_NOT_FOUND), address), {}};
}

MessageText NotServiceFolderMessage(const std::string& exeDirectory)
{
    return {FormatWithText(LoadResString(IDS_NOT_SERVICE_FOLDER), exeDirectory), LoadResString(IDS_APP_TITLE)};
}

MessageText ApplyResultMessage(const ApplyResult& result)
{
    // Success and restart failure load their texts with LoadStringOrEmpty (a missing
    // entry shows empty); a missing unsaved-settings text throws, as the resolve's do.
    const std::string caption = LoadStringOrEmpty(IDS_APP_TITLE);
    switch (result.outcome) {
    case ApplyOutcome::Applied:
        return {LoadStringOrEmpty(IDS_UPDATE_SUCCEEDED), caption};
    case ApplyOutcome::RestartFailed:
        return {LoadStringOrEmpty(IDS_RESTART_FAILED), caption};
    case ApplyOutcome::NotSaved:
        break;
    }
    std::string text = FormatWithText(LoadResString(IDS_SETTINGS_NOT_SAVED), JoinFileNames(result.unsavedFiles));
    if (!result.leftChanged.empty())
        text += " " + FormatWithText(LoadResString(IDS_SETTINGS_LEFT_CHANGED), JoinFileNames(result.leftChanged));
    return {text, caption};
}

}  // namespace cc
