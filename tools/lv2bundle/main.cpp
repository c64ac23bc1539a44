// brelto-make-lv2-bundle FOLDER: writes the LV2 bundle's description into
// FOLDER (manifest.ttl and Brelto.ttl) from the adapter's port table and the
// plug-in's own values: each control's default is what a new plug-in holds,
// in the control's unit, written so that it reads back as exactly that value.
#include "formats/Controls.h"
#include "formats/PluginRecord.h"
#include "formats/lv2/Lv2Ports.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using namespace lv2ports;
using controls::Unit;

constexpr double kDescriptionRate = 48000.0;

const char* const kPrefixes = R"(@prefix atom: <http://lv2plug.in/ns/ext/atom#> .
@prefix doap: <http://usefulinc.com/ns/doap#> .
@prefix foaf: <http://xmlns.com/foaf/0.1/> .
@prefix lv2: <http://lv2plug.in/ns/lv2core#> .
@prefix opts: <http://lv2plug.in/ns/ext/options#> .
@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .
@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .
@prefix state: <http://lv2plug.in/ns/ext/state#> .
@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .
@prefix units: <http://lv2plug.in/ns/extensions/units#> .
@prefix urid: <http://lv2plug.in/ns/ext/urid#> .

)";

// A Turtle decimal: with a point, so that it is read as a number with a fraction.
std::string decimal(double value) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.9g", value);
    std::string written(text);
    if (written.find_first_of(".e") == std::string::npos) written += ".0";
    return written;
}

const char* unitOf(Unit unit) {
    switch (unit) {
    case Unit::decibels:
        return "units:db";
    case Unit::milliseconds:
        return "units:ms";
    default:
        return nullptr;
    }
}

std::string portStart(const char* kinds, std::uint32_t index, const char* symbol,
                      const char* name) {
    std::ostringstream text;
    text << "    [\n        a " << kinds << " ;\n        lv2:index " << index
         << " ;\n        lv2:symbol \"" << symbol << "\" ;\n        lv2:name \"" << name << "\"";
    return text.str();
}

// The default of a control: the plug-in's value in units, checked to come back
// as the same value when a host hands it to the adapter as a 32-bit float.
bool controlDefault(PluginRecord& plugin, const controls::Control& control, std::string& text) {
    const int index = plugin.parameterIndex(control.parameter);
    if (index < 0) return false;
    const float value = plugin.parameter(index);
    const float units = controls::unitsOf(control, value);
    text = decimal(units);
    float back = -1.0f;
    return controls::valueOf(control, std::stof(text), back) && back == value;
}

bool writeDescription(PluginRecord& plugin, std::ostream& out) {
    out << kPrefixes;
    out << "<" << kPluginUri << ">\n    a lv2:Plugin, lv2:LimiterPlugin ;\n"
        << "    doap:name \"Brelto\" ;\n    doap:maintainer [ foaf:name \"Quenor\" ] ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable, urid:map ;\n"
        << "    lv2:extensionData state:interface ;\n"
        << "    ui:ui <" << kUiUri << "> ;\n    lv2:port\n";
    std::uint32_t index = 0;
    for (const AudioPort& port : kAudioPorts)
        out << portStart(port.output ? "lv2:OutputPort, lv2:AudioPort"
                                     : "lv2:InputPort, lv2:AudioPort",
                         index++, port.symbol, port.name)
            << "\n    ] ,\n";
    for (int i = 0; i < controls::kControlCount; ++i) {
        const controls::Control& control = controls::kControls[i];
        std::string initial;
        if (!controlDefault(plugin, control, initial)) {
            std::fprintf(stderr, "brelto-make-lv2-bundle: no exact default for %s\n",
                         control.parameter);
            return false;
        }
        out << portStart("lv2:InputPort, lv2:ControlPort", index++, kControlSymbols[i],
                         control.label)
            << " ;\n        lv2:default " << initial << " ;\n        lv2:minimum "
            << decimal(control.minimum) << " ;\n        lv2:maximum " << decimal(control.maximum);
        if (const char* unit = unitOf(control.unit)) out << " ;\n        units:unit " << unit;
        if (control.unit == Unit::toggle) out << " ;\n        lv2:portProperty lv2:toggled";
        if (control.unit == Unit::milliseconds)
            out << " ;\n        lv2:portProperty pprops:logarithmic";
        out << "\n    ] ,\n";
    }
    for (int i = 0; i < controls::kMeterCount; ++i) {
        const controls::Meter& meter = controls::kMeters[i];
        out << portStart("lv2:OutputPort, lv2:ControlPort", index++, kMeterSymbols[i], meter.label)
            << " ;\n        lv2:minimum " << decimal(meter.minimum) << " ;\n        lv2:maximum "
            << decimal(meter.maximum) << " ;\n        units:unit units:db\n    ] ,\n";
    }
    out << portStart("lv2:OutputPort, lv2:ControlPort", index++, kLatencySymbol, "Latency")
        << " ;\n        lv2:designation lv2:latency ;\n"
        << "        lv2:portProperty lv2:reportsLatency, lv2:integer ;\n"
        << "        units:unit units:frame\n    ] .\n\n";

    out << "<" << kUiUri << ">\n    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:parent, ui:idleInterface ;\n"
        << "    lv2:optionalFeature ui:resize, ui:touch, ui:noUserResize, opts:options, urid:map "
           ";\n"
        << "    opts:supportedOption ui:scaleFactor ;\n"
        << "    lv2:extensionData ui:idleInterface, opts:interface";
    for (const char* symbol : kMeterSymbols)
        out << " ;\n    ui:portNotification [\n        ui:plugin <" << kPluginUri
            << "> ;\n        lv2:symbol \"" << symbol
            << "\" ;\n        ui:protocol ui:floatProtocol\n    ]";
    out << " .\n";
    return static_cast<bool>(out);
}

bool writeManifest(std::ostream& out) {
    out << kPrefixes << "<" << kPluginUri << ">\n    a lv2:Plugin ;\n    lv2:binary <"
        << kBinaryName << "> ;\n    rdfs:seeAlso <" << kDescriptionName << "> .\n\n<" << kUiUri
        << ">\n    a ui:X11UI ;\n    ui:binary <" << kBinaryName << "> ;\n    rdfs:seeAlso <"
        << kDescriptionName << "> .\n";
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brelto-make-lv2-bundle FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    PluginRecord plugin(kDescriptionRate, nullptr);
    if (!plugin.made()) {
        std::fprintf(stderr, "brelto-make-lv2-bundle: the plug-in was not made\n");
        return 1;
    }
    std::ofstream description(folder + "/" + kDescriptionName);
    std::ofstream manifest(folder + "/manifest.ttl");
    if (!writeDescription(plugin, description) || !writeManifest(manifest)) {
        std::fprintf(stderr, "brelto-make-lv2-bundle: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
