#include "dsp/Meters.h"

#include "base/Decimal.h"

namespace {
constexpr double kQuietest = 0.0316; // -30 dB
constexpr double kRangeDb = 30.0;
constexpr double kPerDb = 0.033333335; // 1 / 30
} // namespace

float meterScale(float level) {
    if (level < kQuietest) return 0.0f;
    const auto position =
        static_cast<float>((20.0 * decimal::logarithm(level) + kRangeDb) * kPerDb);
    return position > 1.0f ? 1.0f : position;
}
