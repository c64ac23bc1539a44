// Brelto.so's editor in a top-level X11 window that this small host makes,
// as a Linux host does, for window-test.sh to drive with real input under
// Xvfb. It opens the editor with the window's id (and tells it the scale
// given, once open), fits its window to the size the editor asks for, idles
// it (every 40 ms unless told) and prints "ready X Y WIDTH HEIGHT" (the host window at screen (X,
// Y), the editor's size) and the lines of EditorHost.h. Audio runs through the plug-in on a thread
// of its own, a loud sine while AUDIO-FILE exists. It closes the editor and the plug-in when
// QUIT-FILE exists. usage: brelto_x11_editor_test [--scale FACTOR] [--idle MS] PLUGIN.so QUIT-FILE
// [AUDIO-FILE]
#include "EditorHost.h"

#include "tools/pluginhost/PluginLibrary.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <thread>

namespace {

constexpr int kHostLeft = 40, kHostTop = 30;

} // namespace

int main(int argc, char** argv) {
    const editorhost::Options options = editorhost::takeOptions(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(
            stderr,
            "usage: brelto_x11_editor_test [--scale FACTOR] [--idle MS] PLUGIN.so QUIT-FILE "
            "[AUDIO-FILE]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    PluginLibrary library(argv[1]);
    PluginEntry entry = library.entry();
    AEffect* effect = entry != nullptr ? entry(editorhost::answer) : nullptr;
    if (display == nullptr || effect == nullptr) {
        std::fprintf(stderr, "brelto_x11_editor_test: no display, or cannot load %s\n", argv[1]);
        return 1;
    }
    auto dispatch = [effect](VstInt32 opcode, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, 0, 0, ptr, 0.0f);
    };
    ERect* size = nullptr;
    dispatch(effEditGetRect, &size);
    if (size == nullptr) return 1;
    const Window host =
        XCreateSimpleWindow(display, DefaultRootWindow(display), kHostLeft, kHostTop,
                            size->right - size->left, size->bottom - size->top, 0, 0, 0);
    XMapWindow(display, host);
    XSync(display, False);
    editorhost::windowResizer() = [display, host](int width, int height) {
        XResizeWindow(display, host, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XSync(display, False);
    };
    dispatch(effEditOpen, reinterpret_cast<void*>(static_cast<std::uintptr_t>(host)));
    editorhost::tellScale(effect, options.scale);
    dispatch(effEditGetRect, &size);
    auto audio = std::make_unique<editorhost::AudioPlayer>(effect, argc == 4 ? argv[3] : nullptr);
    std::printf("ready %d %d %d %d\n", kHostLeft, kHostTop, size->right - size->left,
                size->bottom - size->top);
    std::fflush(stdout);

    while (!std::filesystem::exists(argv[2])) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
        }
        dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(options.idleMilliseconds));
    }
    editorhost::sayFinal(effect);
    audio.reset();
    dispatch(effEditClose);
    dispatch(effClose);
    XDestroyWindow(display, host);
    XCloseDisplay(display);
    return 0;
}
