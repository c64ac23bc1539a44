#include "core/MidiControllerMap.h"

#include "platform/ModuleServices.h"

namespace {

constexpr const char* kSection = "midicc";
constexpr const char* kConfigurationExtension = ".ini";

} // namespace

MidiControllerMap::MidiControllerMap(const std::string& path) : configurationPath(path) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        controllers[slot] = kNoController;
        parameters[slot] = 0;
    }
    for (std::int32_t i = 0; i < kHostParameterCount; ++i) {
        const ParamDef& def = ParamDefTable[i];
        const std::int32_t controller =
            path.empty()
                ? def.defaultController
                : platform::profileInt(kSection, def.name, def.defaultController, path.c_str());
        insert(controller, i);
    }
}

std::string MidiControllerMap::configurationPathFor(const std::string& moduleFile) {
    if (moduleFile.empty()) return {};
    const std::size_t fileStart = moduleFile.find_last_of("/\\") + 1;
    const std::size_t dot = moduleFile.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot >= fileStart;
    return moduleFile.substr(0, hasExtension ? dot : std::string::npos) + kConfigurationExtension;
}

// The pair goes before the first slot with a higher number, pushing the last
// slot out; with no higher number it is dropped.
void MidiControllerMap::insert(std::int32_t controller, std::int32_t parameter) {
    int at = 0;
    while (at < kSlotCount && controllers[at] <= controller)
        ++at;
    if (at == kSlotCount) return;
    for (int slot = kSlotCount - 1; slot > at; --slot) {
        controllers[slot] = controllers[slot - 1];
        parameters[slot] = parameters[slot - 1];
    }
    controllers[at] = controller;
    parameters[at] = parameter;
}
