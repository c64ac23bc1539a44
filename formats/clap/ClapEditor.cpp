// The editor as the CLAP interface shows it: the plug-in's own editor in the
// host's X11 window, idled by a timer of the host's (a Linux plug-in has no
// other way to run on the main thread), and its edits sent to the host as
// gestures and values.
#include "formats/clap/ClapPlugin.h"

#include <cstdint>
#include <cstring>

namespace {

// About 40 idle passes a second: meters that move smoothly, knobs that follow.
constexpr std::uint32_t kIdlePeriodMs = 25;

} // namespace

// Hosts ask this also of instances made only to list the plug-in, whose host
// records may offer no timers (Qtractor's do): the answer holds for any host
// that offers them, which only making the editor requires.
bool ClapPlugin::guiSupported(const char* api, bool floating) const {
    return api != nullptr && std::strcmp(api, CLAP_WINDOW_API_X11) == 0 && !floating;
}

bool ClapPlugin::guiCreate(const char* api, bool floating) {
    if (guiMade || !guiSupported(api, floating) || hostTimers == nullptr ||
        !hostTimers->register_timer(host, kIdlePeriodMs, &timer))
        return false;
    guiMade = true;
    return true;
}

void ClapPlugin::guiDestroy() {
    if (!guiMade) return;
    plugin.closeEditor();
    hostTimers->unregister_timer(host, timer);
    timer = CLAP_INVALID_ID;
    guiMade = false;
}

bool ClapPlugin::guiSize(std::uint32_t& width, std::uint32_t& height) {
    int editorWidth = 0, editorHeight = 0;
    if (!plugin.editorSize(editorWidth, editorHeight)) return false;
    width = static_cast<std::uint32_t>(editorWidth);
    height = static_cast<std::uint32_t>(editorHeight);
    return true;
}

bool ClapPlugin::guiSetParent(const clap_window_t& window) {
    if (!guiMade || window.api == nullptr || std::strcmp(window.api, CLAP_WINDOW_API_X11) != 0 ||
        window.x11 == 0)
        return false;
    return plugin.openEditor(reinterpret_cast<void*>(static_cast<std::uintptr_t>(window.x11)));
}

// The editor takes the nearest of the scales it is drawn at.
bool ClapPlugin::guiScale(double scale) {
    return plugin.setEditorScale(static_cast<float>(scale));
}

// A scale set while the editor is open resized it: the host's window follows.
bool ClapPlugin::editorResized(int width, int height) {
    return hostGui != nullptr && width > 0 && height > 0 &&
           hostGui->request_resize(host, static_cast<std::uint32_t>(width),
                                   static_cast<std::uint32_t>(height));
}

void ClapPlugin::onTimer(clap_id id) {
    if (guiMade && id == timer) plugin.idleEditor();
}

void ClapPlugin::parameterEdited(int index, float value) {
    const int control = controlParameters.controlOf(index);
    if (control >= 0)
        queue(CLAP_EVENT_PARAM_VALUE, index,
              controls::unitsOf(controls::kControls[control], value));
}

void ClapPlugin::editBegun(int index) {
    queue(CLAP_EVENT_PARAM_GESTURE_BEGIN, index, 0.0);
}

void ClapPlugin::editEnded(int index) {
    queue(CLAP_EVENT_PARAM_GESTURE_END, index, 0.0);
}

void ClapPlugin::queue(std::uint16_t type, int index, double value) {
    if (controlParameters.controlOf(index) < 0) return;
    edits.push({type, static_cast<clap_id>(index), value});
    if (!processing.load(std::memory_order_seq_cst)) requestFlush(); // see stopProcessing
}

// While the host processes, each block takes the edits with it.
void ClapPlugin::requestFlush() {
    if (hostParams != nullptr) hostParams->request_flush(host);
}
