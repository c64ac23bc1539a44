// The X11 window that the editor makes in the host's window, which an X11
// UI hands to its host as its widget. The editor makes it on a connection
// of its own, out of reach through the plug-in's record: it is found as the
// child of the host's window that was not there before the editor opened.
#pragma once

class EditorWindowFinder {
public:
    // UI thread, before the editor opens in parent: the children it has now.
    explicit EditorWindowFinder(void* parent);
    ~EditorWindowFinder();
    EditorWindowFinder(const EditorWindowFinder&) = delete;
    EditorWindowFinder& operator=(const EditorWindowFinder&) = delete;

    // UI thread, after the editor opened: its window, which hosts are told
    // keeps width x height; 0 when none was made.
    unsigned long madeWindow(int width, int height);

private:
    struct State;
    State* state;
};

// UI thread: tells hosts that the editor's window keeps width x height from
// now on (after the editor took another scale).
void keepEditorWindowSize(unsigned long window, int width, int height);
