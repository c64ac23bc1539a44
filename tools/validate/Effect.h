// The validator's side of the VST 2.4 interface: a plug-in file loaded
// through its entry point, instances of it driven only through their records,
// and the host callback they all share. Nothing here looks behind a record.
#pragma once

#include "tools/pluginhost/PluginLibrary.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The rate and block size the validator runs at unless a check says otherwise;
// the host callback answers them too.
constexpr float kRate = 44100.0f;
constexpr int kBlock = 512;

class PluginFile {
public:
    explicit PluginFile(const std::string& path);

    // Empty when the file loaded and exports an entry point; else why not.
    const std::string& error() const { return failure; }
    PluginEntry entry() const { return main; }
    const std::string& path() const { return file; }

private:
    std::string file;
    PluginLibrary library;
    PluginEntry main = nullptr;
    std::string failure;
};

// One instance, closed when it goes (effClose ends it without suspend, as a
// host that is torn down does).
class Effect {
public:
    explicit Effect(PluginEntry entry);
    ~Effect() { close(); }
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    // False when the entry gave no record or a record without the magic.
    bool valid() const { return effect != nullptr; }
    AEffect* record() const { return effect; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    void close();

    // effOpen, rate, block size and resume: what a host does before audio.
    void start(float rate, int maxBlock);
    void setRate(float rate) { dispatch(effSetSampleRate, 0, 0, nullptr, rate); }
    void setBlockSize(int frames) { dispatch(effSetBlockSize, 0, frames); }
    void resume() { dispatch(effMainsChanged, 0, 1); }
    void suspend() { dispatch(effMainsChanged, 0, 0); }

    int inputs() const { return effect->numInputs; }
    int outputs() const { return effect->numOutputs; }
    int parameters() const { return effect->numParams; }
    bool hasEditor() const { return (effect->flags & effFlagsHasEditor) != 0; }
    bool keepsChunks() const { return (effect->flags & effFlagsProgramChunks) != 0; }
    float parameter(int index) const { return effect->getParameter(effect, index); }
    void setParameter(int index, float value) { effect->setParameter(effect, index, value); }
    void process(float** inputs, float** outputs, int frames) {
        effect->processReplacing(effect, inputs, outputs, frames);
    }

    // The chunk the plug-in hands out, copied; empty when it gives none.
    std::vector<unsigned char> chunk(bool programForm = false);
    void setChunk(const void* data, VstIntPtr size, bool programForm = false) {
        dispatch(effSetChunk, programForm ? 1 : 0, size, const_cast<void*>(data));
    }

    // Every parameter finite and within 0..1.
    bool parametersValid() const;

private:
    AEffect* effect = nullptr;
};

// The host callback of every instance: the interface's answers, from any
// thread, without allocating or locking.
VstIntPtr VSTCALLBACK validatorHost(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                    VstIntPtr value, void* ptr, float opt);

// Audio in channel buffers, as the record asks for: the first two channels
// carry the signal, any further input is silent.
class Channels {
public:
    Channels(int count, int frames);
    float** pointers() { return heads.data(); }
    float* operator[](int channel) { return data[static_cast<std::size_t>(channel)].data(); }
    int count() const { return static_cast<int>(data.size()); }
    int frames() const { return length; }

private:
    std::vector<std::vector<float>> data;
    std::vector<float*> heads;
    int length;
};

// Interleaved stereo frames through an instance in blocks of the given
// sizes (cycled), returning the outputs interleaved per frame: the first two
// outputs, or the one output twice. The instance must be started.
std::vector<float> runStereo(Effect& effect, const std::vector<float>& frames,
                             const std::vector<int>& blockSizes);

// Random numbers that replay from a seed.
class Random {
public:
    explicit Random(std::uint64_t seed);
    std::uint32_t next();
    float uniform(); // [0, 1)
    float bipolar() { return 2.0f * uniform() - 1.0f; }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }

private:
    std::uint64_t state;
};

// Interleaved stereo test signals.
namespace material {
// Noise at a peak level.
std::vector<float> noise(int frames, float level, Random& random);
// Noise, sines, sweeps, squares, impulses, silence and DC of random lengths.
std::vector<float> varied(int frames, Random& random);
// A sine sweep from 20 Hz to the upper edge, and a square at 1 kHz.
std::vector<float> sweep(int frames, float rate, float level);
std::vector<float> square(int frames, float rate, float level);
} // namespace material

bool isSubnormal(float value);
// Same length and the same bits in every sample.
bool sameBits(const std::vector<float>& a, const std::vector<float>& b);
std::uint32_t bitsOf(float value);
