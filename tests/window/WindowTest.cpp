// A frame in a real window, for window-test.sh to drive with real input
// under Xvfb. It prints what happens, one line each:
//   class shared            two frames used one window class, gone with the last
//   ready X Y               the frame's window is at screen (X, Y)
//   updated                 the first paint came and an idle pass redrew the turned knob
//   press X Y BUTTONS       the knob got a button press at (X, Y) with the live buttons
//   release POLLS           the knob saw the button released after POLLS polls
//   wheel DISTANCE X Y      the knob got the wheel
//   class gone              the window class left with the frame
//   size L T R B            getSize of a frame three windows deep
//   paint N M               draws from a paint message without, then with, an update rectangle
//   swapped ready X Y       with the mouse buttons swapped, a frame's window is at screen (X, Y)
//   swapped press X Y B     that frame got a button press at (X, Y) with the live buttons B
// It ends when the file named by its argument exists, and its swapped-buttons
// part when that name with ".swapped" added exists.
// usage: brelto_window_test.exe QUIT-FILE
#include "DemoTree.h"
#include "FrameWindowChecks.h"

#include "editor/AEffGUIEditor.h"
#include "vstgui/win32/System.h"

#include <cstdio>
#include <string>

namespace {

using namespace VSTGUI;

constexpr int kHostLeft = 40, kHostTop = 30;
constexpr UINT_PTR kIdleTimer = 1;
constexpr UINT kIdleMilliseconds = 40;
constexpr DWORD kLongestPress = 5000;

void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void say(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stdout, format, arguments);
    va_end(arguments);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The editor base with a frame, as the plug-in's editor will have one.
class Editor : public AEffGUIEditor {
public:
    Editor() : AEffGUIEditor(nullptr) {}
    void attach(CFrame* newFrame) { frame = newFrame; }
};

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
    const CRect size = checks::sizeInThreeWindows();
    say("size %d %d %d %d", size.left, size.top, size.right, size.bottom);
    const checks::PaintCounts paints = checks::paintWithoutAndWithUpdate();
    say("paint %d %d", paints.withoutUpdate, paints.withUpdate);

    Editor editor;
    HWND host = makeHostWindow(kHostLeft, kHostTop);
    CFrame* frame = makeFrame(host, &editor);
    editor.attach(frame);
    demo::DemoTree tree = demo::buildDemoTree(frame);
    tree.knob->onPress = [&](CDrawContext* context, const CPoint& where, std::int32_t buttons) {
        say("press %d %d %d", where.h, where.v, buttons);
        // Follow the button as a control does, keeping the editor alive.
        int polls = 0;
        const DWORD start = GetTickCount();
        while ((context->getMouseButtons() & kLButton) != 0 &&
               GetTickCount() - start < kLongestPress) {
            ++polls;
            frame->doIdleStuff();
            Sleep(5);
        }
        say("release %d", polls);
    };
    tree.knob->onTurn = [](const CPoint& where, float distance) {
        say("wheel %.4f %d %d", static_cast<double>(distance), where.h, where.v);
    };
    RECT place{};
    GetWindowRect(static_cast<HWND>(frame->getNativeWindow()), &place);
    say("ready %ld %ld", place.left, place.top);

    SetTimer(host, kIdleTimer, kIdleMilliseconds, nullptr);
    bool turned = false;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.wParam == kIdleTimer) {
            editor.idle();
            if (!turned && !tree.knob->isDirty()) {
                demo::turnKnob(tree);
                turned = true;
            } else if (turned && !tree.knob->isDirty()) {
                say("updated");
                turned = false;
                KillTimer(host, kIdleTimer);
                SetTimer(host, kIdleTimer + 1, kIdleMilliseconds, nullptr);
            }
            continue;
        }
        if (message.message == WM_TIMER && GetFileAttributesA(quitFile) != INVALID_FILE_ATTRIBUTES)
            break;
        DispatchMessageA(&message);
    }
    editor.attach(nullptr);
    frame->forget();
    if (!frameClassRegistered()) say("class gone");
    DestroyWindow(host);

    const std::string swappedQuit = std::string(quitFile) + ".swapped";
    checks::pressesWithSwappedButtons(
        [] { say("swapped ready %d %d", kHostLeft, kHostTop); },
        [](const CPoint& where, std::int32_t buttons) {
            say("swapped press %d %d %d", where.h, where.v, buttons);
        },
        [&] { return GetFileAttributesA(swappedQuit.c_str()) != INVALID_FILE_ATTRIBUTES; });
    native::stopImageCodecs(codecs);
    return 0;
}
