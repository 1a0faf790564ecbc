#include "framework/ModulePath.h"

#include <windows.h>

#include <vector>

namespace fw {

namespace {

// The longest path the platform has; a reader that fills a larger buffer is broken.
constexpr unsigned long kLongestPath = 32767;

}  // namespace

unsigned long ReadOwnModuleFileName(char* buffer, unsigned long size)
{
    return ::GetModuleFileNameA(nullptr, buffer, size);
}

std::string AfxGetModuleFileName(const ModuleFileNameReader& read)
{
    for (unsigned long size = MAX_PATH;; size *= 2) {
        std::vector<char> buffer(size, '\0');
        const unsigned long copied = read(buffer.data(), size);
        if (copied < size)
            return std::string(buffer.data(), copied);
        if (size > kLongestPath)
            return std::string();
    }
}

}  // namespace fw
