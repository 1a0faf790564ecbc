#include "framework/StackGuard.h"

#include <windows.h>
#include <bcrypt.h>

// libssp seeds the guard through CryptAcquireContext, which loads and sets up the
// system's crypto providers before main: 30 to 90 ms of every start under Wine, where
// the seeding below takes a fraction of a millisecond. These definitions take the place of libssp's
// (its archive member is then not linked); libssp still provides the _FORTIFY_SOURCE
// checks, which fail through __chk_fail below.

extern "C" {

void* __stack_chk_guard = reinterpret_cast<void*>(fw::kUnseededStackGuard);

// A failed check ends the process at once, with no handler run and nothing unwound:
// the stack is no longer to be trusted.
[[noreturn]] void __stack_chk_fail()
{
    __asm__ volatile("int $0x29" : : "c"(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE));
    __builtin_unreachable();
}

[[noreturn]] void __chk_fail()
{
    __asm__ volatile("int $0x29" : : "c"(FAST_FAIL_RANGE_CHECK_FAILURE));
    __builtin_unreachable();
}

}  // extern "C"

namespace fw {

namespace {

// Seeds the guard from BCryptGenRandom's system-preferred generator: the system's
// cryptographic random number generator, which CryptGenRandom draws on as well, so the
// guard is as unpredictable as libssp's, and new in every process. bcrypt.dll is
// delay-loaded and not a KnownDLL, so it is loaded here from the system directory
// only; the program would load it from there at start in any case. Should that fail,
// the program ends at start with a message (LoadDllsFromSystemDirectoryOnly). Runs
// after the DLL search is restricted (priority 101). This function must not check a
// guard itself: it changes the guard it would check.
__attribute__((constructor(102), no_stack_protector)) void SeedStackGuard()
{
    if (!::LoadLibraryExA("bcrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    void* seed = nullptr;
    if (BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&seed), sizeof seed,
                                         BCRYPT_USE_SYSTEM_PREFERRED_RNG)) &&
        seed)
        __stack_chk_guard = seed;
}

}  // namespace

}  // namespace fw
