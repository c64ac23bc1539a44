#include "tests/support/GuardedBytes.h"

#include <windows.h>

namespace pages {

std::size_t size() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

unsigned char* map(std::size_t count) {
    return static_cast<unsigned char*>(
        VirtualAlloc(nullptr, count * size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

void forbid(unsigned char* page) {
    DWORD previous;
    VirtualProtect(page, size(), PAGE_NOACCESS, &previous);
}

void unmap(unsigned char* first, std::size_t) {
    VirtualFree(first, 0, MEM_RELEASE);
}

} // namespace pages
