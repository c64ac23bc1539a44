// Software windows shown through Xlib: a child window of the X11 window that
// a Linux host hands to the editor, on a display connection of its own, so
// that nothing of ours reaches the host's connection or its event loop.
#include "vstgui/software/Objects.h"
#include "vstgui/software/Presentation.h"
#include "vstgui/software/SoftwareSystem.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace VSTGUI {
namespace software {

namespace {

constexpr long kEventMask = ExposureMask | ButtonPressMask | StructureNotifyMask;
constexpr std::int32_t kWheelNotch = 120;
constexpr unsigned kWheelUp = Button4, kWheelDown = Button5;
constexpr std::uint32_t kOpaque = 0xFF000000u;

// Errors on our own connections (a host that destroyed its window before our
// child) are ours to ignore; every other error goes to the handler that was
// installed before ours. Made and dropped with our connections, on the UI thread.
struct ErrorHandling {
    std::vector<Display*> displays;
    XErrorHandler previous = nullptr;
    Display* lastFailed = nullptr; // the connection of our last refused request
};

ErrorHandling& errorHandling() {
    static ErrorHandling handling;
    return handling;
}

int onError(Display* display, XErrorEvent* error) {
    ErrorHandling& handling = errorHandling();
    if (std::find(handling.displays.begin(), handling.displays.end(), display) !=
        handling.displays.end()) {
        handling.lastFailed = display;
        return 0;
    }
    return handling.previous != nullptr ? handling.previous(display, error) : 0;
}

void adoptDisplay(Display* display) {
    ErrorHandling& handling = errorHandling();
    if (handling.displays.empty()) handling.previous = XSetErrorHandler(onError);
    handling.displays.push_back(display);
}

void dropDisplay(Display* display) {
    ErrorHandling& handling = errorHandling();
    handling.displays.erase(
        std::remove(handling.displays.begin(), handling.displays.end(), display),
        handling.displays.end());
    if (handling.displays.empty()) {
        XErrorHandler ours = XSetErrorHandler(handling.previous);
        // Someone installed a handler after ours: leave theirs in place.
        if (ours != onError) XSetErrorHandler(ours);
        handling.previous = nullptr;
    }
}

std::int32_t buttonBits(unsigned mask) {
    std::int32_t bits = 0;
    if ((mask & Button1Mask) != 0) bits |= kLButton;
    if ((mask & Button2Mask) != 0) bits |= kMButton;
    if ((mask & Button3Mask) != 0) bits |= kRButton;
    if ((mask & ShiftMask) != 0) bits |= kShift;
    if ((mask & ControlMask) != 0) bits |= kControl;
    if ((mask & Mod1Mask) != 0) bits |= kAlt;
    return bits;
}

CRect unite(const CRect& a, const CRect& b) {
    if (a.width() <= 0 || a.height() <= 0) return b;
    if (b.width() <= 0 || b.height() <= 0) return a;
    return CRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                 std::max(a.bottom, b.bottom));
}

// One channel of 0xAARRGGBB scaled into a visual's channel mask.
unsigned long toMask(std::uint32_t value8, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0)
        ++shift;
    const unsigned long top = mask >> shift;
    return ((value8 * top + 127) / 255) << shift;
}

class XlibPresentation : public Presentation {
public:
    // display: our connection; window: our child window; root: its screen's
    // root; gc: for putting images; image: the pixels as the window's visual
    // wants them; shown: the 0xAARRGGBB pixels last put on screen; exposed:
    // what the server asked to have painted again since the last present;
    // gone: the window was destroyed with its parent.
    XlibPresentation(Display* display, ::Window window, ::Window root, GC gc, XImage* image)
        : display(display), window(window), root(root), gc(gc), image(image),
          shown(static_cast<std::size_t>(image->width) * image->height, 0) {}

    ~XlibPresentation() override {
        if (!gone) XDestroyWindow(display, window);
        XFreeGC(display, gc);
        XDestroyImage(image);
        XSync(display, True);
        dropDisplay(display);
        XCloseDisplay(display);
    }

    void present(const Image& source) override {
        if (gone) return;
        CRect area = unite(changedArea(source), exposed);
        exposed = CRect();
        area.bound(CRect(0, 0, std::min(source.width, image->width),
                         std::min(source.height, image->height)));
        if (area.width() <= 0 || area.height() <= 0) return;
        for (std::int32_t y = area.top; y < area.bottom; ++y) {
            const std::uint32_t* row =
                source.pixels.data() + static_cast<std::size_t>(y) * source.width;
            std::uint32_t* kept = shown.data() + static_cast<std::size_t>(y) * image->width;
            for (std::int32_t x = area.left; x < area.right; ++x) {
                kept[x] = row[x];
                XPutPixel(image, x, y, nativePixel(row[x]));
            }
        }
        XPutImage(display, window, gc, image, area.left, area.top, area.left, area.top,
                  static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()));
        XFlush(display);
    }

    bool pointer(PointerState& state) override {
        ::Window rootBack = 0, child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned mask = 0;
        if (!XQueryPointer(display, root, &rootBack, &child, &rootX, &rootY, &x, &y, &mask))
            return false;
        state.screen = CPoint(rootX, rootY);
        state.buttons = buttonBits(mask);
        return true;
    }

    CPoint screenTopLeft() override {
        int x = 0, y = 0;
        ::Window child = 0;
        if (gone || !XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child))
            return CPoint();
        return CPoint(x, y);
    }

    void resize(std::int32_t width, std::int32_t height) override {
        if (width <= 0 || height <= 0) return;
        XImage* resized = makeImage(display, visual, depth, width, height);
        if (resized == nullptr) return;
        XDestroyImage(image);
        image = resized;
        shown.assign(static_cast<std::size_t>(width) * height, 0);
        exposed = CRect(0, 0, width, height);
        if (gone) return;
        XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XFlush(display);
    }

    bool nextEvent(SystemEvent& event, bool withInput) override {
        XEvent received;
        while (XPending(display) > 0) {
            if (withInput)
                XNextEvent(display, &received);
            else if (!XCheckTypedWindowEvent(display, window, Expose, &received) &&
                     !XCheckTypedWindowEvent(display, window, DestroyNotify, &received))
                return false;
            if (translate(received, event)) return true;
        }
        return false;
    }

    static XImage* makeImage(Display* display, Visual* visual, int depth, std::int32_t width,
                             std::int32_t height) {
        XImage* made =
            XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                         static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
        if (made == nullptr) return nullptr;
        // XDestroyImage frees the pixels with free().
        made->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(made->bytes_per_line),
                                                    static_cast<std::size_t>(height)));
        if (made->data == nullptr) {
            XDestroyImage(made);
            return nullptr;
        }
        return made;
    }

    Visual* visual = nullptr;
    int depth = 0;

private:
    // The bounding box of the pixels that differ from what is on screen.
    CRect changedArea(const Image& source) const {
        CRect area;
        const std::int32_t width = std::min(source.width, image->width);
        const std::int32_t height = std::min(source.height, image->height);
        for (std::int32_t y = 0; y < height; ++y) {
            const std::uint32_t* row =
                source.pixels.data() + static_cast<std::size_t>(y) * source.width;
            const std::uint32_t* kept = shown.data() + static_cast<std::size_t>(y) * image->width;
            std::int32_t first = 0;
            while (first < width && row[first] == kept[first])
                ++first;
            if (first == width) continue;
            std::int32_t last = width - 1;
            while (row[last] == kept[last])
                --last;
            area = unite(area, CRect(first, y, last + 1, y + 1));
        }
        return area;
    }

    unsigned long nativePixel(std::uint32_t argb) const {
        return toMask((argb >> 16) & 0xFF, image->red_mask) |
               toMask((argb >> 8) & 0xFF, image->green_mask) |
               toMask(argb & 0xFF, image->blue_mask) | (depth == 32 ? kOpaque : 0);
    }

    bool translate(const XEvent& received, SystemEvent& event) {
        switch (received.type) {
        case Expose: {
            const XExposeEvent& expose = received.xexpose;
            event.type = SystemEvent::Type::expose;
            event.rect =
                CRect(expose.x, expose.y, expose.x + expose.width, expose.y + expose.height);
            exposed = unite(exposed, event.rect);
            return true;
        }
        case ButtonPress: {
            const XButtonEvent& press = received.xbutton;
            if (press.window != window) return false;
            if (press.button == kWheelUp || press.button == kWheelDown) {
                event.type = SystemEvent::Type::wheel;
                event.screen = CPoint(press.x_root, press.y_root);
                event.delta = press.button == kWheelUp ? kWheelNotch : -kWheelNotch;
                return true;
            }
            if (press.button > Button3) return false; // sideways wheel and extra buttons
            event.type = SystemEvent::Type::press;
            event.where = CPoint(press.x, press.y);
            // The state is the one before the press: add the button pressed.
            event.buttons = buttonBits(press.state | (Button1Mask << (press.button - Button1)));
            return true;
        }
        case DestroyNotify:
            if (received.xdestroywindow.window != window) return false;
            gone = true;
            event.type = SystemEvent::Type::destroyed;
            return true;
        default:
            return false;
        }
    }

    Display* display;
    ::Window window;
    ::Window root;
    GC gc;
    XImage* image;
    std::vector<std::uint32_t> shown;
    CRect exposed;
    bool gone = false;
};

} // namespace

std::unique_ptr<Presentation> presentInSystemWindow(native::Handle systemWindow, std::int32_t width,
                                                    std::int32_t height) {
    const auto parent = static_cast<::Window>(reinterpret_cast<std::uintptr_t>(systemWindow));
    if (parent == 0 || width <= 0 || height <= 0) return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return nullptr;
    adoptDisplay(display);
    XWindowAttributes parentAttributes{};
    XImage* image = nullptr;
    if (XGetWindowAttributes(display, parent, &parentAttributes) != 0 &&
        parentAttributes.c_class == InputOutput)
        image = XlibPresentation::makeImage(display, parentAttributes.visual,
                                            parentAttributes.depth, width, height);
    if (image == nullptr) {
        dropDisplay(display);
        XCloseDisplay(display);
        return nullptr;
    }
    // No background: the window shows our pixels only, without a flash of
    // the server's fill before each paint.
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;
    attributes.border_pixel = 0;
    attributes.event_mask = kEventMask;
    const ::Window window =
        XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(width),
                      static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWBackPixmap | CWBorderPixel | CWEventMask, &attributes);
    GC gc = XCreateGC(display, window, 0, nullptr);
    XMapWindow(display, window);
    errorHandling().lastFailed = nullptr;
    XSync(display, False);
    if (errorHandling().lastFailed == display) {
        // The host's window went away before ours could be made in it.
        XFreeGC(display, gc);
        XDestroyImage(image);
        XSync(display, True);
        dropDisplay(display);
        XCloseDisplay(display);
        return nullptr;
    }
    auto presentation = std::make_unique<XlibPresentation>(
        display, window, RootWindowOfScreen(parentAttributes.screen), gc, image);
    presentation->visual = parentAttributes.visual;
    presentation->depth = parentAttributes.depth;
    return presentation;
}

} // namespace software
} // namespace VSTGUI
