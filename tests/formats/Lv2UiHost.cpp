// The LV2 bundle's X11 UI in a top-level X11 window that this small host
// makes, as a Linux LV2 host does, for lv2-ui-test.sh to drive with real input
// under Xvfb. It finds the UI through lilv, hands it the window, ui:resize
// and ui:touch, sends the controls' defaults, then the host's own changes
// (Ceiling -6 dB, Release 10 ms) and meter readings (in -6 and -12 dB,
// reduction 9 dB, out -3 and -30 dB), and idles it. Lines:
//   resize W H              the UI asked for that size
//   widget child            the UI's widget is a window of 432 x 172 in ours
//   ready X Y               our window is at screen (X, Y)
//   touch P 1, touch P 0    the UI grabbed or let go of port P
//   write P VALUE           the UI wrote VALUE to port P
//   final V0..V4            the five controls as the plug-in's values 0..1
//   cycles clean            CYCLES UIs (100 unless given) made and cleaned
//                           up in a row left no window in ours and no
//                           connection or file open
//   scaled W H, W H         a UI told ui:scaleFactor 2 as it is made, then
//                           1.5 through its options interface: each time
//                           the size it asked for, and its widget has it
// It ends when the file named by its argument exists.
// usage: brelto_lv2_ui_test BUNDLE-FOLDER QUIT-FILE [CYCLES]
#include "dsp/ParameterLaws.h"
#include "tests/window/X11Counts.h"

#include <X11/Xlib.h>
#include <dlfcn.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using x11counts::childCount;
using x11counts::openFiles;

constexpr const char* kPluginUri = "urn:quenor:brelto";
constexpr int kWidth = 432, kHeight = 172;
constexpr int kHostLeft = 40, kHostTop = 30;
constexpr auto kIdleInterval = std::chrono::milliseconds(40);
constexpr int kCycles = 100;
// Ports: the controls from 4 on, the meters from 9 on.
constexpr std::uint32_t kCeiling = 4, kGain = 5, kRelease = 6, kStereo = 7, kIsp = 8;
constexpr std::uint32_t kFirstMeter = 9, kMeterCount = 5;
constexpr float kMeterDecibels[kMeterCount] = {-6.0f, -12.0f, 9.0f, -3.0f, -30.0f};

std::vector<float> portValues;

void say(const char* format, double a = 0, double b = 0) {
    std::printf(format, a, b);
    std::printf("\n");
    std::fflush(stdout);
}

void write(LV2UI_Controller, std::uint32_t port, std::uint32_t size, std::uint32_t format,
           const void* buffer) {
    if (format != 0 || size != sizeof(float) || port >= portValues.size()) return;
    std::memcpy(&portValues[port], buffer, sizeof(float));
    std::printf("write %u %.6f\n", port, double(portValues[port]));
    std::fflush(stdout);
}

// The size the UI asked for last.
int askedWidth = 0, askedHeight = 0;

int resize(LV2UI_Feature_Handle, int width, int height) {
    say("resize %.0f %.0f", width, height);
    askedWidth = width;
    askedHeight = height;
    return 0;
}

// The host's URIDs: numbers from 1 in the order asked.
LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri) {
    static std::vector<std::string> mapped;
    for (std::size_t i = 0; i < mapped.size(); ++i)
        if (mapped[i] == uri) return static_cast<LV2_URID>(i + 1);
    mapped.emplace_back(uri);
    return static_cast<LV2_URID>(mapped.size());
}
LV2_URID_Map uridMap = {nullptr, mapUri};

// The scale factor as an option, and the end of the options.
struct ScaleOptions {
    explicit ScaleOptions(float factor) : factor(factor) {
        options[0] = {LV2_OPTIONS_INSTANCE,
                      0,
                      mapUri(nullptr, LV2_UI__scaleFactor),
                      sizeof(float),
                      mapUri(nullptr, LV2_ATOM__Float),
                      &this->factor};
        options[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    }
    float factor;
    LV2_Options_Option options[2];
};

void touch(LV2UI_Feature_Handle, std::uint32_t port, bool grabbed) {
    std::printf("touch %u %d\n", port, grabbed ? 1 : 0);
    std::fflush(stdout);
}

Window makeWindow(Display* display, int left, int top) {
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), left, top,
                                              kWidth, kHeight, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

struct LoadedUi {
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    std::string pluginUri, bundlePath;
};

class Session {
public:
    // With a scale factor, the UI gets it among its options.
    Session(const LoadedUi& ui, Window parent, float scale = 0.0f) : ui(ui), scaleOptions(scale) {
        resizeFeature = {nullptr, resize};
        touchFeature = {nullptr, touch};
        features[0] = {LV2_UI__parent,
                       reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent))};
        features[1] = {LV2_UI__resize, &resizeFeature};
        features[2] = {LV2_UI__touch, &touchFeature};
        features[3] = {LV2_UI__idleInterface, nullptr};
        features[4] = {LV2_URID__map, &uridMap};
        features[5] = {LV2_OPTIONS__options, scaleOptions.options};
        const LV2_Feature* list[] = {&features[0],
                                     &features[1],
                                     &features[2],
                                     &features[3],
                                     scale > 0.0f ? &features[4] : nullptr,
                                     &features[5],
                                     nullptr};
        handle = ui.descriptor->instantiate(ui.descriptor, ui.pluginUri.c_str(),
                                            ui.bundlePath.c_str(), write, nullptr, &widget, list);
    }
    ~Session() {
        if (handle != nullptr) ui.descriptor->cleanup(handle);
    }
    void send(std::uint32_t port, float value) {
        ui.descriptor->port_event(handle, port, sizeof(value), 0, &value);
    }
    void idle() { ui.idle->idle(handle); }

    const LoadedUi& ui;
    ScaleOptions scaleOptions;
    LV2UI_Resize resizeFeature;
    LV2UI_Touch touchFeature;
    LV2_Feature features[6];
    LV2UI_Handle handle = nullptr;
    LV2UI_Widget widget = nullptr;
};

bool loadUi(const char* bundleFolder, LoadedUi& loaded, void*& library) {
    LilvWorld* world = lilv_world_new();
    std::string folder = std::filesystem::absolute(bundleFolder).string() + "/";
    LilvNode* bundle = lilv_new_file_uri(world, nullptr, folder.c_str());
    lilv_world_load_bundle(world, bundle);
    LilvNode* uri = lilv_new_uri(world, kPluginUri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    bool found = false;
    if (plugin != nullptr) {
        portValues.assign(lilv_plugin_get_num_ports(plugin), 0.0f);
        std::vector<float> minimum(portValues.size()), maximum(portValues.size());
        lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(),
                                          portValues.data());
        LilvUIs* uis = lilv_plugin_get_uis(plugin);
        LilvNode* x11 = lilv_new_uri(world, LV2_UI__X11UI);
        LILV_FOREACH(uis, it, uis) {
            const LilvUI* ui = lilv_uis_get(uis, it);
            if (!lilv_ui_is_a(ui, x11)) continue;
            char* binary =
                lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
            library = dlopen(binary, RTLD_NOW | RTLD_LOCAL);
            lilv_free(binary);
            auto entry =
                library != nullptr
                    ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"))
                    : nullptr;
            const char* wanted = lilv_node_as_uri(lilv_ui_get_uri(ui));
            for (std::uint32_t i = 0; entry != nullptr && entry(i) != nullptr; ++i)
                if (std::strcmp(entry(i)->URI, wanted) == 0) loaded.descriptor = entry(i);
            found = loaded.descriptor != nullptr;
            break;
        }
        lilv_node_free(x11);
        lilv_uis_free(uis);
    }
    loaded.pluginUri = kPluginUri;
    loaded.bundlePath = folder;
    if (found && loaded.descriptor->extension_data != nullptr)
        loaded.idle = static_cast<const LV2UI_Idle_Interface*>(
            loaded.descriptor->extension_data(LV2_UI__idleInterface));
    lilv_node_free(uri);
    lilv_node_free(bundle);
    lilv_world_free(world);
    return found && loaded.idle != nullptr;
}

// The plug-in's value 0..1 of each control port, by the plug-in's laws.
void sayFinal() {
    const auto toggle = [](float units) { return units >= 0.5f ? 1.0 : 0.0; };
    std::printf("final %.9g %.9g %.9g %.9g %.9g\n",
                double(float(laws::ceilingValue(portValues[kCeiling]))),
                double(float(laws::gainValue(portValues[kGain]))),
                double(float(laws::releaseValue(portValues[kRelease]))),
                toggle(portValues[kStereo]), toggle(portValues[kIsp]));
    std::fflush(stdout);
}

// UIs made and cleaned up again leave nothing behind.
bool cyclesAreClean(Display* display, const LoadedUi& ui, int cycles) {
    const Window parent = makeWindow(display, 500, 300);
    { Session first(ui, parent); } // the first one loads what stays
    const int filesBefore = openFiles();
    bool clean = true;
    for (int cycle = 0; cycle < cycles && clean; ++cycle) {
        Session session(ui, parent);
        clean = session.handle != nullptr;
        if (clean) session.idle();
    }
    XSync(display, False);
    clean = clean && childCount(display, parent) == 0 && openFiles() == filesBefore;
    XDestroyWindow(display, parent);
    return clean;
}

// The width and height of window, 0 x 0 when it cannot be read.
std::pair<int, int> sizeOf(Display* display, Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes)) return {0, 0};
    return {attributes.width, attributes.height};
}

void sayScaled(Display* display, const LoadedUi& ui) {
    const Window parent = makeWindow(display, 0, 0);
    Session session(ui, parent, 2.0f);
    const auto widget = static_cast<Window>(reinterpret_cast<std::uintptr_t>(session.widget));
    const auto options = static_cast<const LV2_Options_Interface*>(
        ui.descriptor->extension_data(LV2_OPTIONS__interface));
    if (session.handle != nullptr && options != nullptr) {
        XSync(display, False);
        const auto made = sizeOf(display, widget);
        const int madeWidth = made.first == askedWidth ? askedWidth : -1;
        const int madeHeight = made.second == askedHeight ? askedHeight : -1;
        ScaleOptions later(1.5f);
        options->set(session.handle, later.options);
        XSync(display, False);
        const auto resized = sizeOf(display, widget);
        std::printf("scaled %d %d, %d %d\n", madeWidth, madeHeight,
                    resized.first == askedWidth ? askedWidth : -1,
                    resized.second == askedHeight ? askedHeight : -1);
        std::fflush(stdout);
    }
    XDestroyWindow(display, parent);
}

} // namespace

int main(int argc, char** argv) {
    const int cycles = argc == 4 ? std::atoi(argv[3]) : kCycles;
    if ((argc != 3 && argc != 4) || cycles <= 0) {
        std::fprintf(stderr, "usage: brelto_lv2_ui_test BUNDLE-FOLDER QUIT-FILE [CYCLES]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    LoadedUi ui;
    void* library = nullptr;
    if (display == nullptr || !loadUi(argv[1], ui, library)) {
        std::fprintf(stderr, "brelto_lv2_ui_test: no display, or no X11 UI in %s\n", argv[1]);
        return 1;
    }
    const Window host = makeWindow(display, kHostLeft, kHostTop);
    {
        Session session(ui, host);
        if (session.handle == nullptr) {
            std::fprintf(stderr, "brelto_lv2_ui_test: the UI was not made\n");
            return 1;
        }
        const auto widget = static_cast<Window>(reinterpret_cast<std::uintptr_t>(session.widget));
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        XWindowAttributes attributes{};
        if (XQueryTree(display, widget, &root, &parent, &children, &count) && parent == host &&
            XGetWindowAttributes(display, widget, &attributes) && attributes.width == kWidth &&
            attributes.height == kHeight)
            say("widget child");
        if (children != nullptr) XFree(children);
        for (std::uint32_t port = kCeiling; port <= kIsp; ++port)
            session.send(port, portValues[port]);
        portValues[kCeiling] = -6.0f;
        portValues[kRelease] = 10.0f;
        session.send(kCeiling, portValues[kCeiling]);
        session.send(kRelease, portValues[kRelease]);
        for (std::uint32_t i = 0; i < kMeterCount; ++i)
            session.send(kFirstMeter + i, kMeterDecibels[i]);
        say("ready %.0f %.0f", kHostLeft, kHostTop);
        while (!std::filesystem::exists(argv[2])) {
            while (XPending(display) > 0) {
                XEvent event;
                XNextEvent(display, &event);
            }
            session.idle();
            std::this_thread::sleep_for(kIdleInterval);
        }
        sayFinal();
    }
    XSync(display, False);
    if (childCount(display, host) == 0 && cyclesAreClean(display, ui, cycles)) say("cycles clean");
    sayScaled(display, ui);
    XDestroyWindow(display, host);
    XCloseDisplay(display);
    dlclose(library);
    return 0;
}
