// The laws that give the normalised parameter values 0..1 their meaning, and
// their inverses from the units a user thinks in. Each is computed in double;
// whoever keeps a result stores it as a 32-bit float.
#pragma once

#include "base/Decimal.h"

#include <cstdint>

namespace laws {

constexpr double kGainRangeDb = 30.0;                // Gain 0..1 is 0..+30 dB
constexpr double kCeilingRangeDb = 30.0;             // OutCeil 0..1 is -30..0 dB
constexpr double kShortestReleaseMs = 1.0;           // Release 0
constexpr double kLongestReleaseMs = 100.0;          // Release 1
constexpr double kReleaseDecades = 2.0;              // log10(100 ms / 1 ms)
constexpr double kDecadesPerDb = 0.05;               // 20 dB is a factor of 10
constexpr double kGainDecades = kGainRangeDb / 20.0; // exactly 1.5
constexpr float kSwitchOn = 0.5f;                    // Stereo and ISP: on from here up

inline double gainDb(float value) {
    return kGainRangeDb * static_cast<double>(value);
}
// 10^(1.5 v)
inline double linearGain(float value) {
    return decimal::power(kGainDecades * static_cast<double>(value));
}
inline double ceilingDb(float value) {
    return kCeilingRangeDb * static_cast<double>(value) - kCeilingRangeDb;
}
// 10^((30 v - 30) / 20)
inline double linearCeiling(float value) {
    return decimal::power(ceilingDb(value) * kDecadesPerDb);
}
// 100^v
inline double releaseMilliseconds(float value) {
    return decimal::power(kReleaseDecades * static_cast<double>(value));
}
// The release in frames at `rate`, from the release time held in single precision.
inline std::int32_t releaseFrames(std::int32_t rate, float value) {
    constexpr double kPerMillisecond = 0.001;
    const auto milliseconds = static_cast<float>(releaseMilliseconds(value));
    return static_cast<std::int32_t>(rate * static_cast<double>(milliseconds) * kPerMillisecond);
}
inline bool switchedOn(float value) {
    return value >= kSwitchOn;
}

// The inverses; values outside the ranges above give values outside 0..1.
inline double gainValue(double db) {
    return db / kGainRangeDb;
}
inline double ceilingValue(double db) {
    return (db + kCeilingRangeDb) / kCeilingRangeDb;
}
inline double releaseValue(double milliseconds) {
    return decimal::logarithm(milliseconds) / kReleaseDecades;
}

} // namespace laws
