// What the X11 tests count to see that nothing is left behind: a window's
// children, and the process's open files (an X connection is one).
#pragma once

#include <X11/Xlib.h>
#include <dirent.h>

namespace x11counts {

inline unsigned childCount(Display* display, Window window) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
    if (children != nullptr) XFree(children);
    return count;
}

inline int openFiles() {
    int count = 0;
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (readdir(folder) != nullptr)
            ++count;
        closedir(folder);
    }
    return count;
}

} // namespace x11counts
