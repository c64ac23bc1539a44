// Text helpers shared by every layer: names compared as the plug-in's
// lookups compare them, and copies into fixed-size buffers.
#pragma once

#include <cstddef>
#include <string_view>

namespace base {

// Equal texts when ASCII letters are taken without their case.
bool sameIgnoringCase(std::string_view a, std::string_view b);

// Copies source into destination, cut after maxLength characters and
// terminated: destination holds at least maxLength + 1 bytes.
void copyCut(char* destination, const char* source, std::size_t maxLength);

// Copies source into the array destination, cut to fit and terminated.
template <std::size_t size> void copyInto(char (&destination)[size], const char* source) {
    static_assert(size > 0, "no room for the terminator");
    copyCut(destination, source, size - 1);
}

} // namespace base
