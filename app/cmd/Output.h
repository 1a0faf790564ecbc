// The listing as a table for people, or as CSV or JSON for scripts.
#pragma once

#include <string>
#include <vector>

#include "app/cmd/CommandLine.h"
#include "discovery/ControllerListing.h"
#include "store/SettingsFile.h"

namespace cc {

// Columns: name and address, with `withMembers` also the role and a member's controller.
// Every line ends in CR LF (one per CSV record), to be written out as bytes.
std::string FormatListing(const std::vector<ListedNode>& nodes, OutputFormat format, bool withMembers);

// A JSON string with its quotes; text in the system code page becomes UTF-16 escapes.
std::string JsonString(const std::string& text);

// Milliseconds as exact seconds, without trailing zeros: "30", "0.999", "-5".
std::string ExactSeconds(int milliseconds);
// A stored RefreshRate as it stands: "30 s", "0.999 s", a negative one in milliseconds
// ("-5000 ms"), anything else quoted ('not a number ("20s")').
std::string RefreshRateAsStored(const StoredRefreshRate& stored);

}  // namespace cc
