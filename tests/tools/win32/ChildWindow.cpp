// An editor as Windows plug-ins make one: a child window of the host's.
#include "../ChildWindow.h"

#include <windows.h>

namespace childWindow {

bool available() {
    return true;
}

void* open(void* parent, int width, int height) {
    return CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, width, height,
                           static_cast<HWND>(parent), nullptr, GetModuleHandleA(nullptr), nullptr);
}

void close(void* window, bool leave) {
    if (window != nullptr && !leave) DestroyWindow(static_cast<HWND>(window));
}

} // namespace childWindow
