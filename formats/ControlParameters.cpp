#include "formats/Controls.h"
#include "formats/PluginRecord.h"

namespace controls {

ControlParameters::ControlParameters(PluginRecord& plugin) : plugin(plugin) {
    for (int i = 0; i < kControlCount; ++i)
        parameters[i] = plugin.made() ? plugin.parameterIndex(kControls[i].parameter) : -1;
}

int ControlParameters::controlOf(int parameter) const {
    for (int i = 0; i < kControlCount; ++i)
        if (parameters[i] == parameter && parameter >= 0) return i;
    return -1;
}

bool ControlParameters::set(int control, float units) {
    float value = 0.0f;
    if (parameters[control] < 0 || !valueOf(kControls[control], units, value)) return false;
    plugin.setParameter(parameters[control], value);
    return true;
}

float ControlParameters::units(int control) const {
    return unitsOf(kControls[control], plugin.parameter(parameters[control]));
}

} // namespace controls
