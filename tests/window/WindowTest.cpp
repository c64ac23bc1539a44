// The controls in a real window, for window-test.sh to drive with real input
// under Xvfb. It prints what happens, one line each:
//   class shared            two frames used one window class, gone with the last
//   ready X Y               the frame's window is at screen (X, Y)
//   scale changed           the window told the frame's owner of a new DPI,
//                           as Windows does after the top-level window moved
//   updated                 the first paint came and an idle pass redrew the turned knob
//   begin TAG, end TAG      a control began or ended an edit
//   value TAG VALUE         a control told its listener of a new value
//   field FROM TO LIMIT FOCUS R G B BRUSH
//                           the text edit's entry field opened: its selection, its
//                           length limit, whether it has the keyboard focus, and the
//                           text colour and brush that the frame's window gave it
//   text TAG TEXT           the text edit told its listener of a new text
//   final KNOB LAMP TEXT    the values at the end
//   class gone              the window class left with the frame
//   size L T R B            getSize of a frame three windows deep
//   paint N M               draws from a paint message without, then with, an update rectangle
//   swapped ready X Y       with the mouse buttons swapped, a frame's window is at screen (X, Y)
//   swapped press X Y B H   that frame got a press at (X, Y) with buttons B, and H held
// It ends when the file named by its argument exists, and its swapped-buttons
// part when that name with ".swapped" added exists.
// usage: brelto_window_test.exe QUIT-FILE
#include "FrameWindowChecks.h"
#include "Harness.h"

#include "vstgui/win32/System.h"

#include <cstdio>
#include <string>

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

// Tells what the text edit's entry field is like, once, when it is open.
void reportField(HWND frameWindow) {
    static HWND reported = nullptr;
    HWND field = FindWindowExA(frameWindow, nullptr, "EDIT", nullptr);
    if (field == nullptr || field == reported) return;
    reported = field;
    DWORD from = 0, to = 0;
    SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    const LRESULT limit = SendMessageA(field, EM_GETLIMITTEXT, 0, 0);
    HDC surface = GetDC(field);
    const LRESULT brush =
        SendMessageA(frameWindow, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(surface),
                     reinterpret_cast<LPARAM>(field));
    const COLORREF color = GetTextColor(surface);
    ReleaseDC(field, surface);
    say("field %lu %lu %ld %d %d %d %d %d", from, to, static_cast<long>(limit), GetFocus() == field,
        GetRValue(color), GetGValue(color), GetBValue(color), brush != 0);
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
    const CRect size = checks::sizeInThreeWindows();
    say("size %d %d %d %d", size.left, size.top, size.right, size.bottom);
    const checks::PaintCounts paints = checks::paintWithoutAndWithUpdate();
    say("paint %d %d", paints.withoutUpdate, paints.withUpdate);

    harness::Editor editor;
    editor.setKnobMode(kLinearMode);
    HWND host = makeHostWindow(kHostLeft, kHostTop);
    CFrame* frame = makeFrame(host, &editor);
    demo::DemoTree tree = demo::buildDemoTree(frame, &editor);
    editor.attach(frame, &tree);
    HWND frameWindow = static_cast<HWND>(frame->getNativeWindow());
    RECT place{};
    GetWindowRect(frameWindow, &place);
    say("ready %ld %ld", place.left, place.top);
    // WM_DPICHANGED_AFTERPARENT, which Windows 10 sends to child windows of a
    // per-monitor aware host moved to a screen of another DPI.
    SendMessageA(frameWindow, 0x02E3, 0, 0);

    SetTimer(host, kIdleTimer, kIdleMilliseconds, nullptr);
    harness::IdleScript script;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == host) {
            editor.idle();
            reportField(frameWindow);
            script.step(tree);
            if (script.updated() && GetFileAttributesA(quitFile) != INVALID_FILE_ATTRIBUTES) break;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    harness::sayFinal(tree);
    editor.attach(nullptr, nullptr);
    frame->forget();
    if (!frameClassRegistered()) say("class gone");
    DestroyWindow(host);

    const std::string swappedQuit = std::string(quitFile) + ".swapped";
    checks::pressesWithSwappedButtons(
        [] { say("swapped ready %d %d", kHostLeft, kHostTop); },
        [](const CPoint& where, std::int32_t buttons, std::int32_t held) {
            say("swapped press %d %d %d %d", where.h, where.v, buttons, held);
        },
        [&] { return GetFileAttributesA(swappedQuit.c_str()) != INVALID_FILE_ATTRIBUTES; });
    native::stopImageCodecs(codecs);
    return 0;
}
