// A float's bit pattern, for tests that compare output bit for bit.
#pragma once

#include <cstdint>
#include <cstring>

inline std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}
