#include "store/FileOps.h"

#ifdef _WIN32

#include <windows.h>

namespace {

// The ANSI calls stop at 260 characters; the wide ones accept a longer path when it
// carries the \\?\ prefix, which also turns off the normalisation that such a path
// skips, hence forward slashes are turned into backslashes here.
std::wstring PlatformPath(const std::string& path)
{
    std::wstring wide;
    const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    wide.resize(length);
    MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), length);
    if (wide.size() < MAX_PATH)
        return wide;
    for (wchar_t& c : wide) {
        if (c == L'/')
            c = L'\\';
    }
    if (wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\')
        return L"\\\\?\\" + wide;
    if (wide.compare(0, 2, L"\\\\") == 0 && wide.compare(0, 4, L"\\\\?\\") != 0)
        return L"\\\\?\\UNC\\" + wide.substr(2);
    return wide;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& from, const std::string& to)
{
    const std::wstring target = PlatformPath(to);
    // Not every implementation of the move refuses a read-only target.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    return MoveFileExW(PlatformPath(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::string& path)
{
    return DeleteFileW(PlatformPath(path).c_str()) != 0;
}

#else

#include <cerrno>
#include <cstdio>

#include <unistd.h>

bool ReplaceFileAtomically(const std::string& from, const std::string& to)
{
    // rename replaces a file the user may not write; a read-only target stays.
    if (access(to.c_str(), W_OK) != 0 && errno != ENOENT)
        return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path)
{
    return std::remove(path.c_str()) == 0;
}

#endif
