// The look-ahead scan as written, which the fast scans are held to: the first
// strict maximum of (peak_j - E) / j over j = 1 .. lookAhead - 1, from `target`
// (the release slope) on. Returns its distance (0: none beat `target`), and
// leaves the maximum in `target`.
#pragma once

#include <cstdint>

inline std::int32_t literalScan(const float* peaks, std::int32_t lookAhead, float envelope,
                                float& target) {
    std::int32_t steepest = 0;
    for (std::int32_t j = 1; j < lookAhead; ++j) {
        const float v = (peaks[j] - envelope) / static_cast<float>(j);
        if (v > target) {
            target = v;
            steepest = j;
        }
    }
    return steepest;
}
