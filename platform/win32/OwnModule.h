// The module (DLL or program) that holds this code, for the Windows services
// that look things up in it: resources, its file name, window classes.
#pragma once

#include <windows.h>

namespace platform {
HMODULE ownModule();
} // namespace platform
