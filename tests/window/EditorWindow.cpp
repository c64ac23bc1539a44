// Brelto.dll's editor in a real window, for window-test.sh to drive with real
// input under Xvfb. A small host: it loads the plug-in file, opens the editor
// in a window of its own, idles it on a timer and prints, one line each:
//   ready X Y                the editor's window is at screen (X, Y)
//   begin I, end I           the plug-in began or ended an edit of parameter I
//   value I VALUE            the plug-in reported a new value of parameter I
//   final V0 V1 V2 V3 V4     the five control parameters at the end
// It closes the editor and the plug-in when the file named by its argument exists.
// usage: brelto_editor_window_test.exe PLUGIN.dll QUIT-FILE
#include "tools/host/PluginLibrary.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr int kHostLeft = 40, kHostTop = 30;
constexpr UINT_PTR kIdleTimer = 1;
constexpr UINT kIdleMilliseconds = 40;
constexpr VstIntPtr kHostVersion = 2400;
constexpr int kControlParameters = 5;

VstIntPtr VSTCALLBACK answer(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*,
                             float opt) {
    switch (opcode) {
    case audioMasterVersion:
        return kHostVersion;
    case audioMasterAutomate:
        std::printf("value %d %.6f\n", index, double(opt));
        break;
    case audioMasterBeginEdit:
        std::printf("begin %d\n", index);
        break;
    case audioMasterEndEdit:
        std::printf("end %d\n", index);
        break;
    default:
        return 0;
    }
    std::fflush(stdout);
    return 1;
}

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
    if (argc != 3) {
        std::fprintf(stderr, "usage: brelto_editor_window_test.exe PLUGIN.dll QUIT-FILE\n");
        return 2;
    }
    PluginLibrary library(argv[1]);
    PluginEntry entry = library.entry();
    AEffect* effect = entry != nullptr ? entry(answer) : nullptr;
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
    dispatch(effEditOpen, 0, host);
    HWND editorWindow = GetWindow(host, GW_CHILD);
    RECT place{};
    GetWindowRect(editorWindow != nullptr ? editorWindow : host, &place);
    std::printf("ready %ld %ld\n", place.left, place.top);
    std::fflush(stdout);

    SetTimer(host, kIdleTimer, kIdleMilliseconds, nullptr);
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
    std::printf("final");
    for (int i = 0; i < kControlParameters; ++i)
        std::printf(" %.9g", double(effect->getParameter(effect, i)));
    std::printf("\n");
    dispatch(effEditClose);
    dispatch(effClose);
    DestroyWindow(host);
    return 0;
}
