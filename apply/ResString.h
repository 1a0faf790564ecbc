// Texts from the program's string table.
#pragma once

#include <windows.h>

#include <string>

namespace cc {

// The two loads differ only in a missing or empty entry: LoadResString throws
// ExceptionGui, LoadStringOrEmpty gives "". The tool's string table holds every entry
// that either of them loads.

// The entry's text; throws ExceptionGui when the entry is missing or empty.
std::string LoadResString(UINT id);
// The entry's text, or "" when the entry is missing or empty; never throws.
std::string LoadStringOrEmpty(UINT id);
// The format with its first "%s" replaced by `argument` taken literally ("%%" gives "%").
std::string FormatWithText(const std::string& format, const std::string& argument);

}  // namespace cc
