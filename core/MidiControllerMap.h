// Which parameters each MIDI controller moves: the table's default controllers,
// overridden per parameter by the "midicc" section of the configuration file
// beside the module.
#pragma once

#include "core/ParamDef.h"

#include <cstdint>
#include <string>

class MidiControllerMap {
public:
    static constexpr int kSlotCount = kHostParameterCount;
    // Marks an empty slot; a configured number this high turns a controller off.
    static constexpr std::int32_t kNoController = 255;

    // Construction of the plug-in: reads the configuration file at path once
    // (nothing is read when path is empty).
    explicit MidiControllerMap(const std::string& configurationPath);

    // The module's file name with its extension replaced by ".ini" (added when
    // the file name has none).
    static std::string configurationPathFor(const std::string& moduleFile);

    // Audio thread: calls move(parameter index) for every slot of controller,
    // in slot order. Controller 0 moves nothing.
    template <typename Move> void forEachParameter(std::int32_t controller, Move move) const {
        if (controller == 0) return;
        for (int slot = 0; slot < kSlotCount; ++slot)
            if (controllers[slot] == controller) move(parameters[slot]);
    }

    std::int32_t controllerAt(int slot) const { return controllers[slot]; }
    std::int32_t parameterAt(int slot) const { return parameters[slot]; }
    const std::string& path() const { return configurationPath; }

private:
    void insert(std::int32_t controller, std::int32_t parameter);

    // configurationPath: the file read at construction.
    // controllers / parameters: the slots, ascending by controller number, pairs
    // of equal numbers in parameter order; fixed after construction.
    std::string configurationPath;
    std::int32_t controllers[kSlotCount];
    std::int32_t parameters[kSlotCount];
};
