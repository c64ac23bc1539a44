#include "tools/pluginhost/RecordingHost.h"

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>

namespace {

// The callback carries no user data. A call about an effect goes to the host
// that opened it, whatever the thread; a call before the entry has returned
// goes to the host opening on this thread; any other to this thread's newest
// living host. Hosts on different threads never see each other's calls.
// Plug-ins call back on every processed chunk, so a thread keeps the owner it
// found last and looks again only when `owners` has changed since: the
// answer a real host gives costs no lock, and neither does ours.
std::mutex ownersLock;
std::map<const AEffect*, RecordingHost*> owners; // guarded by ownersLock
std::atomic<unsigned> ownersGeneration{0};       // raised under ownersLock at each change
thread_local RecordingHost* openingHost = nullptr;
thread_local RecordingHost* newestHost = nullptr;

struct KnownOwner {
    const AEffect* effect = nullptr;
    RecordingHost* host = nullptr;
    unsigned generation = 0;
};
thread_local KnownOwner lastOwner;

void ownersChanged() {
    ownersGeneration.fetch_add(1, std::memory_order_release);
}

RecordingHost* hostFor(const AEffect* effect) {
    if (effect != nullptr) {
        if (lastOwner.effect == effect && lastOwner.host != nullptr &&
            lastOwner.generation == ownersGeneration.load(std::memory_order_acquire))
            return lastOwner.host;
        std::lock_guard<std::mutex> hold(ownersLock);
        const auto owner = owners.find(effect);
        if (owner != owners.end()) {
            lastOwner = {effect, owner->second, ownersGeneration.load(std::memory_order_relaxed)};
            return owner->second;
        }
    }
    return openingHost != nullptr ? openingHost : newestHost;
}

std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

} // namespace

RecordingHost::RecordingHost() : previous(newestHost) {
    newestHost = this;
}

RecordingHost::~RecordingHost() {
    if (newestHost == this) newestHost = previous;
    std::lock_guard<std::mutex> hold(ownersLock);
    for (auto owner = owners.begin(); owner != owners.end();)
        owner = owner->second == this ? owners.erase(owner) : std::next(owner);
    ownersChanged();
}

VstIntPtr VSTCALLBACK RecordingHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                              VstIntPtr value, void* ptr, float opt) {
    RecordingHost* host = hostFor(effect);
    if (host == nullptr) return 0;
    HostCall call{effect, opcode, index, value, {}, opt};
    if (opcode == audioMasterCanDo && ptr != nullptr) call.text = static_cast<const char*>(ptr);
    if (host->recordCalls) host->calls.push_back(call);
    return host->answer(call);
}

VstIntPtr RecordingHost::answer(const HostCall& call) {
    switch (call.opcode) {
    case audioMasterVersion:
        return versionAnswer;
    case audioMasterGetTime:
        return reinterpret_cast<VstIntPtr>(timeInfo);
    case audioMasterCanDo:
        return call.text == "sizeWindow" && canSizeWindow ? 1 : 0;
    case audioMasterSizeWindow:
        return sizeWindowAnswer ? 1 : 0;
    case audioMasterGetSampleRate:
        return sampleRateAnswer;
    case audioMasterGetBlockSize:
        return blockSizeAnswer;
    default:
        return 0;
    }
}

AEffect* RecordingHost::open(PluginEntry entry) {
    if (entry == nullptr) return nullptr;
    RecordingHost* const outer = openingHost;
    openingHost = this;
    AEffect* effect = entry(callback);
    openingHost = outer;
    if (effect != nullptr) {
        std::lock_guard<std::mutex> hold(ownersLock);
        owners[effect] = this;
        ownersChanged();
    }
    return effect;
}

VstIntPtr RecordingHost::close(AEffect* effect) {
    const VstIntPtr result = dispatch(effect, effClose);
    std::lock_guard<std::mutex> hold(ownersLock);
    owners.erase(effect);
    ownersChanged();
    return result;
}

VstIntPtr RecordingHost::dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                  void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string RecordingHost::text(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                std::size_t size) {
    std::vector<char> buffer(size + 1, 0);
    dispatch(effect, opcode, index, 0, buffer.data());
    return std::string(buffer.data());
}

std::vector<HostCall> RecordingHost::callsOf(VstInt32 opcode) const {
    std::vector<HostCall> found;
    for (const HostCall& call : calls)
        if (call.opcode == opcode) found.push_back(call);
    return found;
}

void printRecord(std::FILE* out, const AEffect* effect) {
    std::fprintf(out, "magic          0x%08x\n", static_cast<unsigned>(effect->magic));
    std::fprintf(out, "flags          0x%08x\n", static_cast<unsigned>(effect->flags));
    std::fprintf(out, "uniqueID       0x%08x\n", static_cast<unsigned>(effect->uniqueID));
    std::fprintf(out, "version        %d\n", static_cast<int>(effect->version));
    std::fprintf(out, "numPrograms    %d\n", static_cast<int>(effect->numPrograms));
    std::fprintf(out, "numParams      %d\n", static_cast<int>(effect->numParams));
    std::fprintf(out, "numInputs      %d\n", static_cast<int>(effect->numInputs));
    std::fprintf(out, "numOutputs     %d\n", static_cast<int>(effect->numOutputs));
    std::fprintf(out, "initialDelay   %d\n", static_cast<int>(effect->initialDelay));
    std::fprintf(out, "ioRatio        %.6f\n", static_cast<double>(effect->ioRatio));
    std::fprintf(out, "processReplacing %s\n", effect->processReplacing ? "yes" : "no");
}

void printParameters(std::FILE* out, RecordingHost& host, AEffect* effect) {
    std::fprintf(out, "%-5s %-10s %-6s %-10s %s\n", "index", "name", "label", "display", "value");
    for (VstInt32 i = 0; i < effect->numParams; ++i) {
        const float value = effect->getParameter(effect, i);
        std::fprintf(out, "%-5d %-10s %-6s %-10s %.6f (0x%08x)\n", static_cast<int>(i),
                     host.text(effect, effGetParamName, i).c_str(),
                     host.text(effect, effGetParamLabel, i).c_str(),
                     host.text(effect, effGetParamDisplay, i).c_str(), static_cast<double>(value),
                     static_cast<unsigned>(bitsOf(value)));
    }
}

void printCalls(std::FILE* out, const std::vector<HostCall>& calls) {
    for (const HostCall& call : calls) {
        std::fprintf(out, "host call opcode %d index %d value %lld opt %.6f%s%s\n",
                     static_cast<int>(call.opcode), static_cast<int>(call.index),
                     static_cast<long long>(call.value), static_cast<double>(call.opt),
                     call.text.empty() ? "" : " text ", call.text.c_str());
    }
}
