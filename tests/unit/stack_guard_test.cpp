// The stack protector's guard of a program linked with the tool's libraries: seeded at
// start-up from the system's random generator, not left at its fixed unseeded value.
#include <gtest/gtest.h>

#include <cstdint>

#include "framework/StackGuard.h"

TEST(StackGuard, IsSeededBeforeTheProgramRuns)
{
    const auto guard = reinterpret_cast<std::uintptr_t>(__stack_chk_guard);
    EXPECT_NE(guard, fw::kUnseededStackGuard);
    EXPECT_NE(guard, 0u);
}
