// The global allocation functions of a test program that replaces them
// (ReplacedAllocation.cpp) lead here; the program defines these two.
#pragma once

#include <cstddef>

namespace replacedAllocation {

// Memory for size bytes, a distinct block also for 0; throws std::bad_alloc
// when there is none.
void* allocate(std::size_t size);
// Memory from allocate, or null.
void release(void* memory) noexcept;

} // namespace replacedAllocation
