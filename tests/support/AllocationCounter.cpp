#include "tests/support/AllocationCounter.h"
#include "tests/support/ReplacedAllocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> madeCount{0};
std::atomic<long> liveCount{0};
std::atomic<long> remainingBeforeFailure{-1};

} // namespace

namespace allocations {
long made() {
    return madeCount.load();
}
long live() {
    return liveCount.load();
}
void failAfter(long count) {
    remainingBeforeFailure.store(count);
}
} // namespace allocations

namespace replacedAllocation {

void* allocate(std::size_t size) {
    long remaining = remainingBeforeFailure.load();
    if (remaining == 0) throw std::bad_alloc();
    if (remaining > 0) remainingBeforeFailure.store(remaining - 1);
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) throw std::bad_alloc();
    ++madeCount;
    ++liveCount;
    return memory;
}

void release(void* memory) noexcept {
    if (memory == nullptr) return;
    --liveCount;
    std::free(memory);
}

} // namespace replacedAllocation
