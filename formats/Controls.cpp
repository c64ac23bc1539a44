#include "formats/Controls.h"

#include "dsp/ParameterLaws.h"

#include <algorithm>
#include <cmath>

namespace controls {

namespace {

constexpr double kOn = 1.0, kOff = 0.0;
constexpr double kMeterRangeDb = 30.0;

double toggleValue(double units) {
    return units >= kOn / 2 ? kOn : kOff;
}
double toggleUnits(float value) {
    return laws::switchedOn(value) ? kOn : kOff;
}

} // namespace

const Control kControls[kControlCount] = {
    {"OutCeil", "Ceiling", Unit::decibels, -laws::kCeilingRangeDb, 0.0, laws::ceilingValue,
     laws::ceilingDb},
    {"Gain", "Gain", Unit::decibels, 0.0, laws::kGainRangeDb, laws::gainValue, laws::gainDb},
    {"Release", "Release", Unit::milliseconds, laws::kShortestReleaseMs, laws::kLongestReleaseMs,
     laws::releaseValue, laws::releaseMilliseconds},
    {"Stereo", "Stereo link", Unit::toggle, kOff, kOn, toggleValue, toggleUnits},
    {"ISP", "Inter-sample peaks", Unit::toggle, kOff, kOn, toggleValue, toggleUnits},
};

bool valueOf(const Control& control, float units, float& value) {
    if (!std::isfinite(units)) return false;
    const double clamped = std::clamp(static_cast<double>(units), control.minimum, control.maximum);
    value = std::clamp(static_cast<float>(control.toValue(clamped)), 0.0f, 1.0f);
    return true;
}

float unitsOf(const Control& control, float value) {
    return static_cast<float>(control.toUnits(value));
}

const Meter kMeters[kMeterCount] = {
    {"MeterI0", "Input left", false, -kMeterRangeDb, 0.0},
    {"MeterI1", "Input right", false, -kMeterRangeDb, 0.0},
    {"MeterR", "Gain reduction", true, 0.0, kMeterRangeDb},
    {"MeterO0", "Output left", false, -kMeterRangeDb, 0.0},
    {"MeterO1", "Output right", false, -kMeterRangeDb, 0.0},
};

// A level meter's reading runs from -30 dB (0) to 0 dB (1); the reduction
// meter's from no reduction (0) to 30 dB of it (1).
float meterDecibels(const Meter& meter, float reading) {
    const double decibels = kMeterRangeDb * static_cast<double>(reading);
    return static_cast<float>(meter.reduction ? decibels : decibels - kMeterRangeDb);
}

float meterReading(const Meter& meter, float decibels) {
    if (!std::isfinite(decibels)) return 0.0f;
    const double level = meter.reduction ? decibels : decibels + kMeterRangeDb;
    return static_cast<float>(std::clamp(level / kMeterRangeDb, 0.0, 1.0));
}

} // namespace controls
