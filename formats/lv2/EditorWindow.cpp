#include "formats/lv2/EditorWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// Errors on the finder's connection (a host window already gone) only
// make it find nothing; others go to the handler installed before. Set
// and read on the UI thread.
Display* trapped = nullptr;
bool trappedFailed = false;
XErrorHandler previousHandler = nullptr;

int onError(Display* display, XErrorEvent* error) {
    if (display == trapped) {
        trappedFailed = true;
        return 0;
    }
    return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

// The editor keeps its size: hosts that fit their widget to its hints
// neither stretch nor shrink it.
void setSizeHints(Display* display, Window window, int width, int height) {
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize | PBaseSize;
    hints.min_width = hints.max_width = hints.base_width = width;
    hints.min_height = hints.max_height = hints.base_height = height;
    XSetWMNormalHints(display, window, &hints);
    XSync(display, False);
}

void trap(Display* display) {
    trapped = display;
    trappedFailed = false;
    previousHandler = XSetErrorHandler(onError);
}

// A handler installed after ours stays in place.
void untrap() {
    XErrorHandler ours = XSetErrorHandler(previousHandler);
    if (ours != onError) XSetErrorHandler(ours);
    trapped = nullptr;
    previousHandler = nullptr;
}

std::vector<Window> childrenOf(Display* display, Window parent) {
    Window root = 0, itsParent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> found;
    if (XQueryTree(display, parent, &root, &itsParent, &children, &count) == 0) return found;
    found.assign(children, children + count);
    if (children != nullptr) XFree(children);
    return found;
}

} // namespace

// display: the finder's connection, open for its life; null without a
// display. parent: the host's window. before: its children before the
// editor opened.
struct EditorWindowFinder::State {
    Display* display = nullptr;
    Window parent = 0;
    std::vector<Window> before;
};

EditorWindowFinder::EditorWindowFinder(void* parent) : state(new State) {
    state->parent = static_cast<Window>(reinterpret_cast<std::uintptr_t>(parent));
    state->display = XOpenDisplay(nullptr);
    if (state->display == nullptr) return;
    trap(state->display);
    state->before = childrenOf(state->display, state->parent);
}

EditorWindowFinder::~EditorWindowFinder() {
    if (state->display != nullptr) {
        XSync(state->display, False);
        untrap();
        XCloseDisplay(state->display);
    }
    delete state;
}

unsigned long EditorWindowFinder::madeWindow(int width, int height) {
    if (state->display == nullptr) return 0;
    Window made = 0;
    for (Window child : childrenOf(state->display, state->parent))
        if (std::find(state->before.begin(), state->before.end(), child) == state->before.end())
            made = child;
    if (made == 0) return 0;
    setSizeHints(state->display, made, width, height);
    return trappedFailed ? 0 : made;
}

// Errors (a window already gone) are trapped on a connection of its own.
void keepEditorWindowSize(unsigned long window, int width, int height) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return;
    trap(display);
    setSizeHints(display, static_cast<Window>(window), width, height);
    untrap();
    XCloseDisplay(display);
}
