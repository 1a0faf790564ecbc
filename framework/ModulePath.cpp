#include "framework/ModulePath.h"

#include <windows.h>

#include <vector>

namespace fw {

namespace {

// The longest path the platform has; a reader that fills a larger buffer is broken.
constexpr unsigned long kLongestPath = 32767;

// Grows the buffer until `read` (GetModuleFileName's contract) no longer cuts the path.
template <typename Char, typename Reader> std::basic_string<Char> WholeModulePath(const Reader& read)
{
    for (unsigned long size = MAX_PATH;; size *= 2) {
        std::vector<Char> buffer(size, Char{});
        const unsigned long copied = read(buffer.data(), size);
        if (copied < size)
            return std::basic_string<Char>(buffer.data(), copied);
        if (size > kLongestPath)
            return {};
    }
}

}  // namespace

unsigned long ReadOwnModuleFileName(char* buffer, unsigned long size)
{
    return ::GetModuleFileNameA(nullptr, buffer, size);
}

std::string AfxGetModuleFileName(const ModuleFileNameReader& read)
{
    return WholeModulePath<char>(read);
}

std::wstring AfxGetModuleFileNameW()
{
    return WholeModulePath<wchar_t>(
        [](wchar_t* buffer, unsigned long size) { return ::GetModuleFileNameW(nullptr, buffer, size); });
}

}  // namespace fw
