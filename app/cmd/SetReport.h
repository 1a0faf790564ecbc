// What `set` replaced, for the operator to see and a script to roll back to.
#pragma once

#include <optional>
#include <string>

#include "app/cmd/CommandLine.h"

namespace cc {

// A choice as the settings file holds it; a key the file lacks is empty.
struct StoredChoice {
    std::optional<std::string> controller;
    std::optional<int> refreshSeconds;
};

// The choice stored now, read before `set` overwrites it.
StoredChoice ReadStoredChoice(const std::string& settingsPath);

// Table: the line "was 127.0.0.3, 30 s". JSON: one object with the choice applied and
// the one it replaced, {"controller": ..., "refreshSeconds": ..., "was": {...}}, a key
// the file lacked as null. Ends in CR LF.
std::string FormatReplaced(const StoredChoice& applied, const StoredChoice& replaced, OutputFormat format);

}  // namespace cc
