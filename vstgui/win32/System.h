// What the Windows backend's files share: the module, the blending
// functions found in msimg32.dll, and the mouse-button swap setting.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace VSTGUI {
namespace win32 {

using AlphaBlendFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int,
                                         BLENDFUNCTION);
using TransparentBltFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int,
                                             UINT);

// alphaBlend / transparentBlt: looked up when a frame is made, cleared when
// the last frame releases the library (none before the first frame).
// swappedButtons: the system setting, recorded when the window class is registered.
struct SystemState {
    AlphaBlendFunction alphaBlend = nullptr;
    TransparentBltFunction transparentBlt = nullptr;
    int blendLibraryUses = 0;
    bool swappedButtons = false;
};
SystemState& state();

} // namespace win32
} // namespace VSTGUI
