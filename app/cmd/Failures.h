// How the companion reports a command that did not do its job.
#pragma once

#include <exception>
#include <string>

#include "app/cmd/CommandLine.h"
#include "app/cmd/ExitCodes.h"

namespace cc {

// A failure: its message on standard error, after the program's name when `named`, and
// with JSON one object on standard output too, so that a script reading the output
// always has one to read; set's says, as its every object does, that nothing changed.
// Returns the exit code.
int Failed(const CommandLine& line, ExitCode code, const std::string& message, bool named = true);

// The text of an exception that escaped, for the last line the program prints.
std::string Describe(const std::exception& error);

}  // namespace cc
