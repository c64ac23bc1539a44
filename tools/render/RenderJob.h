// One run of brelto-render: a plug-in configured from a state file and
// parameter settings, an audio file rendered through it with the plug-in's
// delay taken out, and the figures of the report.
#pragma once

#include "tools/render/PluginSession.h"

#include <string>
#include <utility>
#include <vector>

// One parameter as the user set it.
struct ParameterSetting {
    std::string given; // the option as written, for messages ("--gain-db 9")
    std::string name;  // parameter name, or empty when index is given
    int index = -1;
    float value = 0.0f;       // normalised
    bool breltoUnits = false; // set through one of Brelto's user-unit options
};

struct RenderRequest {
    std::string plugin;
    std::string input;  // empty: only the state is saved
    std::string output; // empty: INPUT.limited.EXT
    std::string format;
    std::string loadState, saveState;
    std::vector<ParameterSetting> settings;
    bool align = true;
    bool progress = false;
};

struct StreamFigures {
    std::string path;
    std::string format;
    int rate = 0;
    int channels = 0;
    long long frames = 0;
    double samplePeakDb = 0.0, truePeakDb = 0.0, loudnessLufs = 0.0;
};

struct RenderReport {
    std::string pluginName, pluginPath;
    std::vector<std::pair<std::string, float>> parameters; // as the plug-in holds them
    std::string loadedState, savedState;
    bool rendered = false;
    StreamFigures input, output;
    bool gainReductionKnown = false; // known for Brelto, whose gain law is known here
    double largestReductionDb = 0.0, averageReductionDb = 0.0;
    int latencyFrames = -1; // -1: no impulse came through
    bool aligned = false;
    long long processedFrames = 0;
    double processSeconds = 0.0; // inside processReplacing only
};

// The output path used when none is given: "dir/name.wav" -> "dir/name.limited.wav",
// with the extension of the output format.
std::string defaultOutputPath(const std::string& input, const std::string& extension);

// Throws RenderError; writes nothing before every setting has been checked.
RenderReport runRender(const RenderRequest& request);

// Set by SIGINT or SIGTERM; the render stops and removes its partial file.
void stopOnSignals();
