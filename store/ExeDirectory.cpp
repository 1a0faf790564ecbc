#include "store/ExeDirectory.h"

#include <windows.h>

#include <vector>

namespace {

// The longest path the platform has; a reader that fills a larger buffer is broken.
constexpr unsigned long kLongestPath = 32767;

}  // namespace

std::string ReadModuleFileName(const ModuleFileNameReader& read)
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

std::string DirectoryOf(const std::string& path)
{
    const std::string::size_type lastBackslash = path.rfind('\\');
    return lastBackslash == std::string::npos ? path : path.substr(0, lastBackslash);
}

std::string GetExeDirectory()
{
    return DirectoryOf(ReadModuleFileName([](char* buffer, unsigned long size) {
        return static_cast<unsigned long>(GetModuleFileNameA(nullptr, buffer, size));
    }));
}
