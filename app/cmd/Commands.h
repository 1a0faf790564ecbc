// The companion's commands. Each reports what it did on the console and returns the
// process's exit code (ExitCodes.h).
#pragma once

#include <chrono>
#include <string>

#include "app/cmd/CommandLine.h"

namespace cc {

using Clock = std::chrono::steady_clock;

int List(const CommandLine& line);
int Show(const CommandLine& line);
int Set(const CommandLine& line);
// `programStart` begins the time the check reports.
int Check(const CommandLine& line, Clock::time_point programStart);

// The check's UNKNOWN verdict, for what stops it before it can check.
int CheckUnknown(const std::string& text);

}  // namespace cc
