// Base of the DSP modules that the processing frame runs, in list order, on
// every chunk. A module reads a block owned elsewhere and writes its own.
#pragma once

#include <cstdint>

class Module {
public:
    // Any thread that changes the rate, never while processing.
    virtual std::int32_t kind() = 0;
    virtual void setSampleRate(std::int32_t rate) = 0;
    // Any thread: the value is already stored where the module reads it.
    virtual void parameterChanged(std::int32_t index, float value) = 0;
    // Audio thread: frames is 1..kMaxChunkFrames; tick is non-zero on control ticks.
    virtual void process(std::int32_t frames, std::int32_t tick) = 0;
    // UI thread, while suspended: forget the signal history.
    virtual void reset() = 0;

protected:
    // The owner destroys a module through its concrete type.
    ~Module() = default;
};
