#include "tools/render/UserUnits.h"

#include "dsp/ParameterLaws.h"
#include "tools/render/PluginSession.h"

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
    std::size_t at = 0;
    auto digits = [&] {
        const std::size_t from = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
        return at > from;
    };
    auto sign = [&] {
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    };
    sign();
    const bool whole = digits();
    bool fraction = false;
    if (at < text.size() && text[at] == '.') {
        ++at;
        fraction = digits();
    }
    if (!whole && !fraction) return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        sign();
        if (!digits()) return false;
    }
    if (at != text.size()) return false;
    value = std::strtod(text.c_str(), nullptr);
    return true;
}

double numberInRange(const std::string& given, const std::string& text, double low, double high,
                     const std::string& range) {
    double value = 0.0;
    if (!parseNumber(text, value))
        throw RenderError(given + ": not a number; the valid range is " + range);
    if (!(value >= low && value <= high))
        throw RenderError(given + ": out of range; the valid range is " + range);
    return value;
}

std::string rangeText(const UserUnit& unit) {
    if (unit.unit == nullptr) return "on | off";
    return number(unit.low) + ".." + number(unit.high) + " " + unit.unit;
}

float normalisedValue(const UserUnit& unit, const std::string& text) {
    const std::string given = std::string(unit.option) + " " + text;
    if (unit.unit != nullptr)
        return static_cast<float>(
            unit.normalise(numberInRange(given, text, unit.low, unit.high, rangeText(unit))));
    if (text == "on") return static_cast<float>(unit.normalise(kOn));
    if (text == "off") return static_cast<float>(unit.normalise(kOff));
    throw RenderError(given + ": the valid values are on and off");
}
