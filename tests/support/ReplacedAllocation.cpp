// Every form of the global new and delete, led to the two functions that the
// test program defines.
#include "tests/support/ReplacedAllocation.h"

#include <new>

void* operator new(std::size_t size) {
    return replacedAllocation::allocate(size);
}
void* operator new[](std::size_t size) {
    return replacedAllocation::allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return replacedAllocation::allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* memory) noexcept {
    replacedAllocation::release(memory);
}
void operator delete[](void* memory) noexcept {
    replacedAllocation::release(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    replacedAllocation::release(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    replacedAllocation::release(memory);
}
