// Who the plug-in is to hosts and to the files they keep: its unique ID, which
// also marks its banks and chunks, and its effect name.
#pragma once

#include <cstdint>

namespace identity {

constexpr std::int32_t kUniqueId = 0x30696932; // '0ii2'
constexpr const char* kEffectName = "Brelto";

} // namespace identity
