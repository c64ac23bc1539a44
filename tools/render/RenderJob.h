// One run of brelto-render: a plug-in configured from a state file and
// parameter settings, an audio file rendered through it with the plug-in's
// delay taken out, and the figures of the report.
#pragma once

#include "tools/render/Conversion.h"
#include "tools/render/LevelSearch.h"
#include "tools/render/PluginSession.h"

#include <functional>
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
    std::string output; // empty: INPUT.limited.EXT, or the input's name in outDir
    std::string outDir;
    std::string format;
    std::string loadState, saveState;
    std::vector<ParameterSetting> settings;
    bool align = true;
    bool progress = false; // a bar on a terminal
    LevelGoal goal;        // Brelto only
    Dither dither = Dither::Default;
    std::string plot; // a picture of the levels over time, PNG
    // Told the share of the current render done, from the rendering thread.
    std::function<void(double)> progressed;
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
    double processSeconds = 0.0; // inside processReplacing only, in the render kept
    int renders = 0;             // passes through the plug-in, searches included
    LevelGoal goal;
    double gainDb = 0.0, ceilingDb = 0.0; // Brelto's, as rendered
    bool dithered = false;
    std::string plot;
};

// The output path used when none is given: "dir/name.wav" -> "dir/name.limited.wav",
// with the extension of the output format; with an output folder, "folder/name.wav".
std::string defaultOutputPath(const std::string& input, const std::string& extension,
                              const std::string& outDir = "");

// Throws RenderError; writes nothing before every setting has been checked.
RenderReport runRender(const RenderRequest& request);
