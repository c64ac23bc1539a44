#include "host/AudioEffectX.h"

#include "host/AEffEditor.h"

namespace {

constexpr VstInt32 kFirstOpcode = effProcessEvents;
constexpr VstInt32 kLastOpcode = effGetNumMidiOutputChannels;

using Handler = VstIntPtr (*)(AudioEffectX&, VstInt32 index, VstIntPtr value, void* ptr, float opt);

VstIntPtr answerZero(AudioEffectX&, VstInt32, VstIntPtr, void*, float) {
    return 0;
}
VstIntPtr answerOne(AudioEffectX&, VstInt32, VstIntPtr, void*, float) {
    return 1;
}

VstIntPtr boolean(bool b) {
    return b ? 1 : 0;
}

// The key record that the host's key opcodes describe: character in index,
// virtual key in value's low byte, modifiers in opt.
VstKeyCode keyFrom(VstInt32 index, VstIntPtr value, float opt) {
    VstKeyCode key{};
    key.character = index;
    key.virt = static_cast<unsigned char>(value & 0xFF);
    key.modifier = static_cast<unsigned char>(static_cast<VstInt32>(opt) & 0xFF);
    return key;
}

// Opcodes 25..79, indexed by opcode - 25; null passes the request down.
constexpr Handler kExtendedTable[kLastOpcode - kFirstOpcode + 1] = {
    /* effProcessEvents */
    [](AudioEffectX& fx, VstInt32, VstIntPtr, void* ptr, float) -> VstIntPtr {
        if (ptr == nullptr) return 0;
        return fx.processEvents(static_cast<VstEvents*>(ptr));
    },
    /* effCanBeAutomated */
    [](AudioEffectX& fx, VstInt32 index, VstIntPtr, void*, float) -> VstIntPtr {
        return boolean(fx.canParameterBeAutomated(index));
    },
    /* effString2Parameter */ answerZero,
    /* effGetNumProgramCategories */ nullptr,
    /* effGetProgramNameIndexed */
    [](AudioEffectX& fx, VstInt32 index, VstIntPtr value, void* ptr, float) -> VstIntPtr {
        if (ptr == nullptr) return 0;
        return boolean(
            fx.getProgramNameIndexed(static_cast<VstInt32>(value), index, static_cast<char*>(ptr)));
    },
    /* effCopyProgram */ nullptr,
    /* effConnectInput */ nullptr,
    /* effConnectOutput */ nullptr,
    /* effGetInputProperties */ answerZero,
    /* effGetOutputProperties */
    [](AudioEffectX& fx, VstInt32 index, VstIntPtr, void* ptr, float) -> VstIntPtr {
        if (ptr == nullptr) return 0;
        return boolean(fx.getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
    },
    /* effGetPlugCategory */
    [](AudioEffectX& fx, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
        return fx.getPlugCategory();
    },
    /* effGetCurrentPosition */ nullptr,
    /* effGetDestinationBuffer */ nullptr,
    /* effOfflineNotify */ answerZero,
    /* effOfflinePrepare */ answerZero,
    /* effOfflineRun */ answerZero,
    /* effProcessVarIo */ answerZero,
    /* effSetSpeakerArrangement */ answerZero,
    /* effSetBlockSizeAndSampleRate */ nullptr,
    /* effSetBypass */ answerZero,
    /* effGetEffectName */
    [](AudioEffectX& fx, VstInt32, VstIntPtr, void* ptr, float) -> VstIntPtr {
        return ptr != nullptr && fx.getEffectName(static_cast<char*>(ptr)) ? 1 : 0;
    },
    /* effGetErrorText */ nullptr,
    /* effGetVendorString */
    [](AudioEffectX& fx, VstInt32, VstIntPtr, void* ptr, float) -> VstIntPtr {
        return ptr != nullptr && fx.getVendorString(static_cast<char*>(ptr)) ? 1 : 0;
    },
    /* effGetProductString */
    [](AudioEffectX& fx, VstInt32, VstIntPtr, void* ptr, float) -> VstIntPtr {
        return ptr != nullptr && fx.getProductString(static_cast<char*>(ptr)) ? 1 : 0;
    },
    /* effGetVendorVersion */
    [](AudioEffectX& fx, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
        return fx.getVendorVersion();
    },
    /* effVendorSpecific */
    [](AudioEffectX& fx, VstInt32 index, VstIntPtr value, void*, float opt) -> VstIntPtr {
        if (index != kVendorScaleIndex || static_cast<VstInt32>(value) != kVendorScaleRequest)
            return 0;
        AEffEditor* editor = fx.getEditor();
        return boolean(editor != nullptr && editor->setScaleFactor(opt));
    },
    /* effCanDo */
    [](AudioEffectX& fx, VstInt32, VstIntPtr, void* ptr, float) -> VstIntPtr {
        if (ptr == nullptr) return 0;
        return fx.canDo(static_cast<const char*>(ptr));
    },
    /* effGetTailSize */ answerZero,
    /* effIdle */ nullptr,
    /* effGetIcon */ nullptr,
    /* effSetViewPosition */ nullptr,
    /* effGetParameterProperties */ answerZero,
    /* effKeysRequired */ nullptr,
    /* effGetVstVersion */
    [](AudioEffectX& fx, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
        return fx.getVstVersion();
    },
    /* effEditKeyDown */
    [](AudioEffectX& fx, VstInt32 index, VstIntPtr value, void*, float opt) -> VstIntPtr {
        AEffEditor* editor = fx.getEditor();
        if (editor == nullptr) return 0;
        VstKeyCode key = keyFrom(index, value, opt);
        return boolean(editor->onKeyDown(key));
    },
    /* effEditKeyUp */
    [](AudioEffectX& fx, VstInt32 index, VstIntPtr value, void*, float opt) -> VstIntPtr {
        AEffEditor* editor = fx.getEditor();
        if (editor == nullptr) return 0;
        VstKeyCode key = keyFrom(index, value, opt);
        return boolean(editor->onKeyUp(key));
    },
    /* effSetEditKnobMode */
    [](AudioEffectX& fx, VstInt32, VstIntPtr value, void*, float) -> VstIntPtr {
        AEffEditor* editor = fx.getEditor();
        return boolean(editor != nullptr && editor->setKnobMode(static_cast<VstInt32>(value)));
    },
    /* effGetMidiProgramName */
    [](AudioEffectX& fx, VstInt32 index, VstIntPtr, void* ptr, float) -> VstIntPtr {
        if (ptr == nullptr) return 0;
        return fx.getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    },
    /* effGetCurrentMidiProgram */
    [](AudioEffectX& fx, VstInt32 index, VstIntPtr, void* ptr, float) -> VstIntPtr {
        return fx.getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    },
    /* effGetMidiProgramCategory */
    [](AudioEffectX& fx, VstInt32 index, VstIntPtr, void* ptr, float) -> VstIntPtr {
        if (ptr == nullptr) return 0;
        return fx.getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    },
    /* effHasMidiProgramsChanged */ answerZero,
    /* effGetMidiKeyName */
    [](AudioEffectX& fx, VstInt32 index, VstIntPtr, void* ptr, float) -> VstIntPtr {
        if (ptr == nullptr) return 0;
        return boolean(fx.getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
    },
    /* effBeginSetProgram */ answerOne,
    /* effEndSetProgram */ answerOne,
    /* effGetSpeakerArrangement */
    [](AudioEffectX&, VstInt32, VstIntPtr value, void* ptr, float) -> VstIntPtr {
        // This plug-in has no speaker arrangement of its own.
        if (auto** input = reinterpret_cast<void**>(value)) *input = nullptr;
        if (auto** output = static_cast<void**>(ptr)) *output = nullptr;
        return 0;
    },
    /* effShellGetNextPlugin */ answerZero,
    /* effStartProcess */ answerZero,
    /* effStopProcess */ answerZero,
    /* effSetTotalSampleToProcess */
    [](AudioEffectX&, VstInt32, VstIntPtr value, void*, float) -> VstIntPtr { return value; },
    /* effSetPanLaw */ answerZero,
    /* effBeginLoadBank */ answerZero,
    /* effBeginLoadProgram */ answerZero,
    /* effSetProcessPrecision */ answerZero,
    /* effGetNumMidiInputChannels */ answerZero,
    /* effGetNumMidiOutputChannels */ answerZero,
};

} // namespace

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
    if (opcode >= kFirstOpcode && opcode <= kLastOpcode) {
        if (Handler handler = kExtendedTable[opcode - kFirstOpcode])
            return handler(*this, index, value, ptr, opt);
    }
    return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
}

void AudioEffectX::resume() {
    if (isSynth() || canDo("receiveVstMidiEvent") == 1) wantEvents();
}

VstInt32 AudioEffectX::getPlugCategory() {
    return isSynth() ? kPlugCategSynth : kPlugCategUnknown;
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

bool AudioEffectX::canHostDo(const char* text) {
    return callHost(audioMasterCanDo, 0, 0, const_cast<char*>(text)) != 0;
}

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

bool AudioEffectX::wantEvents(VstInt32 filter) {
    return callHost(audioMasterWantMidi, 0, filter) != 0;
}

bool AudioEffectX::ioChanged() {
    return callHost(audioMasterIOChanged) != 0;
}
