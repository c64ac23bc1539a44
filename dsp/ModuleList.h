// The core's ordered modules with the block the frame fills from the host's
// input and the block it copies back to the host.
#pragma once

#include "dsp/Module.h"
#include "dsp/SignalBlock.h"

class ModuleList {
public:
    static constexpr int kCapacity = 20;

    ModuleList();

    // Construction only; a list holds at most kCapacity modules.
    void append(Module* module);
    void setSampleRate(std::int32_t rate);
    void parameterChanged(std::int32_t index, float value);
    void process(std::int32_t frames, std::int32_t tick);
    // Zeroes the input block, then resets every module.
    void reset();

    SignalBlock& input() { return inputBlock; }
    const SignalBlock& output() const { return *outputSource; }
    void setOutputSource(const SignalBlock* block) { outputSource = block; }

    // Read by modules and the list before anything is bound.
    static const SignalBlock& silentBlock();

private:
    // modules / count: fixed after construction of the plug-in.
    // outputSource: the block the frame copies to the host; bound once.
    // inputBlock: refilled by the frame on every chunk.
    Module* modules[kCapacity] = {};
    int count = 0;
    const SignalBlock* outputSource;
    SignalBlock inputBlock;
};
