// A key as the toolkit receives it. The numbering of virtual keys and
// modifier bits is the host interface's, so an editor copies the host's key
// record field by field.
#pragma once

#include "vstgui/VirtualKeys.h"

#include <cstdint>

namespace VSTGUI {

struct CKeyCode {
    std::int32_t character = 0; // the character typed, 0 for none
    std::uint8_t virt = 0;      // virtual key, 0 for none
    std::uint8_t modifier = 0;  // CKeyModifier bits
};

enum CKeyModifier : std::uint8_t { kKeyShift = 1 << 0 };

} // namespace VSTGUI
