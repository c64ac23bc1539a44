#include "tests/support/GuardedBytes.h"

#include <cstring>
#include <new>

GuardedBytes::GuardedBytes(std::size_t capacity) : page(pages::size()) {
    const std::size_t inner = (capacity + page - 1) / page;
    pageCount = inner + 2;
    first = pages::map(pageCount);
    if (first == nullptr) throw std::bad_alloc();
    pages::forbid(first);
    pages::forbid(first + (pageCount - 1) * page);
    usable = inner * page;
}

GuardedBytes::~GuardedBytes() {
    pages::unmap(first, pageCount);
}

unsigned char* GuardedBytes::placeAtEnd(const void* bytes, std::size_t size) {
    unsigned char* at = first + page + usable - size;
    if (size > 0) std::memcpy(at, bytes, size);
    return at;
}

unsigned char* GuardedBytes::placeAtStart(const void* bytes, std::size_t size) {
    unsigned char* at = first + page;
    if (size > 0) std::memcpy(at, bytes, size);
    return at;
}
