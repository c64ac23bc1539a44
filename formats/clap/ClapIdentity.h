// Who the CLAP plug-in is to hosts: its id, which hosts keep in their
// projects and must never change, and the rest of its descriptor.
#pragma once

#include "core/Identity.h"

namespace clapidentity {

constexpr const char* kPluginId = "com.quenor.brelto";
constexpr const char* kName = identity::kEffectName;
constexpr const char* kVendor = "Quenor";
constexpr const char* kVersion = "1.0.0";
constexpr const char* kDescription = "Stereo look-ahead peak limiter";

} // namespace clapidentity
