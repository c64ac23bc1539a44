// A frame in a real X11 window, for window-test.sh to drive with real input
// under Xvfb. The program is the host: it makes a top-level window, hands its
// id to the frame as a Linux host hands it to effEditOpen, and idles the
// editor on a timer. It prints, one line each:
//   ready X Y               the frame's window is at screen (X, Y)
//   updated                 the first paint came and an idle pass redrew the turned knob
//   begin, end, value, text what the controls told their listener (Harness.h)
//   final KNOB LAMP TEXT    the values at the end
//   child gone              closing the frame left the host's window without children
//   cycles clean            100 frames opened and closed in a row left no window, no
//                           connection and no file open
//   host gone handled       a frame whose host window was destroyed first closed itself
// It ends when the file named by its argument exists.
// usage: brelto_x11_window_test QUIT-FILE
#include "Harness.h"
#include "X11Counts.h"

#include "platform/ModuleServices.h"

#include "vstgui/VirtualKeys.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdint>
#include <cstdio>
#include <sys/stat.h>

namespace {

using namespace VSTGUI;
using harness::say;
using x11counts::childCount;
using x11counts::openFiles;

constexpr int kHostLeft = 40, kHostTop = 30;
constexpr std::uint32_t kIdleMilliseconds = 20;
constexpr int kCycles = 100;
constexpr int kHostGonePasses = 50; // idle passes the frame may take to learn it

bool exists(const char* path) {
    struct stat status {};
    return stat(path, &status) == 0;
}

Window makeHostWindow(Display* display, int left, int top) {
    const int screen = DefaultScreen(display);
    const Window host = XCreateSimpleWindow(
        display, RootWindow(display, screen), left, top, demo::kWidth, demo::kHeight, 0,
        BlackPixel(display, screen), BlackPixel(display, screen));
    XMapWindow(display, host);
    XSync(display, False);
    return host;
}

// A frame in the host's window with the demo tree, as an editor opens.
CFrame* openFrame(Window host, harness::Editor& editor, demo::DemoTree& tree) {
    auto* frame = new CFrame(CRect(0, 0, demo::kWidth, demo::kHeight),
                             reinterpret_cast<void*>(static_cast<std::uintptr_t>(host)), &editor);
    tree = demo::buildDemoTree(frame, &editor);
    editor.attach(frame, &tree);
    return frame;
}

void closeFrame(CFrame* frame, harness::Editor& editor) {
    editor.attach(nullptr, nullptr);
    frame->forget();
}

// Frames opened, painted and closed again leave nothing behind.
bool cyclesAreClean(Display* display) {
    const Window host = makeHostWindow(display, 500, 200);
    harness::Editor editor;
    demo::DemoTree tree{};
    closeFrame(openFrame(host, editor, tree), editor); // the first one loads what stays
    const int filesBefore = openFiles();
    bool clean = true;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        CFrame* frame = openFrame(host, editor, tree);
        clean = clean && frame->getNativeWindow() != nullptr;
        editor.idle();
        closeFrame(frame, editor);
    }
    XSync(display, False);
    clean = clean && childCount(display, host) == 0 && openFiles() == filesBefore;
    XDestroyWindow(display, host);
    return clean;
}

// The host destroys its window while the editor is open: the frame learns it
// at the next idle, draws nothing more, and closes without an X error.
bool hostGoneIsHandled(Display* display) {
    const Window host = makeHostWindow(display, 500, 200);
    harness::Editor editor;
    demo::DemoTree tree{};
    CFrame* frame = openFrame(host, editor, tree);
    editor.idle();
    XDestroyWindow(display, host);
    XSync(display, False);
    for (int pass = 0; pass < kHostGonePasses && frame->isOpen(); ++pass) {
        editor.idle();
        platform::sleepMilliseconds(kIdleMilliseconds);
    }
    const bool closedItself = !frame->isOpen();
    closeFrame(frame, editor);
    return closedItself;
}

// The host hands the keys typed into its window to the editor, which hands
// them to the frame: characters as characters, Return as its virtual key.
void handKeyToFrame(XKeyEvent& press, CFrame* frame) {
    char character = 0;
    KeySym symbol = NoSymbol;
    XLookupString(&press, &character, 1, &symbol, nullptr);
    CKeyCode key;
    if (symbol == XK_Return || symbol == XK_KP_Enter)
        key.virt = kVirtualKeyReturn;
    else if (character >= ' ' && character <= '~')
        key.character = character;
    else
        return;
    frame->onKeyDown(key);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brelto_x11_window_test QUIT-FILE\n");
        return 2;
    }
    const char* quitFile = argv[1];
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "brelto_x11_window_test: no X display\n");
        return 1;
    }
    const std::uintptr_t codecs = native::startImageCodecs();
    if (cyclesAreClean(display)) say("cycles clean");
    if (hostGoneIsHandled(display)) say("host gone handled");

    const Window host = makeHostWindow(display, kHostLeft, kHostTop);
    XSelectInput(display, host, KeyPressMask);
    harness::Editor editor;
    editor.setKnobMode(kLinearMode);
    demo::DemoTree tree{};
    CFrame* frame = openFrame(host, editor, tree);
    if (frame->getNativeWindow() == nullptr) {
        std::fprintf(stderr, "brelto_x11_window_test: the frame made no window\n");
        return 1;
    }
    const CPoint place = native::windowScreenTopLeft(frame->getNativeWindow());
    say("ready %d %d", place.h, place.v);

    harness::IdleScript script;
    while (!script.updated() || !exists(quitFile)) {
        // The host's own events: of the editor's only the keys, which reach
        // the host's window because the frame's window takes none.
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == KeyPress) handKeyToFrame(event.xkey, frame);
        }
        editor.idle();
        script.step(tree);
        platform::sleepMilliseconds(kIdleMilliseconds);
    }
    harness::sayFinal(tree);
    closeFrame(frame, editor);
    XSync(display, False);
    if (childCount(display, host) == 0) say("child gone");
    XDestroyWindow(display, host);
    XCloseDisplay(display);
    native::stopImageCodecs(codecs);
    return 0;
}
