// The LV2 plug-in: its ports translated to the plug-in's record and back,
// and its settings kept through the LV2 state interface as the plug-in's
// chunk, the same bytes that VST 2.4 hosts store.
#include "formats/Controls.h"
#include "formats/PluginRecord.h"
#include "formats/lv2/Lv2Ports.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <atomic>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {

using namespace lv2ports;

constexpr int kChannels = 2;
constexpr float kNotApplied = std::numeric_limits<float>::quiet_NaN();

const void* feature(const LV2_Feature* const* features, const char* uri) {
    for (; features != nullptr && *features != nullptr; ++features)
        if (std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
    return nullptr;
}

class Instance {
public:
    // Any thread but the audio thread: the plug-in made at rate and its
    // parameters found by name.
    Instance(double rate, const LV2_URID_Map* map);

    bool made() const { return plugin.made() && meters != nullptr; }
    // Any thread, not while running.
    void connect(std::uint32_t port, void* data);
    void activate() { plugin.resume(); }
    void deactivate() { plugin.suspend(); }
    // Audio thread: the controls that changed, the audio, then the meters
    // and the latency.
    void run(std::uint32_t frames);

    // Any thread but the audio thread; restore is never called while running.
    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

private:
    void applyControls();

    // plugin: the plug-in, from the making to cleanup.
    // controlParameters: its controls among its parameters.
    // meters: its meter readings.
    // audio, controlPorts, meterPorts, latencyPort: the host's buffers, set
    //   by connect; null until connected.
    // applied: each control port's value last handed to the plug-in (audio
    //   thread); NaN when it is to be handed over again.
    // controlsStale: set by a restore, so that the next run hands every
    //   control port's value over again and the plug-in agrees with the ports.
    // chunkKey, chunkType: the state's property and its type; 0 without
    //   the host's URI map, when the state cannot be kept.
    PluginRecord plugin;
    controls::ControlParameters controlParameters;
    std::unique_ptr<controls::MeterReadings> meters;
    float* audio[kAudioPortCount] = {};
    const float* controlPorts[controls::kControlCount] = {};
    float* meterPorts[controls::kMeterCount] = {};
    float* latencyPort = nullptr;
    float applied[controls::kControlCount];
    std::atomic<bool> controlsStale{true};
    LV2_URID chunkKey = 0;
    LV2_URID chunkType = 0;
};

Instance::Instance(double rate, const LV2_URID_Map* map)
    : plugin(rate, nullptr), controlParameters(plugin) {
    if (!plugin.made()) return;
    for (float& value : applied)
        value = kNotApplied;
    meters = std::make_unique<controls::MeterReadings>(plugin);
    if (map != nullptr) {
        chunkKey = map->map(map->handle, kChunkUri);
        chunkType = map->map(map->handle, LV2_ATOM__Chunk);
    }
}

void Instance::connect(std::uint32_t port, void* data) {
    auto* buffer = static_cast<float*>(data);
    if (port < kAudioPortCount)
        audio[port] = buffer;
    else if (port < kFirstMeter)
        controlPorts[port - kFirstControl] = buffer;
    else if (port < kLatency)
        meterPorts[port - kFirstMeter] = buffer;
    else if (port == kLatency)
        latencyPort = buffer;
}

// A value is converted once, when its port changes: the plug-in keeps the
// value of a port that holds no number.
void Instance::applyControls() {
    if (controlsStale.exchange(false, std::memory_order_acquire))
        for (float& value : applied)
            value = kNotApplied;
    for (int i = 0; i < controls::kControlCount; ++i) {
        if (controlPorts[i] == nullptr) continue;
        const float units = *controlPorts[i];
        if (units != applied[i] && controlParameters.set(i, units)) applied[i] = units;
    }
}

void Instance::run(std::uint32_t frames) {
    applyControls();
    if (audio[kInLeft] != nullptr && audio[kInRight] != nullptr && audio[kOutLeft] != nullptr &&
        audio[kOutRight] != nullptr) {
        float* const inputs[kChannels] = {audio[kInLeft], audio[kInRight]};
        float* const outputs[kChannels] = {audio[kOutLeft], audio[kOutRight]};
        plugin.process(inputs, outputs, static_cast<int>(frames));
    }
    for (int i = 0; i < controls::kMeterCount; ++i)
        if (meterPorts[i] != nullptr) *meterPorts[i] = meters->decibels(i);
    if (latencyPort != nullptr) *latencyPort = static_cast<float>(plugin.latency());
}

LV2_State_Status Instance::save(LV2_State_Store_Function store, LV2_State_Handle handle) {
    if (chunkKey == 0) return LV2_STATE_ERR_NO_FEATURE;
    const unsigned char* bytes = nullptr;
    const std::size_t size = plugin.chunk(&bytes);
    if (size == 0) return LV2_STATE_ERR_UNKNOWN;
    return store(handle, chunkKey, bytes, size, chunkType,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status Instance::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
    if (chunkKey == 0) return LV2_STATE_ERR_NO_FEATURE;
    std::size_t size = 0;
    std::uint32_t type = 0, flags = 0;
    const void* value = retrieve(handle, chunkKey, &size, &type, &flags);
    if (value == nullptr) return LV2_STATE_ERR_NO_PROPERTY;
    if (type != chunkType) return LV2_STATE_ERR_BAD_TYPE;
    plugin.restoreChunk(static_cast<const unsigned char*>(value), size);
    // The host's ports hold the settings it shows and automates: the
    // plug-in follows them again from the next run on.
    controlsStale.store(true, std::memory_order_release);
    return LV2_STATE_SUCCESS;
}

Instance* of(LV2_Handle handle) {
    return static_cast<Instance*>(handle);
}

// Host-facing operations: instantiate and cleanup on a thread of the host's
// choosing, never the audio thread; run on the audio thread.
LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
    try {
        const auto* map = static_cast<const LV2_URID_Map*>(feature(features, LV2_URID__map));
        auto instance = std::make_unique<Instance>(rate, map);
        return instance->made() ? instance.release() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

void connectPort(LV2_Handle handle, std::uint32_t port, void* data) {
    of(handle)->connect(port, data);
}

void activate(LV2_Handle handle) {
    of(handle)->activate();
}

void run(LV2_Handle handle, std::uint32_t frames) {
    of(handle)->run(frames);
}

void deactivate(LV2_Handle handle) {
    of(handle)->deactivate();
}

void cleanup(LV2_Handle handle) {
    delete of(handle);
}

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state,
                      std::uint32_t, const LV2_Feature* const*) {
    return of(handle)->save(store, state);
}

LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle state, std::uint32_t, const LV2_Feature* const*) {
    return of(handle)->restore(retrieve, state);
}

const LV2_State_Interface kState = {save, restore};

const void* extensionData(const char* uri) {
    return std::strcmp(uri, LV2_STATE__interface) == 0 ? &kState : nullptr;
}

const LV2_Descriptor kDescriptor = {
    kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup, extensionData,
};

} // namespace

// Any thread: the plug-in's one descriptor.
LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
