// The table of 1/j that the look-ahead scan reads, laid out as the limiter
// lays it out: entry 1 on a 16-byte boundary, with room past the last entry
// for whole vectors.
#pragma once

#include <cstdint>
#include <vector>

struct Reciprocals {
    explicit Reciprocals(int count) : storage(count + 16) {
        table = storage.data();
        while (reinterpret_cast<std::uintptr_t>(table + 1) % 16 != 0)
            ++table;
        for (int j = 1; j < count + 8; ++j)
            table[j] = 1.0f / static_cast<float>(j);
    }
    std::vector<float> storage;
    float* table;
};
