// An editor as Linux plug-ins make one: a connection of its own to the X
// server and a window inside the host's.
#include "../ChildWindow.h"

#include <X11/Xlib.h>
#include <new>

namespace {

struct Editor {
    Display* display;
    Window window;
};

} // namespace

namespace childWindow {

bool available() {
    return true;
}

void* open(void* parent, int width, int height) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return nullptr;
    const Window window =
        XCreateSimpleWindow(display, reinterpret_cast<Window>(parent), 0, 0,
                            static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    return new (std::nothrow) Editor{display, window};
}

void close(void* opened, bool leave) {
    auto* editor = static_cast<Editor*>(opened);
    if (editor == nullptr || leave) return;
    XDestroyWindow(editor->display, editor->window);
    XCloseDisplay(editor->display);
    delete editor;
}

} // namespace childWindow
