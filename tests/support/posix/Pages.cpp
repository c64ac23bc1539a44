#include "tests/support/GuardedBytes.h"

#include <sys/mman.h>
#include <unistd.h>

namespace pages {

std::size_t size() {
    return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

unsigned char* map(std::size_t count) {
    void* memory =
        mmap(nullptr, count * size(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return memory == MAP_FAILED ? nullptr : static_cast<unsigned char*>(memory);
}

void forbid(unsigned char* page) {
    mprotect(page, size(), PROT_NONE);
}

void unmap(unsigned char* first, std::size_t count) {
    munmap(first, count * size());
}

} // namespace pages
