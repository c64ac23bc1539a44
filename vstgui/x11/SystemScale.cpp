// The scale at which an X11 desktop draws: GDK_SCALE where the host runs GTK
// at a scale of its own, else the X server's Xft.dpi resource, which desktops
// set for their scaling (96 dots per inch is 1).
#include "vstgui/software/Presentation.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <cstdlib>

namespace VSTGUI {
namespace software {

namespace {

constexpr double kUnscaledDpi = 96.0;

// A positive number at the start of text, or 0.
double positiveNumber(const char* text) {
    if (text == nullptr) return 0.0;
    char* end = nullptr;
    const double number = std::strtod(text, &end);
    return end != text && number > 0.0 ? number : 0.0;
}

// The Xft.dpi resource that the server holds for its clients, 0 without one.
double serverDpi() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 0.0;
    double dpi = 0.0;
    if (const char* resources = XResourceManagerString(display)) {
        XrmInitialize();
        if (XrmDatabase database = XrmGetStringDatabase(resources)) {
            char* type = nullptr;
            XrmValue value{};
            if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) != 0)
                dpi = positiveNumber(value.addr);
            XrmDestroyDatabase(database);
        }
    }
    XCloseDisplay(display);
    return dpi;
}

} // namespace

// The desktop's scale holds for every window of the display alike.
double systemScaleOf(native::Handle) {
    if (const double gtkScale = positiveNumber(std::getenv("GDK_SCALE")); gtkScale > 0.0)
        return gtkScale;
    const double dpi = serverDpi();
    return dpi > 0.0 ? dpi / kUnscaledDpi : 1.0;
}

} // namespace software
} // namespace VSTGUI
