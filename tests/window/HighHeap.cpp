// In the 64-bit window test program every object made with new lies above
// 4 GiB. Wine keeps the usual heap below 4 GiB, where a pointer cut to 32 bits
// (a window's user data set with SetWindowLong, say) loses nothing; from up
// here it loses its upper half and the test fails, as it would on a Windows
// whose heap lies high. Memory is never given back: the program is short.
#include "tests/support/ReplacedAllocation.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kRegionBytes = std::size_t{1} << 30;
constexpr std::size_t kAlignment = 16;
constexpr std::uintptr_t kFirstTry = std::uintptr_t{1} << 36; // 64 GiB
constexpr std::uintptr_t kLastTry = std::uintptr_t{1} << 44;

char* reserveHighRegion() {
    for (std::uintptr_t at = kFirstTry; at <= kLastTry; at <<= 1) {
        void* region = VirtualAlloc(reinterpret_cast<void*>(at), kRegionBytes,
                                    MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (region != nullptr) return static_cast<char*>(region);
    }
    std::fputs("high heap: no room above 4 GiB\n", stderr);
    std::abort();
}

} // namespace

namespace replacedAllocation {

void* allocate(std::size_t size) {
    static char* const region = reserveHighRegion();
    static std::atomic<std::size_t> used{0};
    const std::size_t rounded = (size + kAlignment) / kAlignment * kAlignment;
    const std::size_t at = used.fetch_add(rounded);
    if (at + rounded > kRegionBytes) throw std::bad_alloc();
    return region + at;
}

void release(void*) noexcept {}

} // namespace replacedAllocation
