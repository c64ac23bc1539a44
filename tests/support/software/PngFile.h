// A window of the software backend (or a surface) written as a PNG file, to
// compare its pixels with a screenshot of the real window.
#pragma once

#include "vstgui/Native.h"

#include <string>

namespace guitest {

// Writes the pixels as an opaque RGB PNG; false when the handle has no
// pixels or the file cannot be written.
bool writePng(VSTGUI::native::Handle windowOrSurface, const std::string& path);

} // namespace guitest
