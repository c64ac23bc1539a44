// The plug-in's controls and meters in the units a user thinks in, as formats
// that describe their ports or parameters by range and unit show them. Values
// are converted by the plug-in's own laws, so that the same settings give
// the same normalised values, and so the same output bits, in every format.
#pragma once

#include <atomic>

class PluginRecord;

namespace controls {

enum class Unit { decibels, milliseconds, toggle };

struct Control {
    const char* parameter; // the plug-in's parameter name
    const char* label;     // what a host shows
    Unit unit;
    double minimum, maximum; // in that unit
    double (*toValue)(double units);
    double (*toUnits)(float value);
};

constexpr int kControlCount = 5;
extern const Control kControls[kControlCount];

// The plug-in's value 0..1 for a setting in units, clamped into the range;
// false for a setting that is no finite number.
bool valueOf(const Control& control, float units, float& value);
float unitsOf(const Control& control, float value);

// The meters read in dB: the levels from -30 (or below) to 0 dB, the gain
// reduction from 0 to 30 dB (or more), the scale of the editor's meters.
struct Meter {
    const char* parameter; // the plug-in's parameter name of the meter
    const char* label;
    bool reduction;
    double minimum, maximum; // dB
};

constexpr int kMeterCount = 5;
extern const Meter kMeters[kMeterCount];

float meterDecibels(const Meter& meter, float reading);
float meterReading(const Meter& meter, float decibels);

// The live readings of a plug-in's meters. The VST 2.4 interface does not
// carry them: they are read from the meter rows of the plug-in core behind
// the record, as the editor reads them.
class MeterReadings {
public:
    // Same thread as the record's making; the record must outlive this.
    explicit MeterReadings(PluginRecord& plugin);
    // Any thread: the reading in dB.
    float decibels(int meter) const;

private:
    // sources: each meter's reading (0..1) as the plug-in writes it; null
    // for a meter the plug-in does not have.
    const std::atomic<float>* sources[kMeterCount] = {};
};

// Meters of an editor that show readings given to them, for an editor whose
// plug-in does not process the audio the meters belong to.
class GivenMeters {
public:
    // Same thread as the record's making: the editor's meters read from here
    // on; this must outlive the record.
    void attach(PluginRecord& plugin);
    // Any thread: a reading in dB, shown at the editor's next idle.
    void show(int meter, float decibels);

private:
    // readings: the readings (0..1) the editor shows; written on any thread.
    std::atomic<float> readings[kMeterCount] = {};
};

} // namespace controls
