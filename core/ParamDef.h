// The one table that describes every control of the plug-in: host
// parameters, meters and value displays, with their editor placement,
// defaults, default MIDI controllers and chunk keys (the names).
#pragma once

#include <atomic>
#include <cstdint>

// Kind of control the editor makes for a row.
enum ControlKind : std::int32_t {
    kOnOffButton = 1,
    kVerticalSlider = 2,
    kKnobA = 5,
    kKnob = 6,
    kKnobC = 7,
    kKickButton = 9,
    kTextEntry = 10,
    kHorizontalSwitch = 11,
    kVerticalSwitch = 12,
    kMeter = 13,
    kValueDisplay = 14,
};

// Formats a normalised value as the text of a value display.
using DisplayFunction = void (*)(float value, char* text);

struct ParamDef {
    std::int32_t type;
    std::int32_t x, y, width, height;
    const char* name;
    std::int32_t startAngle, rangeAngle; // degrees
    float defaultValue;
    std::int32_t defaultController;
    std::int32_t bitmapId;
    std::int32_t handleBitmapId;
    std::int32_t positions;
    std::int32_t frameHeight;
    std::int32_t backgroundOffsetX, backgroundOffsetY;
    DisplayFunction display; // value displays
    const char* initialText; // text entries
};

constexpr int kParamRowCount = 13;
constexpr int kHostParameterCount = 10;
extern const ParamDef ParamDefTable[kParamRowCount];

// Indexes of the host parameters, in table order.
enum ParamIndex : std::int32_t {
    kOutCeil = 0,
    kGain,
    kRelease,
    kStereo,
    kIsp,
    kMeterI0,
    kMeterI1,
    kMeterR,
    kMeterO0,
    kMeterO1,
};

// Runtime row of one table entry. value and the meter reading are shared
// between the audio and the user-interface thread and are read and written whole.
struct ParamRow {
    std::int32_t type = 0;
    std::int32_t x = 0, y = 0;
    void* control = nullptr; // the editor's control while it is open; only the editor reads it
    char label[16] = {};     // units text
    char name[32] = {};
    DisplayFunction display = nullptr;
    const char* initialText = nullptr;
    std::atomic<float> value{0.0f}; // normalised 0..1
    float defaultValue = 0.0f;
    std::int32_t startAngle = 0, rangeAngle = 0;
    std::int32_t bitmapId = 0;
    std::int32_t handleBitmapId = 0;
    std::int32_t width = 0, height = 0;
    std::int32_t frameHeight = 0;
    std::int32_t positions = 0;
    const std::atomic<float>* meterSource = nullptr; // live meter reading
    std::int32_t backgroundOffsetX = 0, backgroundOffsetY = 0;

    void assign(const ParamDef& def, const std::atomic<float>* silentMeter);
};

// Display functions of the value rows ("%.1f").
void gainDisplay(float value, char* text);
void releaseDisplay(float value, char* text);
void ceilingDisplay(float value, char* text);

// Row lookup by name, ignoring the case of letters; the first match wins.
int lookupParamIndex(const ParamRow* rows, const char* name);
ParamRow* lookupParamRow(ParamRow* rows, const char* name);
