#include "framework/SystemDlls.h"

#include <windows.h>

#include "framework/StackGuard.h"

namespace fw {

namespace {

// The DLLs the programs link by delay-load: every one they use that is not a KnownDLL.
// CMakeLists.txt builds their delay-load import libraries; tests/delay_imports_check.py
// checks that it names the same DLLs and that the built programs delay-load just these.
constexpr const char* kDelayLoadedDlls[] = {"bcrypt.dll", "iphlpapi.dll", "comctl32.dll"};

// Code linked into the programs may load DLLs before main, in static initialisers: the
// stack protector's guard is seeded through bcrypt.dll (StackGuard.cpp). Running before
// every other static initialiser, this restricts those searches too.
// A failure here cannot be reported yet; LoadDllsFromSystemDirectoryOnly repeats the
// restriction and reports it.
__attribute__((constructor(101))) void RestrictDllSearchBeforeStaticInitialisers()
{
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    ::SetDllDirectoryW(L"");
}

}  // namespace

std::optional<std::string> LoadDllsFromSystemDirectoryOnly()
{
    if (!::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) || !::SetDllDirectoryW(L""))
        return "The program cannot start: its DLL search could not be limited to the system directory.";
    // A module already loaded is what the delay-load helper's LoadLibrary returns.
    for (const char* dll : kDelayLoadedDlls) {
        if (!::LoadLibraryExA(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
            return std::string("The program cannot start: ") + dll + " could not be loaded from the system directory.";
    }
    // bcrypt.dll loaded, yet no random bytes came for the stack guard: a guard anyone can
    // know protects nothing, so the program does not run with it.
    if (__stack_chk_guard == reinterpret_cast<void*>(kUnseededStackGuard))
        return "The program cannot start: the system gave no random bytes for its stack guard.";
    return std::nullopt;
}

}  // namespace fw
