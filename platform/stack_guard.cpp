// The canary that -fstack-protector-strong checks, and what a failed check
// does. GCC's own runtime draws the canary through the cryptographic service
// from a constructor, before the program's first line: that loads a provider
// library (and what it imports) before the program has taken its own folder
// out of the library search, so a library planted beside us could be loaded.
// Defining these here keeps its start-up code out of the program. The canary
// is mixed from the values Microsoft's compiler runtime seeds its security
// cookie with, none of which loads anything.
#include <windows.h>

#include <cstdint>

extern "C" {

// Replaced before any protected function runs; the constant is only what a
// program would have were the seeding ever skipped.
std::uintptr_t __stack_chk_guard = 0xBB40E64Eu;

// An overrun on the stack: the program ends at once, with the status Windows
// gives a failed security check, and runs none of its own code on the way out.
[[noreturn]] void __stack_chk_fail() {
    TerminateProcess(GetCurrentProcess(), 0xC0000409u);  // STATUS_STACK_BUFFER_OVERRUN
    for (;;) {
    }
}

// A checked copy (_FORTIFY_SOURCE) that would have run past its destination.
[[noreturn]] void __chk_fail() { __stack_chk_fail(); }

}  // extern "C"

namespace {

// Runs among the first constructors. It must not be protected itself: the canary it leaves
// would not be the one it checked on the way out.
__attribute__((constructor(101), no_stack_protector)) void SeedStackGuard() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    std::uintptr_t seed = now.dwLowDateTime ^ now.dwHighDateTime;
    seed ^= GetCurrentProcessId();
    seed ^= GetCurrentThreadId();
    seed ^= GetTickCount();
    seed ^= counter.LowPart ^ static_cast<std::uintptr_t>(counter.HighPart);
    seed ^= reinterpret_cast<std::uintptr_t>(&seed);  // where the stack lies, which differs from start to start
    // A zero byte at the bottom stops a string copy from writing the canary back.
    __stack_chk_guard = seed & ~static_cast<std::uintptr_t>(0xFF);
    if (__stack_chk_guard == 0) __stack_chk_guard = 0xBB40E600u;
}

}  // namespace
