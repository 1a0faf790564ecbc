// The listing as a table for people, or as CSV or JSON for scripts.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "app/cmd/CommandLine.h"
#include "app/cmd/ExitCodes.h"
#include "discovery/ControllerListing.h"
#include "store/SettingsFile.h"

namespace cc {

// Columns: name and address, with `withMembers` also the role and a member's controller.
// Every line ends in "\n" (one per CSV record), for Write to put out.
std::string FormatListing(const std::vector<ListedNode>& nodes, OutputFormat format, bool withMembers);

// A JSON string with its quotes; text in the system code page becomes UTF-16 escapes.
std::string JsonString(const std::string& text);

// What the check's plugin output shows for a "|" in its text, where a "|" would start
// the performance data.
constexpr char kPipeShownAs = '!';
// The check's text as its plugin output carries it.
std::string PluginText(std::string text);

// A command that did not do its job: its exit code, and the message that says why.
struct Failure {
    ExitCode code;
    std::string message;
};

// A failure's members of a JSON object: "exitCode": 3, "exitName": "notFound",
// "message": ...
std::string JsonFailureMembers(const Failure& failure);
// A failure for scripts that read JSON, as an object of its own; ends in "\n".
std::string FormatFailure(const Failure& failure);

// A duration in seconds with `decimals` decimals: "1.5".
std::string SecondsText(std::chrono::steady_clock::duration duration, int decimals);

// Milliseconds as exact seconds, without trailing zeros: "30", "0.999", "-5".
std::string ExactSeconds(int milliseconds);
// A stored RefreshRate as it stands: "30 s", "0.999 s", a negative one in milliseconds
// ("-5000 ms"), anything else quoted ('not a number ("20s")').
std::string RefreshRateAsStored(const StoredRefreshRate& stored);

}  // namespace cc
