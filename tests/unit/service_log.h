// Reading the stand-in service's log: one line per invocation, with when its process was
// created, how its window was to be shown, what it did and its command line.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "apply/ApplySelection.h"
#include "store_test_support.h"

// The error code of every launch that failed, so that a failed restart says why.
struct LaunchFailures {
    std::vector<DWORD> errors;

    std::string Text() const
    {
        std::string text = "failed launches:";
        for (DWORD error : errors)
            text += " error " + std::to_string(error);
        return errors.empty() ? "no failed launch" : text;
    }
};

// Starts processes as the tool does and records in `failures` why a launch failed.
inline cc::ProcessStarter RecordingStarter(LaunchFailures& failures)
{
    return [&failures](char* commandLine, STARTUPINFOA& startup, PROCESS_INFORMATION& process) {
        if (cc::CreateProcessFor(commandLine, startup, process))
            return true;
        failures.errors.push_back(::GetLastError());
        return false;
    };
}

// One line of the stand-in service's log.
struct ServiceInvocation {
    unsigned long long createdTicks = 0;  // 100 ns units
    std::string useShowWindow;
    std::string showWindow;
    std::string outcome;
    std::string commandLine;
};

inline std::string Field(const std::string& line, const std::string& name)
{
    const std::string::size_type start = line.find(" " + name + "=");
    if (start == std::string::npos)
        return "";
    const std::string::size_type valueStart = start + name.size() + 2;
    return line.substr(valueStart, line.find(' ', valueStart) - valueStart);
}

// The invocations in the order their processes were created.
inline std::vector<ServiceInvocation> ReadServiceLog(const std::string& directory)
{
    std::vector<ServiceInvocation> invocations;
    const std::string log = ReadWholeFile(directory + "\\NorrinGlasswayService.log");
    if (log == "<unreadable>")
        return invocations;
    std::string::size_type lineStart = 0;
    for (std::string::size_type end; (end = log.find("\r\n", lineStart)) != std::string::npos; lineStart = end + 2) {
        const std::string line = log.substr(lineStart, end - lineStart);
        ServiceInvocation invocation;
        invocation.createdTicks = std::stoull(Field(line, "createdTicks"));
        invocation.useShowWindow = Field(line, "useShowWindow");
        invocation.showWindow = Field(line, "showWindow");
        invocation.outcome = Field(line, "outcome");
        invocation.commandLine = line.substr(line.find(" cmdline=") + 9);
        invocations.push_back(invocation);
    }
    std::stable_sort(
        invocations.begin(), invocations.end(),
        [](const ServiceInvocation& a, const ServiceInvocation& b) { return a.createdTicks < b.createdTicks; });
    return invocations;
}

// For launches through the default launcher, whose processes the test cannot wait for.
inline std::vector<ServiceInvocation> WaitForServiceLog(const std::string& directory, size_t lines)
{
    const ULONGLONG deadline = GetTickCount64() + 30000;
    std::vector<ServiceInvocation> invocations = ReadServiceLog(directory);
    while (invocations.size() < lines && GetTickCount64() < deadline) {
        Sleep(20);
        invocations = ReadServiceLog(directory);
    }
    return invocations;
}
