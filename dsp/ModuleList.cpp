#include "dsp/ModuleList.h"

ModuleList::ModuleList() : outputSource(&silentBlock()) {}

const SignalBlock& ModuleList::silentBlock() {
    static const SignalBlock silence;
    return silence;
}

void ModuleList::append(Module* module) {
    if (count < kCapacity) modules[count++] = module;
}

void ModuleList::setSampleRate(std::int32_t rate) {
    for (int i = 0; i < count; ++i)
        modules[i]->setSampleRate(rate);
}

void ModuleList::parameterChanged(std::int32_t index, float value) {
    for (int i = 0; i < count; ++i)
        modules[i]->parameterChanged(index, value);
}

void ModuleList::process(std::int32_t frames, std::int32_t tick) {
    for (int i = 0; i < count; ++i)
        modules[i]->process(frames, tick);
}

void ModuleList::reset() {
    inputBlock.clear();
    for (int i = 0; i < count; ++i)
        modules[i]->reset();
}
