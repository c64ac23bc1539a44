// Brelto's parameters in the units a user thinks in, converted to the
// normalised values the plug-in takes by the inverses of its own laws.
#pragma once

#include <string>

struct UserUnit {
    const char* option;    // "--gain-db"
    const char* parameter; // the plug-in's parameter name
    const char* unit;      // "dB", "ms"; null for switches
    double low, high;      // valid range in that unit
    double (*normalise)(double);
};

constexpr int kUserUnitCount = 5;
extern const UserUnit kUserUnits[kUserUnitCount];

// The unit for an option, or null.
const UserUnit* findUserUnit(const std::string& option);

// Parses the value of a user-unit option and converts it; throws RenderError
// naming the option and its valid range when the text is no value in range.
float normalisedValue(const UserUnit& unit, const std::string& text);

// The valid range as messages and the usage show it: "0..30 dB", "on | off".
std::string rangeText(const UserUnit& unit);

// A decimal number and nothing else ("12", "-0.3", ".5", "1e-3"); false for
// anything else, hexadecimal, "inf" and "nan" among them. A number too large
// for a double comes back infinite.
bool parseNumber(const std::string& text, double& value);

// The number `text` within low..high. Throws RenderError "GIVEN: not a number"
// or "GIVEN: out of range", each followed by "; the valid range is RANGE".
double numberInRange(const std::string& given, const std::string& text, double low, double high,
                     const std::string& range);
