// The tool's exception types: the library's shared ones and the tool's own.
#pragma once

#include "nrcore/Exceptions.h"

namespace cc {

// A string-table entry could not be loaded.
class ExceptionGui : public Exception {
public:
    ExceptionGui() : Exception(0, std::string()) {}
};

}  // namespace cc
