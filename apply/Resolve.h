// Resolving the operator's text to a controller through the discovery library, and
// the messages of every outcome of a choice: free of any window, so that the dialog
// and the command-line program show the same texts for the same outcomes.
#pragma once

#include <string>
#include <vector>

#include "apply/ApplySelection.h"

class NRFindControllers;

namespace cc {

enum class ResolveOutcome {
    Found,                  // the library answered with the controller's address
    NotFound,               // nothing answers to the text
    MemberNode,             // the text names a member node, not a controller
    CommunicationsFailure,  // the library could not query
};

struct Resolution {
    ResolveOutcome outcome;
    std::string address;  // with Found
};

// Asks the library for the one controller the text names (AddSpecificController).
// Only the library's own two exception types become outcomes; others pass on.
Resolution AskLibrary(NRFindControllers& engine, const std::string& text);

// A message box's text and caption; an empty caption stands for the application's name.
struct MessageText {
    std::string text;
    std::string caption;
};

// What the resolving step itself says for an outcome other than Found.
MessageText ResolveFailureMessage(ResolveOutcome outcome, const std::string& typedText);
// What Update says after any failed resolve.
MessageText CouldNotFindMessage(const std::string& typedText);
// What Update says when the library's address is carried by no row.
MessageText NotListedMessage(const std::string& address);
// What the tool says when its folder holds no service executable (IsServiceFolder).
MessageText NotServiceFolderMessage(const std::string& exeDirectory);
// The outcome of an apply.
MessageText ApplyResultMessage(const ApplyResult& result);

}  // namespace cc
