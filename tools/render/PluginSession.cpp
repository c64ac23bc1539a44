#include "tools/render/PluginSession.h"

#include "base/Text.h"

#include <mutex>

namespace {

constexpr std::size_t kNameBuffer = 256;
constexpr int kStereo = 2;

// Hosts make and close instances on one thread; a plug-in may keep state for
// all its instances (Brelto's editors share one knob mode), so instances on
// several threads are made and closed one at a time.
std::mutex lifecycleLock;

} // namespace

PluginModule::PluginModule(const std::string& path) : file(path), library(path) {
    if (!library.loaded())
        throw RenderError("cannot load the plug-in " + path + ": " + library.error());
    if (library.entry() == nullptr)
        throw RenderError(path + " is no VST 2.4 plug-in: it exports no VSTPluginMain");
    // Plug-ins may call back on every block; nothing needs the record of it.
    host.recordCalls = false;
}

std::unique_ptr<PluginInstance> PluginModule::instantiate() {
    std::unique_lock<std::mutex> hold(lifecycleLock);
    AEffect* effect = host.open(library.entry());
    if (effect == nullptr || effect->magic != kEffectMagic)
        throw RenderError(file + " gave no VST effect record");
    auto instance = std::make_unique<PluginInstance>(host, effect);
    host.dispatch(effect, effOpen);
    hold.unlock(); // a refused instance closes through its destructor
    if ((effect->flags & effFlagsCanReplacing) == 0 || effect->processReplacing == nullptr)
        throw RenderError(file + " cannot process 32-bit audio (no processReplacing)");
    if (effect->numInputs < kStereo || effect->numOutputs < kStereo)
        throw RenderError(file + " has " + std::to_string(effect->numInputs) + " inputs and " +
                          std::to_string(effect->numOutputs) +
                          " outputs; a stereo effect (two of each) is needed");
    return instance;
}

PluginInstance::PluginInstance(RecordingHost& host, AEffect* effect) : host(host), effect(effect) {}

PluginInstance::~PluginInstance() {
    stop();
    std::lock_guard<std::mutex> hold(lifecycleLock);
    host.close(effect);
}

std::string PluginInstance::name() {
    return host.text(effect, effGetEffectName, 0, kNameBuffer);
}

std::string PluginInstance::parameterName(int index) {
    return host.text(effect, effGetParamName, index, kNameBuffer);
}

std::string PluginInstance::parameterDisplay(int index) {
    return host.text(effect, effGetParamDisplay, index, kNameBuffer);
}

int PluginInstance::findParameter(const std::string& name) {
    for (int i = 0; i < parameterCount(); ++i)
        if (base::sameIgnoringCase(parameterName(i), name)) return i;
    return -1;
}

std::vector<unsigned char> PluginInstance::chunk() {
    void* data = nullptr;
    const VstIntPtr size = host.dispatch(effect, effGetChunk, 0, 0, &data);
    if (data == nullptr || size <= 0) throw RenderError("the plug-in gave no chunk to save");
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

VstIntPtr PluginInstance::setChunk(std::vector<unsigned char> bytes) {
    return host.dispatch(effect, effSetChunk, 0, static_cast<VstIntPtr>(bytes.size()),
                         bytes.data());
}

void PluginInstance::start(double rate, int maxBlockFrames) {
    host.sampleRateAnswer = static_cast<VstIntPtr>(rate);
    host.blockSizeAnswer = maxBlockFrames;
    time.sampleRate = rate;
    host.timeInfo = &time;
    host.dispatch(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    host.dispatch(effect, effSetBlockSize, 0, maxBlockFrames);
    host.dispatch(effect, effMainsChanged, 0, 1);
    host.dispatch(effect, effStartProcess);
    running = true;
}

void PluginInstance::stop() {
    if (!running) return;
    host.dispatch(effect, effStopProcess);
    host.dispatch(effect, effMainsChanged, 0, 0);
    running = false;
}
