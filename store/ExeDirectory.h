#pragma once

#include <string>

namespace cc {

// The directory of the running executable, without a trailing backslash. Every file
// the tool touches lies under it.
std::string GetExeDirectory();

// The web service's data folder, relative to the executable's directory.
inline constexpr char kWebDataFolder[] = "\\http\\data";

// A path cut before its last backslash; a path without one comes back whole.
std::string DirectoryOf(const std::string& path);

}  // namespace cc
