// Texts from the program's string table.
#pragma once

#include <windows.h>

#include <string>

namespace cc {

// The entry's text; throws ExceptionGui when the entry is missing or empty.
std::string LoadResString(UINT id);
// The entry's text, "" when it is missing.
std::string LoadPlainString(UINT id);
// The format with its first "%s" replaced by `argument` taken literally ("%%" gives "%").
std::string FormatWithText(const std::string& format, const std::string& argument);

}  // namespace cc
