// The stack protector's run-time part for both programs, in place of GCC's libssp's:
// the guard value that every function built with -fstack-protector-strong checks
// before it returns, seeded at start-up, and the handlers of a failed check.
#pragma once

#include <cstdint>

// The guard itself, under the name the compiler's checks read.
extern "C" void* __stack_chk_guard;

namespace fw {

// What the guard holds until it is seeded, and keeps should the system give no random
// bytes: zero, line feed and 0xFF bytes, which a runaway string copy does not write.
inline constexpr std::uintptr_t kUnseededStackGuard = 0xff0a000000000000ull;

}  // namespace fw
