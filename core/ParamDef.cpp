#include "core/ParamDef.h"

#include "base/Text.h"
#include "dsp/ParameterLaws.h"

#include <cstdio>

namespace {

constexpr int kKnobSize = 40;
constexpr int kLampSize = 16;
constexpr int kMeterWidth = 160, kMeterHeight = 8;
constexpr int kDisplayWidth = 32, kDisplayHeight = 14;
constexpr int kKnobStart = -135, kKnobSweep = -270;
constexpr int kKnobStrip = 266, kLamp = 257, kLevelStrip = 260, kReductionStrip = 268;

// The most that a value display's text takes, terminator included: "%.1f"
// of these laws gives at most five characters.
constexpr std::size_t kValueTextSize = 16;

} // namespace

// clang-format off
const ParamDef ParamDefTable[kParamRowCount] = {
//   type           x    y    width          height          name        start       sweep       default ctl bitmap         hnd pos frameHeight     bgx bgy display
    {kKnob,         288, 120, kKnobSize,     kKnobSize,      "OutCeil",  kKnobStart, kKnobSweep, 1.0f,   7,  kKnobStrip,    0,  0,  kKnobSize,      0,  0,  nullptr, nullptr},
    {kKnob,         24,  120, kKnobSize,     kKnobSize,      "Gain",     kKnobStart, kKnobSweep, 0.0f,   26, kKnobStrip,    0,  0,  kKnobSize,      0,  0,  nullptr, nullptr},
    {kKnob,         156, 120, kKnobSize,     kKnobSize,      "Release",  kKnobStart, kKnobSweep, 0.25f,  29, kKnobStrip,    0,  0,  kKnobSize,      0,  0,  nullptr, nullptr},
    {kOnOffButton,  24,  40,  kLampSize,     kLampSize,      "Stereo",   kKnobStart, kKnobSweep, 1.0f,   23, kLamp,         0,  0,  kLampSize,      0,  0,  nullptr, nullptr},
    {kOnOffButton,  24,  80,  kLampSize,     kLampSize,      "ISP",      kKnobStart, kKnobSweep, 1.0f,   23, kLamp,         0,  0,  kLampSize,      0,  0,  nullptr, nullptr},
    {kMeter,        216, 40,  kMeterWidth,   kMeterHeight,   "MeterI0",  0,          0,          0.0f,   60, kLevelStrip,   0,  0,  kMeterHeight,   0,  0,  nullptr, nullptr},
    {kMeter,        216, 48,  kMeterWidth,   kMeterHeight,   "MeterI1",  0,          0,          0.0f,   60, kLevelStrip,   0,  0,  kMeterHeight,   0,  0,  nullptr, nullptr},
    {kMeter,        216, 60,  kMeterWidth,   kMeterHeight,   "MeterR",   0,          0,          0.0f,   60, kReductionStrip, 0, 0, kMeterHeight,   0,  0,  nullptr, nullptr},
    {kMeter,        216, 72,  kMeterWidth,   kMeterHeight,   "MeterO0",  0,          0,          0.0f,   60, kLevelStrip,   0,  0,  kMeterHeight,   0,  0,  nullptr, nullptr},
    {kMeter,        216, 80,  kMeterWidth,   kMeterHeight,   "MeterO1",  0,          0,          0.0f,   60, kLevelStrip,   0,  0,  kMeterHeight,   0,  0,  nullptr, nullptr},
    {kValueDisplay, 69,  118, kDisplayWidth, kDisplayHeight, "_Gain",    0,          0,          0.0f,   26, 0,             0,  0,  0,              0,  0,  gainDisplay, nullptr},
    {kValueDisplay, 201, 118, kDisplayWidth, kDisplayHeight, "_Release", 0,          0,          0.0f,   29, 0,             0,  0,  0,              0,  0,  releaseDisplay, nullptr},
    {kValueDisplay, 333, 118, kDisplayWidth, kDisplayHeight, "_OutCeil", 0,          0,          1.0f,   29, 0,             0,  0,  0,              0,  0,  ceilingDisplay, nullptr},
};
// clang-format on

void ParamRow::assign(const ParamDef& def, const std::atomic<float>* silentMeter) {
    type = def.type;
    x = def.x;
    y = def.y;
    control = nullptr;
    label[0] = 0;
    base::copyInto(name, def.name);
    display = def.display;
    initialText = def.initialText;
    value.store(def.defaultValue, std::memory_order_relaxed);
    defaultValue = def.defaultValue;
    startAngle = def.startAngle;
    rangeAngle = def.rangeAngle;
    bitmapId = def.bitmapId;
    handleBitmapId = def.handleBitmapId;
    width = def.width;
    height = def.height;
    frameHeight = def.frameHeight;
    positions = def.positions;
    meterSource = silentMeter;
    backgroundOffsetX = def.backgroundOffsetX;
    backgroundOffsetY = def.backgroundOffsetY;
}

// The laws are computed in double: a float product can round a value across
// the boundary of the printed digit.
void gainDisplay(float value, char* text) {
    std::snprintf(text, kValueTextSize, "%.1f", laws::gainDb(value));
}

void releaseDisplay(float value, char* text) {
    std::snprintf(text, kValueTextSize, "%.1f", laws::releaseMilliseconds(value));
}

void ceilingDisplay(float value, char* text) {
    std::snprintf(text, kValueTextSize, "%.1f", laws::ceilingDb(value));
}

int lookupParamIndex(const ParamRow* rows, const char* name) {
    if (name == nullptr) return -1;
    for (int i = 0; i < kParamRowCount; ++i)
        if (base::sameIgnoringCase(rows[i].name, name)) return i;
    return -1;
}

ParamRow* lookupParamRow(ParamRow* rows, const char* name) {
    const int index = lookupParamIndex(rows, name);
    return index < 0 ? nullptr : &rows[index];
}
