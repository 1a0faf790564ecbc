#pragma once

#include <functional>
#include <string>

// The directory of the running executable, without a trailing backslash. Every file
// the tool touches lies under it.
std::string GetExeDirectory();

// A path cut before its last backslash; a path without one comes back whole.
std::string DirectoryOf(const std::string& path);

// Fills `buffer` of `size` characters as GetModuleFileNameA does: the count copied,
// or `size` when the path was cut to fit.
using ModuleFileNameReader = std::function<unsigned long(char* buffer, unsigned long size)>;

// The whole module path: the buffer grows until the path fits, so a path beyond
// 260 characters is never cut.
std::string ReadModuleFileName(const ModuleFileNameReader& read);
