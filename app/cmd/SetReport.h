// The stored choice as `show` and `set` report it: what `set` replaced, for the operator
// to see and a script to roll back to.
#pragma once

#include <optional>
#include <string>

#include "app/cmd/CommandLine.h"
#include "store/SettingsFile.h"

namespace cc {

// A choice as the settings file holds it: a key the file lacks is empty, and the rate
// is kept as it stands, whatever it says.
struct StoredChoice {
    std::optional<std::string> controller;
    StoredRefreshRate refreshRate;
};

// The choice stored now, read before `set` overwrites it.
StoredChoice ReadStoredChoice(const std::string& settingsPath);

// The choice for scripts, as one JSON object: {"controller": ..., "refreshMs": ...},
// a key the file lacks as null, a stored rate in milliseconds as --refresh-ms takes it
// back, and for one that is not such a number also "refreshText", as stored. Ends in
// CR LF.
std::string FormatStoredChoice(const StoredChoice& choice);

// Table: the line "was 127.0.0.3, 30 s", the rate as `show` prints it. JSON: one object
// with the choice applied and, under "was", the one it replaced, each as
// FormatStoredChoice gives it. Ends in CR LF.
std::string FormatReplaced(const std::string& controller, int refreshSeconds, const StoredChoice& replaced,
                           OutputFormat format);

}  // namespace cc
