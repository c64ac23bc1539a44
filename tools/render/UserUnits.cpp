#include "tools/render/UserUnits.h"

#include "dsp/ParameterLaws.h"
#include "tools/render/PluginSession.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

constexpr double kOn = 1.0, kOff = 0.0;

double switchValue(double on) {
    return on;
}

std::string number(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

} // namespace

const UserUnit kUserUnits[kUserUnitCount] = {
    {"--gain-db", "Gain", "dB", 0.0, laws::kGainRangeDb, laws::gainValue},
    {"--ceiling-db", "OutCeil", "dB", -laws::kCeilingRangeDb, 0.0, laws::ceilingValue},
    {"--release-ms", "Release", "ms", laws::kShortestReleaseMs, laws::kLongestReleaseMs,
     laws::releaseValue},
    {"--stereo", "Stereo", nullptr, kOff, kOn, switchValue},
    {"--isp", "ISP", nullptr, kOff, kOn, switchValue},
};

const UserUnit* findUserUnit(const std::string& option) {
    for (const UserUnit& unit : kUserUnits)
        if (option == unit.option) return &unit;
    return nullptr;
}

bool parseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

std::string rangeText(const UserUnit& unit) {
    if (unit.unit == nullptr) return "on | off";
    return number(unit.low) + ".." + number(unit.high) + " " + unit.unit;
}

float normalisedValue(const UserUnit& unit, const std::string& text) {
    double value = 0.0;
    if (unit.unit == nullptr) {
        if (text == "on") return static_cast<float>(unit.normalise(kOn));
        if (text == "off") return static_cast<float>(unit.normalise(kOff));
    } else if (parseNumber(text, value) && value >= unit.low && value <= unit.high) {
        return static_cast<float>(unit.normalise(value));
    }
    const std::string given = std::string(unit.option) + " " + text;
    if (unit.unit == nullptr) throw RenderError(given + ": the valid values are on and off");
    throw RenderError(given + ": out of range; the valid range is " + rangeText(unit));
}
