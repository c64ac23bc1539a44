// The LV2 plug-in's identity and ports: the URIs of its own, the index and
// symbol of every port. The bundle's description and the adapter both read
// this table.
#pragma once

#include "formats/Controls.h"

#include <cstdint>

namespace lv2ports {

constexpr const char* kPluginUri = "urn:quenor:brelto";
constexpr const char* kUiUri = "urn:quenor:brelto:ui";
// The state's one property: the plug-in's chunk, as VST 2.4 hosts store it.
constexpr const char* kChunkUri = "urn:quenor:brelto:chunk";
constexpr const char* kBinaryName = "Brelto.so";
constexpr const char* kDescriptionName = "Brelto.ttl";

constexpr std::uint32_t kAudioPortCount = 4;
// Audio first (inputs, then outputs), the controls in the order of
// controls::kControls, the meters in the order of controls::kMeters, then
// the latency.
enum Port : std::uint32_t {
    kInLeft,
    kInRight,
    kOutLeft,
    kOutRight,
    kFirstControl = kAudioPortCount,
    kFirstMeter = kFirstControl + controls::kControlCount,
    kLatency = kFirstMeter + controls::kMeterCount,
    kPortCount,
};

struct AudioPort {
    const char* symbol;
    const char* name;
    bool output;
};
constexpr AudioPort kAudioPorts[kAudioPortCount] = {
    {"in_left", "In left", false},
    {"in_right", "In right", false},
    {"out_left", "Out left", true},
    {"out_right", "Out right", true},
};

constexpr const char* kControlSymbols[controls::kControlCount] = {"ceiling", "gain", "release",
                                                                  "stereo", "isp"};
constexpr const char* kMeterSymbols[controls::kMeterCount] = {
    "level_in_left", "level_in_right", "reduction", "level_out_left", "level_out_right"};
constexpr const char* kLatencySymbol = "latency";

} // namespace lv2ports
