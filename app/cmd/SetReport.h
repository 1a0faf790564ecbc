// The stored choice as `show` and `set` report it: what `set` replaced, for the operator
// to see and a script to roll back to.
#pragma once

#include <optional>
#include <string>

#include "app/cmd/CommandLine.h"
#include "app/cmd/Output.h"
#include "store/Choice.h"
#include "store/SettingsFile.h"

namespace cc {

// A choice as the settings file holds it, which set replaces: a key the file lacks is
// empty, and the rate is kept as it stands, whatever it says. What set stores is a
// Choice (store/Choice.h).
struct ChoiceAsStored {
    std::optional<std::string> controller;
    StoredRefreshRate refreshRate;
};

// The choice stored now, read before `set` overwrites it.
ChoiceAsStored ReadChoiceAsStored(const std::string& settingsPath);

// The choice for scripts, as one JSON object: {"controller": ..., "refreshMs": ...},
// a key the file lacks as null, a stored rate in milliseconds as --refresh-ms takes it
// back, and for one that is not such a number also "refreshText", as stored. Ends in
// "\n".
std::string FormatChoiceAsStored(const ChoiceAsStored& choice);

// What set did, or with --dry-run would do.
struct SetReport {
    Choice choice;
    bool changed;  // the choice was stored, or with --dry-run would be
    bool dryRun;
    std::optional<ChoiceAsStored> was;  // what was replaced, or would be; none when nothing was
};

// Whether the settings file holds exactly this choice: the controller's text as given and
// RefreshRate as it would be stored.
bool AlreadyStored(const ChoiceAsStored& stored, const Choice& choice);

// Table: "unchanged: CONTROLLER, N s" when nothing changed, "would change: CONTROLLER,
// N s" for a dry run that would, then "was 127.0.0.3, 30 s" (the rate as `show` prints
// it) when something was replaced or would be. JSON: one object, {"controller": ...,
// "refreshMs": ..., "changed": ..., "dryRun": true (with --dry-run), "was": {...} (as
// FormatChoiceAsStored gives it)}, with a failure's members when the change was stored
// but the command failed after. Ends in "\n".
std::string FormatSetReport(const SetReport& report, OutputFormat format,
                            const std::optional<Failure>& failure = std::nullopt);

// A set that failed before anything was stored, for scripts: {"changed": false,
// "dryRun": true (with --dry-run), and the failure's members}. Ends in "\n".
std::string FormatSetFailure(const Failure& failure, bool dryRun);

}  // namespace cc
