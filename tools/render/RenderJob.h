// One run of brelto-render: a plug-in configured from a state file and
// parameter settings, an audio file rendered through it with the plug-in's
// delay taken out (as often as a search for levels asks), and the figures of
// the report.
#pragma once

#include "tools/render/Conversion.h"
#include "tools/render/LevelSearch.h"
#include "tools/render/PluginSession.h"

#include <functional>
#include <memory>
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
    std::string preset;    // the delivery preset that set the goal, if one did
    int rate = 0;          // the output's sample rate; 0: the input's
    Dither dither = Dither::Default;
    std::string plot; // a picture of the levels over time, PNG
    // The meters on threads of their own, beside the render; a batch that
    // keeps every core busy measures on its renders' threads instead.
    bool measureOnThreads = true;
    // Told the share of the current render done, from the rendering thread.
    std::function<void(double)> progressed;
};

struct StreamFigures {
    std::string path;
    std::string format;
    int rate = 0;
    int channels = 0;
    long long frames = 0;
    double samplePeakDb = 0.0, loudnessLufs = 0.0, loudnessRangeLu = 0.0;
    double truePeakDb = 0.0;        // libebur128's
    double oversampledPeakDb = 0.0; // the 8 times oversampled reading
    // The true peak that a limit holds on: the higher reading.
    double highestTruePeakDb() const;
    // Peak to loudness ratio: the higher true peak over the integrated loudness.
    double peakToLoudnessDb() const { return highestTruePeakDb() - loudnessLufs; }
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
    std::string preset;
    // Brelto's, as rendered; a negative gain is an attenuation before the plug-in.
    double gainDb = 0.0, ceilingDb = 0.0;
    bool dithered = false;
    std::string plot;
};

// The output path used when none is given: "dir/name.wav" -> "dir/name.limited.wav",
// with the extension of the output format; with an output folder, "folder/name.wav".
std::string defaultOutputPath(const std::string& input, const std::string& extension,
                              const std::string& outDir = "");

class LevelMeter;
struct AudioJob;
struct PassResult;
struct PassSettings;
struct Setup;

// One file on its way through the plug-in: the input opened and checked, the
// plug-in set up and its delay measured on construction, before any audio is
// written; rendered as often as asked, each time through a fresh instance;
// the last render put in place by commit().
class FileRender {
public:
    // Throws RenderError. Saves the state when asked; that is all it does
    // when the request names no input.
    explicit FileRender(const RenderRequest& request);
    ~FileRender();
    FileRender(const FileRender&) = delete;
    FileRender& operator=(const FileRender&) = delete;

    bool hasAudio() const { return audio != nullptr; }
    const std::string& inputPath() const { return request.input; }
    // Brelto's gain and ceiling in dB as the settings leave them.
    double startGainDb() const { return startGain; }
    double startCeilingDb() const { return startCeiling; }

    // Renders at Brelto's gain and ceiling in dB; a negative gain is an
    // attenuation before the plug-in, which then runs at 0 dB.
    Attempt renderAt(double gainDb, double ceilingDb);
    // Renders with the settings as given.
    void renderAsSet();
    // The meters of the output of the last render and of the input.
    const LevelMeter& outputMeter() const;
    const LevelMeter& inputMeter() const;
    // Draws the plot, when asked, and puts the output in place.
    void commit();

    RenderReport& report() { return figures; }

private:
    void render(const PassSettings& settings);

    RenderRequest request;
    PluginModule module;
    std::unique_ptr<AudioJob> audio;
    std::unique_ptr<Setup> setup;
    std::unique_ptr<PassResult> last;
    std::unique_ptr<LevelMeter> inputLevels;
    RenderReport figures;
    double startGain = 0.0, startCeiling = 0.0;
};

// Renders one file, searching for the levels that the goal asks.
// Throws RenderError; writes nothing before every setting has been checked.
RenderReport runRender(const RenderRequest& request);
