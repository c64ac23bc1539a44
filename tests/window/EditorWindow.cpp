// Brelto.dll's editor in a real window, for window-test.sh to drive with real
// input under Xvfb. A small host, aware of the system's DPI: it loads the
// plug-in file, opens the editor in a window of its own (and tells it the
// scale given, once open), fits the window to the size the editor asks for,
// idles it on a timer (every 40 ms unless told) and prints "ready X Y WIDTH HEIGHT" (the editor's
// window at screen (X, Y), its size) and the lines of EditorHost.h. Audio
// runs through the plug-in on a thread of its own, a loud sine while
// AUDIO-FILE exists. It closes the editor and the plug-in when QUIT-FILE exists.
// usage: brelto_editor_window_test.exe [--scale FACTOR] [--idle MS] PLUGIN.dll QUIT-FILE
// [AUDIO-FILE]
#include "EditorHost.h"

#include "tools/pluginhost/PluginLibrary.h"

#include <windows.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kHostLeft = 40, kHostTop = 30;
constexpr UINT_PTR kIdleTimer = 1;

HWND makeHostWindow(int width, int height) {
    WNDCLASSA hostClass{};
    hostClass.lpfnWndProc = DefWindowProcA;
    hostClass.hInstance = GetModuleHandleA(nullptr);
    hostClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    hostClass.lpszClassName = "BreltoEditorHost";
    RegisterClassA(&hostClass);
    return CreateWindowExA(0, "BreltoEditorHost", "Brelto", WS_POPUP | WS_VISIBLE, kHostLeft,
                           kHostTop, width, height, nullptr, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

} // namespace

int main(int argc, char** argv) {
    const editorhost::Options options = editorhost::takeOptions(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr,
                     "usage: brelto_editor_window_test.exe [--scale FACTOR] [--idle MS] PLUGIN.dll "
                     "QUIT-FILE [AUDIO-FILE]\n");
        return 2;
    }
    // The editor follows the screen's DPI only where the host is aware of it.
    SetProcessDPIAware();
    PluginLibrary library(argv[1]);
    PluginEntry entry = library.entry();
    AEffect* effect = entry != nullptr ? entry(editorhost::answer) : nullptr;
    if (effect == nullptr) {
        std::fprintf(stderr, "brelto_editor_window_test: cannot load %s\n", argv[1]);
        return 1;
    }
    auto dispatch = [effect](VstInt32 opcode, VstIntPtr value = 0, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, 0, value, ptr, 0.0f);
    };
    ERect* size = nullptr;
    dispatch(effEditGetRect, 0, &size);
    if (size == nullptr) return 1;
    HWND host = makeHostWindow(size->right - size->left, size->bottom - size->top);
    editorhost::windowResizer() = [host](int width, int height) {
        SetWindowPos(host, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    };
    dispatch(effEditOpen, 0, host);
    editorhost::tellScale(effect, options.scale);
    dispatch(effEditGetRect, 0, &size);
    auto audio = std::make_unique<editorhost::AudioPlayer>(effect, argc == 4 ? argv[3] : nullptr);
    HWND editorWindow = GetWindow(host, GW_CHILD);
    RECT place{};
    GetWindowRect(editorWindow != nullptr ? editorWindow : host, &place);
    std::printf("ready %ld %ld %d %d\n", place.left, place.top, size->right - size->left,
                size->bottom - size->top);
    std::fflush(stdout);

    SetTimer(host, kIdleTimer, static_cast<UINT>(options.idleMilliseconds), nullptr);
    const char* quitFile = argv[2];
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == host) {
            dispatch(effEditIdle);
            if (GetFileAttributesA(quitFile) != INVALID_FILE_ATTRIBUTES) break;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    editorhost::sayFinal(effect);
    audio.reset();
    dispatch(effEditClose);
    dispatch(effClose);
    DestroyWindow(host);
    return 0;
}
