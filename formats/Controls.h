// The plug-in's controls and meters in the units a user thinks in, as formats
// that describe their ports or parameters by range and unit show them. Values
// are converted by the plug-in's own laws, so that the same settings give
// the same normalised values, and so the same output bits, in every format.
#pragma once

#include <atomic>
#include <cstddef>

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

// The text the editor shows for the plug-in's value of a setting, with the
// unit it shows beside it: "15.0 dB", "3.2 ms"; a toggle's "On" or "Off".
// Cut to fit size bytes; false for a setting that is no finite number.
bool textOf(const Control& control, float units, char* text, std::size_t size);
// A setting read back from such a text: a number, the unit optional, or for
// a toggle also "on" or "off" (letter case ignored); clamped into the range.
// False for a text that holds no such setting.
bool unitsFromText(const Control& control, const char* text, double& units);

// The controls of a plug-in record, each found among its parameters by
// name, set and read in their units.
class ControlParameters {
public:
    // Same thread as the record's making; the record must outlive this. A
    // record that made no plug-in has none of the controls.
    explicit ControlParameters(PluginRecord& plugin);
    // The record's parameter index of a control; -1 when the plug-in lacks it.
    int parameterOf(int control) const { return parameters[control]; }
    // The control of a parameter index, or -1.
    int controlOf(int parameter) const;
    // Any thread: a setting handed to the plug-in, converted by its law;
    // false, and nothing set, for a setting that is no finite number or a
    // control that the plug-in lacks.
    bool set(int control, float units);
    // Any thread: the plug-in's setting of a control that it has.
    float units(int control) const;

private:
    // plugin: the record the controls belong to.
    // parameters: each control's parameter index in it, -1 if none; fixed.
    PluginRecord& plugin;
    int parameters[kControlCount];
};

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
