// The module's one export, clap_entry: its factory describes one plug-in
// and makes its instances; every function the host calls leads to the
// instance's ClapPlugin. No exception leaves the module.
#include "base/Text.h"
#include "formats/clap/ClapIdentity.h"
#include "formats/clap/ClapPlugin.h"

#include <cstring>
#include <new>

namespace {

const char* const kFeatures[] = {"audio-effect", "mastering", "limiter", "stereo", nullptr};

const clap_plugin_descriptor_t kDescriptor = {
    kClapVersion,
    clapidentity::kPluginId,
    clapidentity::kName,
    clapidentity::kVendor,
    "",
    "",
    "",
    clapidentity::kVersion,
    clapidentity::kDescription,
    kFeatures,
};

ClapPlugin& of(const clap_plugin_t* plugin) {
    return ClapPlugin::of(plugin);
}

// --- Audio ports: one stereo input and one stereo output, the main ones,
// which may share their buffers.

std::uint32_t audioPortCount(const clap_plugin_t*, bool) {
    return 1;
}

bool audioPortInfo(const clap_plugin_t*, std::uint32_t index, bool input,
                   clap_audio_port_info_t* info) {
    if (index != 0 || info == nullptr) return false;
    *info = clap_audio_port_info_t{};
    info->id = 0;
    base::copyInto(info->name, input ? "Input" : "Output");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = 0;
    return true;
}

const clap_plugin_audio_ports_t kAudioPorts = {audioPortCount, audioPortInfo};

// --- Parameters.

std::uint32_t paramCount(const clap_plugin_t* plugin) {
    return of(plugin).paramCount();
}

bool paramInfo(const clap_plugin_t* plugin, std::uint32_t index, clap_param_info_t* info) {
    return info != nullptr && of(plugin).paramInfo(index, *info);
}

bool paramValue(const clap_plugin_t* plugin, clap_id id, double* value) {
    return value != nullptr && of(plugin).paramValue(id, *value);
}

bool valueToText(const clap_plugin_t* plugin, clap_id id, double value, char* text,
                 std::uint32_t size) {
    return of(plugin).valueToText(id, value, text, size);
}

bool textToValue(const clap_plugin_t* plugin, clap_id id, const char* text, double* value) {
    return value != nullptr && of(plugin).textToValue(id, text, *value);
}

void flush(const clap_plugin_t* plugin, const clap_input_events_t* in,
           const clap_output_events_t* out) {
    of(plugin).flush(in, out);
}

const clap_plugin_params_t kParams = {paramCount,  paramInfo,   paramValue,
                                      valueToText, textToValue, flush};

// --- Latency and state.

std::uint32_t latency(const clap_plugin_t* plugin) {
    return of(plugin).latency();
}

const clap_plugin_latency_t kLatency = {latency};

bool save(const clap_plugin_t* plugin, const clap_ostream_t* stream) {
    return stream != nullptr && of(plugin).save(*stream);
}

bool load(const clap_plugin_t* plugin, const clap_istream_t* stream) {
    try {
        return stream != nullptr && of(plugin).load(*stream);
    } catch (...) {
        return false;
    }
}

const clap_plugin_state_t kState = {save, load};

// --- Editor and its timer.

bool guiSupported(const clap_plugin_t* plugin, const char* api, bool floating) {
    return of(plugin).guiSupported(api, floating);
}

bool guiPreferredApi(const clap_plugin_t*, const char** api, bool* floating) {
    if (api == nullptr || floating == nullptr) return false;
    *api = CLAP_WINDOW_API_X11;
    *floating = false;
    return true;
}

bool guiCreate(const clap_plugin_t* plugin, const char* api, bool floating) {
    return of(plugin).guiCreate(api, floating);
}

void guiDestroy(const clap_plugin_t* plugin) {
    of(plugin).guiDestroy();
}

bool guiScale(const clap_plugin_t* plugin, double scale) {
    return of(plugin).guiScale(scale);
}

bool guiSize(const clap_plugin_t* plugin, std::uint32_t* width, std::uint32_t* height) {
    return width != nullptr && height != nullptr && of(plugin).guiSize(*width, *height);
}

bool guiCanResize(const clap_plugin_t*) {
    return false;
}

bool guiResizeHints(const clap_plugin_t*, clap_gui_resize_hints_t* hints) {
    if (hints == nullptr) return false;
    *hints = clap_gui_resize_hints_t{};
    return true;
}

// The editor has one size: every size asked for comes back as that one.
bool guiAdjustSize(const clap_plugin_t* plugin, std::uint32_t* width, std::uint32_t* height) {
    return guiSize(plugin, width, height);
}

bool guiSetSize(const clap_plugin_t* plugin, std::uint32_t width, std::uint32_t height) {
    std::uint32_t fixedWidth = 0, fixedHeight = 0;
    return guiSize(plugin, &fixedWidth, &fixedHeight) && width == fixedWidth &&
           height == fixedHeight;
}

bool guiSetParent(const clap_plugin_t* plugin, const clap_window_t* window) {
    try {
        return window != nullptr && of(plugin).guiSetParent(*window);
    } catch (...) {
        return false;
    }
}

bool guiSetTransient(const clap_plugin_t*, const clap_window_t*) {
    return false;
}

void guiSuggestTitle(const clap_plugin_t*, const char*) {}

bool guiShowOrHide(const clap_plugin_t* plugin) {
    return of(plugin).guiShown();
}

const clap_plugin_gui_t kGui = {
    guiSupported, guiPreferredApi, guiCreate,       guiDestroy,    guiScale,
    guiSize,      guiCanResize,    guiResizeHints,  guiAdjustSize, guiSetSize,
    guiSetParent, guiSetTransient, guiSuggestTitle, guiShowOrHide, guiShowOrHide,
};

void onTimer(const clap_plugin_t* plugin, clap_id timer) {
    of(plugin).onTimer(timer);
}

const clap_plugin_timer_support_t kTimerSupport = {onTimer};

// --- The plug-in's own functions. Each says on which thread the host calls it.

// Main thread.
bool init(const clap_plugin_t* plugin) {
    return of(plugin).init();
}

// Main thread, deactivated.
void destroy(const clap_plugin_t* plugin) {
    delete &of(plugin);
}

// Main thread.
bool activate(const clap_plugin_t* plugin, double rate, std::uint32_t, std::uint32_t) {
    try {
        return of(plugin).activate(rate);
    } catch (...) {
        return false;
    }
}

// Main thread.
void deactivate(const clap_plugin_t* plugin) {
    of(plugin).deactivate();
}

// Audio thread.
bool startProcessing(const clap_plugin_t* plugin) {
    return of(plugin).startProcessing();
}

// Audio thread.
void stopProcessing(const clap_plugin_t* plugin) {
    of(plugin).stopProcessing();
}

// Audio thread.
void reset(const clap_plugin_t* plugin) {
    of(plugin).reset();
}

// Audio thread.
clap_process_status process(const clap_plugin_t* plugin, const clap_process_t* block) {
    return block != nullptr ? of(plugin).process(*block) : CLAP_PROCESS_ERROR;
}

// Any thread.
const void* extension(const clap_plugin_t*, const char* id) {
    if (id == nullptr) return nullptr;
    struct Extension {
        const char* id;
        const void* functions;
    };
    static const Extension kExtensions[] = {
        {CLAP_EXT_AUDIO_PORTS, &kAudioPorts},
        {CLAP_EXT_PARAMS, &kParams},
        {CLAP_EXT_LATENCY, &kLatency},
        {CLAP_EXT_STATE, &kState},
        {CLAP_EXT_GUI, &kGui},
        {CLAP_EXT_TIMER_SUPPORT, &kTimerSupport},
    };
    for (const Extension& extension : kExtensions)
        if (std::strcmp(id, extension.id) == 0) return extension.functions;
    return nullptr;
}

// Main thread.
void onMainThread(const clap_plugin_t* plugin) {
    of(plugin).onMainThread();
}

const clap_plugin_t kFunctions = {
    &kDescriptor,    nullptr,        init,  destroy, activate,  deactivate,
    startProcessing, stopProcessing, reset, process, extension, onMainThread,
};

// --- The factory and the entry, on any thread.

std::uint32_t pluginCount(const clap_plugin_factory_t*) {
    return 1;
}

const clap_plugin_descriptor_t* pluginDescriptor(const clap_plugin_factory_t*,
                                                 std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}

// Main thread.
const clap_plugin_t* createPlugin(const clap_plugin_factory_t*, const clap_host_t* host,
                                  const char* id) {
    if (host == nullptr || host->clap_version.major < kClapVersion.major || id == nullptr ||
        std::strcmp(id, kDescriptor.id) != 0)
        return nullptr;
    try {
        return (new ClapPlugin(host, kFunctions))->handle();
    } catch (...) {
        return nullptr;
    }
}

const clap_plugin_factory_t kFactory = {pluginCount, pluginDescriptor, createPlugin};

bool entryInit(const char*) {
    return true;
}

void entryDeinit() {}

const void* factory(const char* id) {
    return id != nullptr && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
}

} // namespace

extern "C" __attribute__((visibility("default")))
const clap_plugin_entry_t clap_entry = {kClapVersion, entryInit, entryDeinit, factory};
