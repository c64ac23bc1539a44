// The test effect's editor: a plain child window in the window the host
// gives, one implementation per platform, and none in the effect built
// without an editor.
#pragma once

namespace childWindow {

// Whether this build of the effect has an editor at all.
bool available();
// A window inside `parent`, shown; null when none could be made.
void* open(void* parent, int width, int height);
// Takes the window away again; with `leave` it stays behind (a planted fault).
void close(void* window, bool leave);

} // namespace childWindow
