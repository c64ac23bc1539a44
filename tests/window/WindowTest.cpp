// A frame in a real window, for window-test.sh to drive with real input
// under Xvfb. It prints what happens, one line each:
//   class shared            two frames used one window class, gone with the last
//   ready X Y               the frame's window is at screen (X, Y)
//   updated                 the first paint came and an idle pass redrew the turned knob
//   press X Y BUTTONS       the knob got a button press at (X, Y) with the live buttons
//   release POLLS           the knob saw the button released after POLLS polls
//   wheel DISTANCE X Y      the knob got the wheel
//   class gone              the window class left with the frame
// It ends when the file named by its argument exists.
// usage: brelto_window_test.exe QUIT-FILE
#include "Harness.h"

#include "vstgui/win32/System.h"

#include <cstdio>

namespace {

using namespace VSTGUI;
using harness::say;

constexpr int kHostLeft = 40, kHostTop = 30;
constexpr UINT_PTR kIdleTimer = 1;
constexpr UINT kIdleMilliseconds = 40;

HWND makeHostWindow(int left, int top) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA hostClass{};
        hostClass.lpfnWndProc = DefWindowProcA;
        hostClass.hInstance = GetModuleHandleA(nullptr);
        hostClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        hostClass.lpszClassName = "BreltoTestHost";
        registered = RegisterClassA(&hostClass) != 0;
    }
    return CreateWindowExA(0, "BreltoTestHost", "Brelto", WS_POPUP | WS_VISIBLE, left, top,
                           demo::kWidth, demo::kHeight, nullptr, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

bool frameClassRegistered() {
    char name[32];
    std::snprintf(name, sizeof name, "Plugin%p", GetModuleHandleA(nullptr));
    WNDCLASSA found{};
    return GetClassInfoA(GetModuleHandleA(nullptr), name, &found) != 0;
}

CFrame* makeFrame(HWND host, AEffGUIEditor* editor) {
    return new CFrame(CRect(0, 0, demo::kWidth, demo::kHeight), host, editor);
}

bool classIsShared() {
    HWND hostA = makeHostWindow(500, 300), hostB = makeHostWindow(520, 320);
    CFrame* a = makeFrame(hostA, nullptr);
    CFrame* b = makeFrame(hostB, nullptr);
    const bool bothMade = a->getNativeWindow() != nullptr && b->getNativeWindow() != nullptr;
    const bool registered = frameClassRegistered();
    a->forget();
    const bool keptForTheSecond = frameClassRegistered();
    b->forget();
    const bool goneWithTheLast = !frameClassRegistered();
    DestroyWindow(hostA);
    DestroyWindow(hostB);
    return bothMade && registered && keptForTheSecond && goneWithTheLast;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brelto_window_test.exe QUIT-FILE\n");
        return 2;
    }
    const char* quitFile = argv[1];
    const std::uintptr_t codecs = native::startImageCodecs();
    if (classIsShared()) say("class shared");

    harness::Editor editor;
    HWND host = makeHostWindow(kHostLeft, kHostTop);
    CFrame* frame = makeFrame(host, &editor);
    editor.attach(frame);
    demo::DemoTree tree = demo::buildDemoTree(frame);
    harness::reportKnob(tree, frame);
    RECT place{};
    GetWindowRect(static_cast<HWND>(frame->getNativeWindow()), &place);
    say("ready %ld %ld", place.left, place.top);

    SetTimer(host, kIdleTimer, kIdleMilliseconds, nullptr);
    harness::IdleScript script;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER) {
            editor.idle();
            script.step(tree);
            if (GetFileAttributesA(quitFile) != INVALID_FILE_ATTRIBUTES) break;
            continue;
        }
        DispatchMessageA(&message);
    }
    editor.attach(nullptr);
    frame->forget();
    if (!frameClassRegistered()) say("class gone");
    DestroyWindow(host);
    native::stopImageCodecs(codecs);
    return 0;
}
