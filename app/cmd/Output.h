// The listing as a table for people, or as CSV or JSON for scripts.
#pragma once

#include <string>
#include <vector>

#include "app/cmd/CommandLine.h"
#include "discovery/ControllerListing.h"

namespace cc {

// Columns: name and address, with `withMembers` also the role and a member's controller.
std::string FormatListing(const std::vector<ListedNode>& nodes, OutputFormat format, bool withMembers);

// A CSV field: quoted, with its quotes doubled, when it holds a comma, quote or line break.
std::string CsvField(const std::string& text);
// A JSON string with its quotes; text in the system code page becomes UTF-8 escapes.
std::string JsonString(const std::string& text);

}  // namespace cc
