// One pass of a file through a fresh instance of the plug-in: the input read
// from its first frame and attenuated if asked, the output converted to its
// rate and its sample format, written to a temporary file and measured as
// written. Searches for a loudness or a true peak make several passes and
// keep the last.
#pragma once

#include "tools/render/AudioFile.h"
#include "tools/render/Measurements.h"
#include "tools/render/RenderJob.h"

#include <memory>
#include <utility>
#include <vector>

// Everything that makes an instance sound as asked, checked against the plug-in.
struct Setup {
    std::vector<unsigned char> state; // bank chunk, empty for none
    std::vector<std::pair<int, float>> values;
    int gainIndex = -1, ceilingIndex = -1; // Brelto's Gain and OutCeil; -1 for other plug-ins

    void apply(PluginInstance& instance) const;
};

// The input opened and checked and the output chosen, before anything is
// written; then the plug-in's delay measured.
struct AudioJob {
    AudioReader reader;
    AudioFormat in, out;
    std::string outputPath;
    int latencyFrames = -1; // -1: no impulse came through
    bool aligned = false;

    // Warns on stderr when the input's header promises more frames than it holds.
    explicit AudioJob(const RenderRequest& request);
    void measureDelay(const RenderRequest& request, PluginModule& module, const Setup& setup);
};

struct PassSettings {
    float gain = -1.0f, ceiling = -1.0f; // normalised; negative: as the setup leaves them
    double trimDb = 0.0;                 // a gain applied to the input before the plug-in
    bool measureInput = true;
    bool trace = false; // collect the levels over time
};

struct PassResult {
    float gain = 0.0f, ceiling = 0.0f; // as the instance held them
    double trimDb = 0.0;
    StreamFigures input, output; // input figures only when measured
    // The meters themselves, for figures over several files; input only when measured.
    std::unique_ptr<LevelMeter> inputMeter, outputMeter;
    bool gainReductionKnown = false;
    double largestReductionDb = 0.0, averageReductionDb = 0.0;
    long long processedFrames = 0;
    double processSeconds = 0.0;
    bool dithered = false;
    std::unique_ptr<AudioWriter> writer; // the output, complete but not yet in place
    LevelTrace trace;
};

PassResult renderPass(AudioJob& job, const RenderRequest& request, PluginModule& module,
                      const Setup& setup, const PassSettings& settings);

// True when the instance is Brelto, whose parameter laws this tool knows.
bool isBrelto(PluginInstance& instance);
