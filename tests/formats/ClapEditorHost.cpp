// Brelto.clap's editor in a top-level X11 window that this small CLAP host
// makes, for clap-editor-test.sh to drive with real input under Xvfb. The
// host idles the editor with the timer it asks for, and takes the editor's
// edits as output events: through flushes on the main thread while it does
// not process, from process on an audio thread of its own once the file
// WORK/play exists. Lines:
//   scale S 1|0 W H         the editor took, or refused, scale S, and is W x H
//   ready X Y               our window is at screen (X, Y), the editor in it
//   processing              the audio thread runs
//   flush|process begin P, flush|process value P V, flush|process end P
//                           an edit of parameter P, and by which way it came
//   final V0..V4            the five controls as the plug-in's values 0..1
//   rescaled W H, W H       the open editor set to 1.5: the size it asked the
//                           host for, and the size of its window
//   threads kept            every main-thread request came on the main thread
//   cycles clean            CYCLES editors (100 unless given) made and
//                           destroyed left no window in ours, no timer and
//                           no file open
// It ends when WORK/quit exists.
// usage: brelto_clap_editor_test PLUGIN.clap WORK-FOLDER [CYCLES]
#include "dsp/ParameterLaws.h"
#include "tests/formats/ClapHost.h"
#include "tests/window/X11Counts.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

namespace {

using x11counts::childCount;
using x11counts::openFiles;

constexpr const char* kId = "com.quenor.brelto";
constexpr int kHostLeft = 40, kHostTop = 30;
constexpr auto kIdleInterval = std::chrono::milliseconds(25);
constexpr auto kBlockInterval = std::chrono::milliseconds(10);
constexpr std::uint32_t kBlock = 480;
constexpr int kCycles = 100;

std::mutex printing;

void say(const char* format, double a = 0, double b = 0) {
    const std::lock_guard<std::mutex> lock(printing);
    std::printf(format, a, b);
    std::printf("\n");
    std::fflush(stdout);
}

void sayEvents(const char* way, const OutputEvents& out) {
    const std::lock_guard<std::mutex> lock(printing);
    for (const RecordedEvent& event : out.events) {
        if (event.type == CLAP_EVENT_PARAM_VALUE)
            std::printf("%s value %u %.6f\n", way, event.param, event.value);
        else
            std::printf("%s %s %u\n", way,
                        event.type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? "begin" : "end",
                        event.param);
    }
    std::fflush(stdout);
}

Window makeWindow(Display* display, int left, int top, unsigned width, unsigned height) {
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), left, top, width, height, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

bool openEditor(ClapInstance& instance, Window parent) {
    const clap_plugin_gui_t* gui = instance.gui;
    clap_window_t window{CLAP_WINDOW_API_X11, {}};
    window.x11 = parent;
    return gui->create(instance.plugin, CLAP_WINDOW_API_X11, false) &&
           gui->set_parent(instance.plugin, &window) && gui->show(instance.plugin);
}

void idle(ClapInstance& instance, const ClapHost& host) {
    for (const clap_id timer : host.timers)
        instance.timerSupport->on_timer(instance.plugin, timer);
}

// Blocks of silence, as a host plays an empty track, and the edits they carry.
class AudioThread {
public:
    explicit AudioThread(ClapInstance& instance) : thread([this, &instance] { run(instance); }) {}
    ~AudioThread() {
        stopping = true;
        thread.join();
    }

private:
    void run(ClapInstance& instance) {
        const clap_plugin_t* plugin = instance.plugin;
        plugin->start_processing(plugin);
        say("processing");
        static float silence[2][kBlock];
        float* data[2] = {silence[0], silence[1]};
        clap_audio_buffer_t buffers{data, nullptr, 2, 0, 0};
        InputEvents in;
        while (!stopping) {
            OutputEvents out;
            const clap_process_t block{0, kBlock, nullptr,   &buffers,  &buffers,
                                       1, 1,      in.list(), out.list()};
            plugin->process(plugin, &block);
            sayEvents("process", out);
            std::this_thread::sleep_for(kBlockInterval);
        }
        plugin->stop_processing(plugin);
    }

    std::atomic<bool> stopping{false};
    std::thread thread;
};

void sayFinal(const ClapInstance& instance) {
    std::printf("final %.9g %.9g %.9g %.9g %.9g\n",
                double(float(laws::ceilingValue(instance.value(0)))),
                double(float(laws::gainValue(instance.value(1)))),
                double(float(laws::releaseValue(instance.value(2)))),
                instance.value(3) >= 0.5 ? 1.0 : 0.0, instance.value(4) >= 0.5 ? 1.0 : 0.0);
    std::fflush(stdout);
}

// The open editor set to 1.5 asks the host for 648 x 258 and takes it.
void sayRescaled(Display* display, ClapInstance& instance, const ClapHost& host, Window parent) {
    instance.gui->set_scale(instance.plugin, 1.5);
    XSync(display, False);
    Window root = 0, itsParent = 0, *children = nullptr;
    unsigned count = 0;
    XWindowAttributes editor{};
    if (XQueryTree(display, parent, &root, &itsParent, &children, &count) && count == 1)
        XGetWindowAttributes(display, children[0], &editor);
    if (children != nullptr) XFree(children);
    const auto asked =
        host.resizeRequests.empty() ? std::make_pair(0u, 0u) : host.resizeRequests.back();
    std::printf("rescaled %u %u, %d %d\n", asked.first, asked.second, editor.width, editor.height);
    std::fflush(stdout);
}

// Editors made and destroyed again leave nothing behind.
bool cyclesAreClean(Display* display, ClapInstance& instance, const ClapHost& host,
                    std::uint32_t width, std::uint32_t height, int cycles) {
    const Window parent = makeWindow(display, 500, 300, width, height);
    const int filesBefore = openFiles();
    bool clean = true;
    for (int cycle = 0; cycle < cycles && clean; ++cycle) {
        clean = openEditor(instance, parent);
        idle(instance, host);
        instance.gui->hide(instance.plugin);
        instance.gui->destroy(instance.plugin);
    }
    XSync(display, False);
    clean = clean && childCount(display, parent) == 0 && host.timers.empty() &&
            openFiles() == filesBefore;
    XDestroyWindow(display, parent);
    return clean;
}

} // namespace

int main(int argc, char** argv) {
    const int cycles = argc == 4 ? std::atoi(argv[3]) : kCycles;
    if ((argc != 3 && argc != 4) || cycles <= 0) {
        std::fprintf(stderr, "usage: brelto_clap_editor_test PLUGIN.clap WORK-FOLDER [CYCLES]\n");
        return 2;
    }
    const std::filesystem::path work = argv[2];
    Display* display = XOpenDisplay(nullptr);
    ClapModule module(argv[1]);
    ClapHost host;
    ClapInstance instance(module, host, kId);
    if (display == nullptr || !instance.made() || instance.gui == nullptr ||
        instance.timerSupport == nullptr) {
        std::fprintf(stderr, "brelto_clap_editor_test: no display, or no editor in %s %s\n",
                     argv[1], module.error.c_str());
        return 1;
    }
    std::uint32_t width = 0, height = 0;
    for (const double scale : {2.0, 1.0}) {
        const bool taken = instance.gui->set_scale(instance.plugin, scale);
        instance.gui->get_size(instance.plugin, &width, &height);
        std::printf("scale %.0f %d %u %u\n", scale, taken ? 1 : 0, width, height);
    }
    const Window window = makeWindow(display, kHostLeft, kHostTop, width, height);
    if (!openEditor(instance, window)) {
        std::fprintf(stderr, "brelto_clap_editor_test: the editor did not open\n");
        return 1;
    }
    say("ready %.0f %.0f", kHostLeft, kHostTop);

    std::unique_ptr<AudioThread> audio;
    int flushesTaken = 0;
    while (!std::filesystem::exists(work / "quit")) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
        }
        idle(instance, host);
        if (audio == nullptr && host.flushRequests != flushesTaken) {
            flushesTaken = host.flushRequests;
            OutputEvents out;
            instance.flush(InputEvents(), out);
            sayEvents("flush", out);
        }
        if (audio == nullptr && std::filesystem::exists(work / "play") &&
            instance.activate(48000.0, kBlock))
            audio = std::make_unique<AudioThread>(instance);
        std::this_thread::sleep_for(kIdleInterval);
    }
    audio.reset();
    instance.deactivate();
    sayFinal(instance);
    sayRescaled(display, instance, host, window);
    instance.gui->destroy(instance.plugin);
    XSync(display, False);
    if (host.offMainThread == 0) say("threads kept");
    if (childCount(display, window) == 0 &&
        cyclesAreClean(display, instance, host, width, height, cycles))
        say("cycles clean");
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return 0;
}
