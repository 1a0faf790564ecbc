// The directory whose settings show, set and check work on: the one --directory names,
// or the program's own; and why they cannot work there.
#pragma once

#include <optional>
#include <string>

#include "app/cmd/CommandLine.h"

namespace cc {

// The directory the command line names, else the program's own, spelled as InCodePage
// spells it.
std::string ServiceDirectory(const CommandLine& line);

// Why the programs cannot work in the directory at all, naming the limit; none when
// they can. The settings calls take single-byte paths of fewer than 260 characters.
std::optional<std::string> UnhandledDirectory(const std::string& directory);

// Why the directory holds no settings to read, naming the path; none when it holds them.
std::optional<std::string> MissingSettings(const std::string& directory);

// Why set refuses the directory: it is not the service's folder, as the service
// executable is missing; none when it is.
std::optional<std::string> NotServiceFolder(const std::string& directory);

// The settings a command works on: the service directory and its settings file, or why
// there are none to read.
struct SettingsPlace {
    std::string directory;
    std::string settingsPath;
    std::optional<std::string> missing;  // MissingSettings of the directory
};
SettingsPlace LocateSettings(const CommandLine& line);

}  // namespace cc
