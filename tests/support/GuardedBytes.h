// Memory between two no-access pages: bytes placed against either page make
// any read past their end, or before their start, fault at once.
#pragma once

#include <cstddef>

class GuardedBytes {
public:
    // Room for at least capacity bytes between the guards.
    explicit GuardedBytes(std::size_t capacity);
    ~GuardedBytes();
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    // Copies size bytes so that the last one touches the guard behind them.
    unsigned char* placeAtEnd(const void* bytes, std::size_t size);
    // Copies size bytes so that the first one follows the guard before them.
    unsigned char* placeAtStart(const void* bytes, std::size_t size);
    std::size_t capacity() const { return usable; }

private:
    unsigned char* first = nullptr; // the guard page before
    std::size_t pageCount = 0;
    std::size_t page = 0;
    std::size_t usable = 0;
};

// The platform's page services, chosen by folder.
namespace pages {
std::size_t size();
// count readable and writable pages, or null.
unsigned char* map(std::size_t count);
void forbid(unsigned char* page); // no access from now on
void unmap(unsigned char* first, std::size_t count);
} // namespace pages
