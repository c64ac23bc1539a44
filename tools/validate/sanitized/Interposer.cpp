// Linux under AddressSanitizer or ThreadSanitizer: the runtime owns the heap
// and the lock functions, so allocations are seen through its hooks; locks are
// not counted here. The runtime's reports and LeakSanitizer's check are
// counted too.
#include "tools/validate/Interposer.h"

#include <atomic>
#include <cstddef>
#include <cstdio>

// The sanitizer runtimes' own interface (GCC ships no header for it).
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*onAllocation)(const volatile void*,
                                                                   std::size_t),
                                              void (*onRelease)(const volatile void*));
std::size_t __sanitizer_get_current_allocated_bytes();
// LeakSanitizer is part of the AddressSanitizer runtime only.
int __lsan_do_recoverable_leak_check() __attribute__((weak));
}

namespace {

std::atomic<long> reportCount{0};

void onAllocation(const volatile void*, std::size_t) {
    interposer::countAllocation();
}

void onRelease(const volatile void* memory) {
    if (memory != nullptr) interposer::countAllocation();
}

const int hooksInstalled = __sanitizer_install_malloc_and_free_hooks(onAllocation, onRelease);

} // namespace

// The runtimes call this once per report; it prints the summary line as the
// runtime's own definition does.
extern "C" void __sanitizer_report_error_summary(const char* summary) {
    reportCount.fetch_add(1);
    std::fprintf(stderr, "%s\n", summary);
}

// Leaks are looked for by the lifecycle check while the plug-in is loaded:
// once it is unloaded, memory that its statics still held (the C++ runtime's
// emergency exception pool, in a module with its own runtime) has no owner left.
extern "C" const char* __asan_default_options() {
    return "leak_check_at_exit=0";
}
// Undefined behaviour is reported and counted, and the check goes on.
extern "C" const char* __ubsan_default_options() {
    return "print_summary=1";
}
// A report must not change the exit code of a check's process: the check
// counts reports and says how it went.
extern "C" const char* __tsan_default_options() {
    return "exitcode=0";
}

namespace interposer {

void watch(PluginEntry) {}
long long liveBytes() {
    return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
}
bool countsLocks() {
    return false;
}
const char* technique() {
    return hooksInstalled ? "sanitized build: allocations seen through the runtime's hooks"
                          : "sanitized build: no allocation hooks";
}

} // namespace interposer

namespace sanitizers {

long reports() {
    return reportCount.load();
}
bool leaksFound() {
    return __lsan_do_recoverable_leak_check != nullptr && __lsan_do_recoverable_leak_check() != 0;
}
bool leakCheckAvailable() {
    return __lsan_do_recoverable_leak_check != nullptr;
}

} // namespace sanitizers
