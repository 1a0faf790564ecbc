// The tool's exception types: the library's shared ones and the tool's own.
#pragma once

#include <windows.h>

#include <string>

#include "nrcore/Exceptions.h"

namespace cc {

// A string-table entry could not be loaded. It keeps the library's Exception as its base,
// with code 0 and no text, as the dialog expects of it; what() names the missing entry,
// so that a report of it never reads as a failure of the library.
class ExceptionGui : public Exception {
public:
    explicit ExceptionGui(UINT stringId)
        : Exception(0, std::string()),
          m_stringId(stringId),
          m_what("string table entry " + std::to_string(stringId) + " is missing")
    {}

    UINT StringId() const { return m_stringId; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    UINT m_stringId;
    std::string m_what;
};

}  // namespace cc
