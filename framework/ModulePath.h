// The full path of the running executable: the one place it is read.
#pragma once

#include <functional>
#include <string>

namespace fw {

// Fills `buffer` of `size` characters as GetModuleFileNameA does: the count copied,
// or `size` when the path was cut to fit.
using ModuleFileNameReader = std::function<unsigned long(char* buffer, unsigned long size)>;

unsigned long ReadOwnModuleFileName(char* buffer, unsigned long size);

// The whole module path: the buffer grows until the path fits, so a path beyond 260
// characters is never cut. "" when it cannot be read.
std::string AfxGetModuleFileName(const ModuleFileNameReader& read = ReadOwnModuleFileName);

// The same path in UTF-16, for a caller that must see characters the system code page
// cannot spell.
std::wstring AfxGetModuleFileNameW();

}  // namespace fw
