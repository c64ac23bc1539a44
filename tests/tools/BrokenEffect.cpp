// A small VST 2.4 effect for testing brelto-validate: a gain with a clip,
// sound as built, or with one fault planted when the environment variable
// BRELTO_PLANTED_FAULT names it at creation:
//   leak         every instance leaves 64 bytes behind
//   shared       blocks pass through one static buffer, shared by all instances
//   loud         the clip lets peaks through at 1.2
//   blocks       the first frame of every block is silent
//   nan          NaN input passes through to the output
//   inplace      the second output reads the first input after the first output is written
//   alloc        every processing call allocates
//   params       parameter values are stored as given, unclamped
//   text         a parameter name longer than the interface allows
//   chunk        setChunk reads its values without looking at the byte size
//   editor-leak  the editor's window stays in the host's after effEditClose
// Built with a child window (brelto-broken-editor) it has an editor.
#include "ChildWindow.h"
#include "host/vst2.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <thread>

namespace {

constexpr VstInt32 kUniqueId = 0x42726b45; // "BrkE"
constexpr int kParameterCount = 2;
constexpr float kClip = 0.9f;
constexpr float kLoudClip = 1.2f;
constexpr float kCrossFeed = 0.25f;
constexpr VstInt32 kSharedFrames = 64;
constexpr std::size_t kLeakBytes = 64;
constexpr const char* kNames[kParameterCount] = {"Gain", "Trim"};
constexpr const char* kOverlongName = "GainGainGain";
constexpr short kEditorWidth = 200;
constexpr short kEditorHeight = 100;

enum class Fault {
    None,
    Leak,
    Shared,
    Loud,
    Blocks,
    Nan,
    InPlace,
    Alloc,
    Params,
    Text,
    Chunk,
    EditorLeak
};

Fault plantedFault() {
    static const struct {
        const char* name;
        Fault fault;
    } kFaults[] = {{"leak", Fault::Leak},
                   {"shared", Fault::Shared},
                   {"loud", Fault::Loud},
                   {"blocks", Fault::Blocks},
                   {"nan", Fault::Nan},
                   {"inplace", Fault::InPlace},
                   {"alloc", Fault::Alloc},
                   {"params", Fault::Params},
                   {"text", Fault::Text},
                   {"chunk", Fault::Chunk},
                   {"editor-leak", Fault::EditorLeak}};
    const char* name = std::getenv("BRELTO_PLANTED_FAULT");
    for (const auto& planted : kFaults)
        if (name != nullptr && std::strcmp(name, planted.name) == 0) return planted.fault;
    return Fault::None;
}

// The fault "shared": one buffer for every instance in the process.
float sharedBuffer[2][kSharedFrames];

// The chunk: the unique ID, then the parameter values.
struct Chunk {
    VstInt32 id;
    float values[kParameterCount];
};

struct Instance {
    AEffect record{};
    Fault fault = plantedFault();
    float values[kParameterCount] = {0.5f, 1.0f};
    Chunk chunk{};
    ERect editorRect{0, 0, kEditorHeight, kEditorWidth};
    void* editor = nullptr; // the open editor's window
};

Instance& instanceOf(AEffect* effect) {
    return *static_cast<Instance*>(effect->object);
}

void copyName(void* to, const char* text, std::size_t room) {
    std::strncpy(static_cast<char*>(to), text, room - 1);
    static_cast<char*>(to)[room - 1] = 0;
}

float clamped(float value) {
    return value >= 0.0f && value <= 1.0f ? value : value > 1.0f ? 1.0f : 0.0f;
}

void VSTCALLBACK setParameter(AEffect* effect, VstInt32 index, float value) {
    Instance& self = instanceOf(effect);
    if (index >= 0 && index < kParameterCount)
        self.values[index] = self.fault == Fault::Params ? value : clamped(value);
}

float VSTCALLBACK getParameter(AEffect* effect, VstInt32 index) {
    return index >= 0 && index < kParameterCount ? instanceOf(effect).values[index] : 0.0f;
}

float clipped(float in, float gain, float clip) {
    return std::fmax(-clip, std::fmin(clip, in * gain));
}

// The fault "shared": the input goes through the static buffer on its way.
void processShared(const Instance& self, float** inputs, float** outputs, VstInt32 frames) {
    const float gain = 2.0f * self.values[0] * self.values[1];
    for (VstInt32 start = 0; start < frames; start += kSharedFrames) {
        const VstInt32 n = frames - start < kSharedFrames ? frames - start : kSharedFrames;
        for (int c = 0; c < 2; ++c)
            std::memcpy(sharedBuffer[c], inputs[c] + start,
                        sizeof(float) * static_cast<std::size_t>(n));
        std::this_thread::yield(); // where another thread may take its turn
        for (int c = 0; c < 2; ++c)
            for (VstInt32 i = 0; i < n; ++i)
                outputs[c][start + i] = std::isnan(sharedBuffer[c][i])
                                            ? 0.0f
                                            : clipped(sharedBuffer[c][i], gain, kClip);
    }
}

void VSTCALLBACK processReplacing(AEffect* effect, float** inputs, float** outputs,
                                  VstInt32 frames) {
    Instance& self = instanceOf(effect);
    if (self.fault == Fault::Shared) {
        processShared(self, inputs, outputs, frames);
        return;
    }
    std::unique_ptr<float[]> scratch;
    if (self.fault == Fault::Alloc) scratch.reset(new float[static_cast<std::size_t>(frames) + 1]);
    const float gain = 2.0f * self.values[0] * self.values[1];
    const float clip = self.fault == Fault::Loud ? kLoudClip : kClip;
    for (int c = 0; c < 2; ++c) {
        for (VstInt32 i = 0; i < frames; ++i) {
            float in = inputs[c][i];
            if (self.fault == Fault::InPlace && c == 1) in += kCrossFeed * inputs[0][i];
            float out = clipped(in, gain, clip);
            if (std::isnan(in)) out = self.fault == Fault::Nan ? in : 0.0f;
            if (self.fault == Fault::Blocks && i == 0) out = 0.0f;
            outputs[c][i] = out;
        }
    }
}

void VSTCALLBACK process(AEffect*, float**, float**, VstInt32) {}

VstIntPtr setChunk(Instance& self, const void* data, VstIntPtr size) {
    Chunk chunk{};
    if (self.fault != Fault::Chunk) {
        if (data == nullptr || size < static_cast<VstIntPtr>(sizeof(Chunk))) return 0;
    }
    std::memcpy(&chunk, data, sizeof(Chunk));
    if (chunk.id != kUniqueId) return 0;
    for (int i = 0; i < kParameterCount; ++i)
        self.values[i] = clamped(chunk.values[i]);
    return 1;
}

VstIntPtr VSTCALLBACK dispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                 void* ptr, float) {
    Instance& self = instanceOf(effect);
    const bool parameter = index >= 0 && index < kParameterCount;
    switch (opcode) {
    case effClose:
        childWindow::close(self.editor, false);
        delete &self;
        return 1;
    case effEditGetRect:
        *static_cast<ERect**>(ptr) = &self.editorRect;
        return 1;
    case effEditOpen:
        childWindow::close(self.editor, false); // a second open replaces the first
        self.editor = childWindow::open(ptr, kEditorWidth, kEditorHeight);
        return self.editor != nullptr ? 1 : 0;
    case effEditClose:
        childWindow::close(self.editor, self.fault == Fault::EditorLeak);
        self.editor = nullptr;
        return 0;
    case effGetParamName:
        if (self.fault == Fault::Text && index == 0)
            std::strcpy(static_cast<char*>(ptr), kOverlongName);
        else
            copyName(ptr, parameter ? kNames[index] : "", kVstMaxParamStrLen + 1);
        return 0;
    case effGetParamDisplay:
        copyName(ptr, parameter ? (self.values[index] > 0.5f ? "high" : "low") : "",
                 kVstMaxParamStrLen + 1);
        return 0;
    case effGetParamLabel:
        copyName(ptr, "", kVstMaxParamStrLen + 1);
        return 0;
    case effGetEffectName:
    case effGetProductString:
        copyName(ptr, "Broken", kVstMaxEffectNameLen + 1);
        return 1;
    case effGetChunk:
        self.chunk.id = kUniqueId;
        std::memcpy(self.chunk.values, self.values, sizeof(self.values));
        *static_cast<void**>(ptr) = &self.chunk;
        return sizeof(Chunk);
    case effSetChunk:
        return setChunk(self, ptr, value);
    case effGetVstVersion:
        return 2400;
    default:
        return 0;
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTCALLBACK
VSTPluginMain(audioMasterCallback host) {
    if (host == nullptr || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    auto* self = new (std::nothrow) Instance;
    if (self == nullptr) return nullptr;
    if (self->fault == Fault::Leak) static_cast<void>(new (std::nothrow) char[kLeakBytes]);
    AEffect& record = self->record;
    record.magic = kEffectMagic;
    record.dispatcher = dispatcher;
    record.process = process;
    record.setParameter = setParameter;
    record.getParameter = getParameter;
    record.processReplacing = processReplacing;
    record.numPrograms = 1;
    record.numParams = kParameterCount;
    record.numInputs = 2;
    record.numOutputs = 2;
    record.flags = effFlagsCanReplacing | effFlagsProgramChunks |
                   (childWindow::available() ? effFlagsHasEditor : 0);
    record.ioRatio = 1.0f;
    record.object = self;
    record.uniqueID = kUniqueId;
    record.version = 1;
    return &record;
}
