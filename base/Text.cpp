#include "base/Text.h"

namespace base {

namespace {

char lowered(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

} // namespace

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowered(a[i]) != lowered(b[i])) return false;
    return true;
}

void copyCut(char* destination, const char* source, std::size_t maxLength) {
    std::size_t n = 0;
    for (; n < maxLength && source[n] != 0; ++n)
        destination[n] = source[n];
    destination[n] = 0;
}

} // namespace base
