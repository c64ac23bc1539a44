// A VST 2.4 effect file loaded through its entry point, and instances of it
// driven as a host drives them: rate and block size, start, blocks of audio,
// parameters by name, chunks.
#pragma once

#include "tools/pluginhost/RecordingHost.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A failure that the tools report to the user in these words.
struct RenderError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class PluginInstance;

class PluginModule {
public:
    // Throws RenderError when the file cannot be loaded or has no entry point.
    explicit PluginModule(const std::string& path);

    // A new instance; throws RenderError when the entry gives no usable effect.
    std::unique_ptr<PluginInstance> instantiate();
    const std::string& path() const { return file; }

private:
    std::string file;
    PluginLibrary library;
    RecordingHost host;
};

class PluginInstance {
public:
    PluginInstance(RecordingHost& host, AEffect* effect);
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    std::string name();
    std::uint32_t uniqueId() const { return static_cast<std::uint32_t>(effect->uniqueID); }
    std::uint32_t version() const { return static_cast<std::uint32_t>(effect->version); }
    int programCount() const { return effect->numPrograms; }
    bool keepsChunks() const { return (effect->flags & effFlagsProgramChunks) != 0; }

    int parameterCount() const { return effect->numParams; }
    std::string parameterName(int index);
    std::string parameterDisplay(int index);
    // Index of the first parameter whose name matches, ignoring the case of
    // ASCII letters; -1 when none does.
    int findParameter(const std::string& name);
    float parameter(int index) { return effect->getParameter(effect, index); }
    void setParameter(int index, float value) { effect->setParameter(effect, index, value); }

    // The bank-form chunk, copied out of the plug-in.
    std::vector<unsigned char> chunk();
    // The plug-in's answer; only some plug-ins give it a meaning.
    VstIntPtr setChunk(std::vector<unsigned char> bytes);

    // Sets rate and block size and switches processing on.
    void start(double rate, int maxBlockFrames);
    // Any number of inputs and outputs as the record declares, at most the
    // block size given to start.
    void process(float* const* inputs, float* const* outputs, int frames) {
        effect->processReplacing(effect, const_cast<float**>(inputs), const_cast<float**>(outputs),
                                 frames);
        time.samplePos += frames;
    }
    int inputCount() const { return effect->numInputs; }
    int outputCount() const { return effect->numOutputs; }
    // The latency that the plug-in reports, in frames.
    int initialDelay() const { return effect->initialDelay; }

private:
    void stop();

    RecordingHost& host;
    AEffect* effect;
    // time: what audioMasterGetTime answers; samplePos counts the frames processed.
    VstTimeInfo time{};
    bool running = false;
};
