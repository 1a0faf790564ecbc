#include "framework/SystemDlls.h"

#include <windows.h>

namespace fw {

namespace {

// The DLLs the programs link by delay-load: every one they use that is not a KnownDLL.
constexpr const char* kDelayLoadedDlls[] = {"bcrypt.dll", "iphlpapi.dll", "comctl32.dll"};

}  // namespace

std::string LoadDllsFromSystemDirectoryOnly()
{
    if (!::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) || !::SetDllDirectoryW(L""))
        return kDelayLoadedDlls[0];
    // A module already loaded is what the delay-load helper's LoadLibrary returns.
    for (const char* dll : kDelayLoadedDlls) {
        if (!::LoadLibraryExA(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
            return dll;
    }
    return std::string();
}

std::string SystemDllMissingText(const std::string& dll)
{
    return "The program cannot start: " + dll + " could not be loaded from the system directory.";
}

}  // namespace fw
