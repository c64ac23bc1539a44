#include "formats/PluginRecord.h"

#include "base/Text.h"

#include <cstring>

// The plug-in's entry point, linked into the module beside the adapter.
extern "C" AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback host);

namespace {

constexpr VstIntPtr kHostVersion = 2400;
// A block size for the plug-in's bookkeeping; it takes blocks of any length.
constexpr VstIntPtr kNominalBlock = 4096;
constexpr std::size_t kNameBuffer = 256;

} // namespace

PluginRecord::PluginRecord(double rate, RecordListener* listener) : listener(listener) {
    effect = VSTPluginMain(answer);
    if (effect == nullptr) return;
    effect->user = this;
    dispatch(effOpen);
    setRate(rate);
    dispatch(effSetBlockSize, 0, kNominalBlock);
}

PluginRecord::~PluginRecord() {
    if (effect == nullptr) return;
    closeEditor();
    dispatch(effClose);
}

VstIntPtr PluginRecord::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt) const {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

// While the plug-in is being made its record has no owner yet: only the
// version question needs an answer then.
VstIntPtr VSTCALLBACK PluginRecord::answer(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                           VstIntPtr value, void* ptr, float opt) {
    if (opcode == audioMasterVersion) return kHostVersion;
    auto* self = effect != nullptr ? static_cast<PluginRecord*>(effect->user) : nullptr;
    if (self == nullptr || self->listener == nullptr) return 0;
    switch (opcode) {
    case audioMasterAutomate:
        self->listener->parameterEdited(index, opt);
        return 1;
    case audioMasterBeginEdit:
        self->listener->editBegun(index);
        return 1;
    case audioMasterEndEdit:
        self->listener->editEnded(index);
        return 1;
    case audioMasterCanDo:
        return ptr != nullptr && std::strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0;
    case audioMasterSizeWindow:
        return self->listener->editorResized(index, static_cast<int>(value)) ? 1 : 0;
    case audioMasterIOChanged:
        self->listener->latencyChanged();
        return 1;
    default:
        return 0;
    }
}

int PluginRecord::parameterIndex(const char* name) {
    for (int i = 0; i < effect->numParams; ++i) {
        char text[kNameBuffer] = {};
        dispatch(effGetParamName, i, 0, text);
        if (base::sameIgnoringCase(text, name)) return i;
    }
    return -1;
}

void PluginRecord::setParameter(int index, float value) {
    effect->setParameter(effect, index, value);
}

float PluginRecord::parameter(int index) const {
    return effect->getParameter(effect, index);
}

void PluginRecord::setRate(double rate) {
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
}

void PluginRecord::resume() {
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
}

void PluginRecord::suspend() {
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
}

void PluginRecord::process(float* const* inputs, float* const* outputs, int frames) {
    effect->processReplacing(effect, const_cast<float**>(inputs), const_cast<float**>(outputs),
                             frames);
}

std::size_t PluginRecord::chunk(const unsigned char** bytes) {
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, 0, 0, &data);
    *bytes = static_cast<const unsigned char*>(data);
    return data != nullptr && size > 0 ? static_cast<std::size_t>(size) : 0;
}

void PluginRecord::restoreChunk(const unsigned char* bytes, std::size_t size) {
    if (bytes == nullptr || size == 0) return;
    dispatch(effSetChunk, 0, static_cast<VstIntPtr>(size), const_cast<unsigned char*>(bytes));
}

bool PluginRecord::editorSize(int& width, int& height) {
    ERect* rect = nullptr;
    if ((effect->flags & effFlagsHasEditor) == 0 || dispatch(effEditGetRect, 0, 0, &rect) == 0 ||
        rect == nullptr)
        return false;
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    return width > 0 && height > 0;
}

bool PluginRecord::setEditorScale(float factor) {
    return dispatch(effVendorSpecific, kVendorScaleIndex, kVendorScaleRequest, nullptr, factor) !=
           0;
}

bool PluginRecord::openEditor(void* parent) {
    closeEditor();
    editorOpen = dispatch(effEditOpen, 0, 0, parent) != 0;
    return editorOpen;
}

void PluginRecord::closeEditor() {
    if (!editorOpen) return;
    dispatch(effEditClose);
    editorOpen = false;
}

void PluginRecord::idleEditor() {
    if (editorOpen) dispatch(effEditIdle);
}
