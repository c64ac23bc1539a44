#include "formats/Controls.h"

#include "base/Text.h"
#include "core/ParamDef.h"
#include "dsp/ParameterLaws.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

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

constexpr const char* kOnText = "On";
constexpr const char* kOffText = "Off";
// The editor's value displays write into buffers of this size.
constexpr std::size_t kDisplayBuffer = 256;

const char* unitText(Unit unit) {
    switch (unit) {
    case Unit::decibels:
        return "dB";
    case Unit::milliseconds:
        return "ms";
    default:
        return nullptr;
    }
}

// The editor's value display of a control: its row is named after the
// control's parameter with a leading "_".
DisplayFunction displayOf(const Control& control) {
    for (const ParamDef& row : ParamDefTable)
        if (row.display != nullptr && row.name[0] == '_' &&
            std::strcmp(row.name + 1, control.parameter) == 0)
            return row.display;
    return nullptr;
}

std::string_view trimmed(const char* text) {
    std::string_view view(text);
    const auto first = view.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return view.substr(first, view.find_last_not_of(" \t") - first + 1);
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

bool textOf(const Control& control, float units, char* text, std::size_t size) {
    float value = 0.0f;
    if (size == 0 || !valueOf(control, units, value)) return false;
    if (control.unit == Unit::toggle) {
        std::snprintf(text, size, "%s", laws::switchedOn(value) ? kOnText : kOffText);
        return true;
    }
    const DisplayFunction display = displayOf(control);
    if (display == nullptr) return false;
    char shown[kDisplayBuffer] = {};
    display(value, shown);
    std::snprintf(text, size, "%s %s", shown, unitText(control.unit));
    return true;
}

bool unitsFromText(const Control& control, const char* text, double& units) {
    if (text == nullptr) return false;
    if (control.unit == Unit::toggle) {
        const std::string_view word = trimmed(text);
        if (base::sameIgnoringCase(word, kOnText) || base::sameIgnoringCase(word, kOffText)) {
            units = base::sameIgnoringCase(word, kOnText) ? kOn : kOff;
            return true;
        }
    }
    char* end = nullptr;
    const double number = std::strtod(text, &end);
    if (end == text || !std::isfinite(number)) return false;
    const std::string_view unit = trimmed(end);
    const char* expected = unitText(control.unit);
    if (!unit.empty() && (expected == nullptr || !base::sameIgnoringCase(unit, expected)))
        return false;
    const double clamped = std::clamp(number, control.minimum, control.maximum);
    units = control.unit == Unit::toggle ? toggleValue(clamped) : clamped;
    return true;
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
