#include "host/AudioEffect.h"

#include "host/AEffEditor.h"

#include "base/Decimal.h"
#include "base/Text.h"

#include <cmath>
#include <cstring>

namespace {

AudioEffect* instanceOf(AEffect* effect) {
    return static_cast<AudioEffect*>(effect->object);
}

// The record's plain-function entries: each finds the instance through the
// record's object field and forwards unchanged.
VstIntPtr VSTCALLBACK dispatchTrampoline(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                         VstIntPtr value, void* ptr, float opt) {
    AudioEffect* instance = instanceOf(effect);
    // No exception may unwind into the host; a request that fails answers 0.
    try {
        if (opcode == effClose) {
            instance->dispatcher(opcode, index, value, ptr, opt);
            delete instance;
            return 1;
        }
        return instance->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

void VSTCALLBACK processTrampoline(AEffect* effect, float** inputs, float** outputs,
                                   VstInt32 frames) {
    instanceOf(effect)->process(inputs, outputs, frames);
}

void VSTCALLBACK processReplacingTrampoline(AEffect* effect, float** inputs, float** outputs,
                                            VstInt32 frames) {
    instanceOf(effect)->processReplacing(inputs, outputs, frames);
}

void VSTCALLBACK processDoubleReplacingTrampoline(AEffect* effect, double** inputs,
                                                  double** outputs, VstInt32 frames) {
    instanceOf(effect)->processDoubleReplacing(inputs, outputs, frames);
}

void VSTCALLBACK setParameterTrampoline(AEffect* effect, VstInt32 index, float value) {
    instanceOf(effect)->setParameter(index, value);
}

float VSTCALLBACK getParameterTrampoline(AEffect* effect, VstInt32 index) {
    return instanceOf(effect)->getParameter(index);
}

constexpr VstInt32 kBaseUniqueId = 0x4E6F4566;    // 'NoEf'
constexpr VstIntPtr kIdentifyAnswer = 0x4E764566; // 'NvEf'

// Text that a request writes needs a buffer; a host that passes none gets 0.
template <typename Write> VstIntPtr withText(void* ptr, Write write) {
    if (ptr != nullptr) write(static_cast<char*>(ptr));
    return 0;
}

using Handler = VstIntPtr (*)(AudioEffect&, VstInt32 index, VstIntPtr value, void* ptr, float opt);

VstIntPtr answerZero(AudioEffect&, VstInt32, VstIntPtr, void*, float) {
    return 0;
}

// Opcodes 0..24, indexed by opcode.
constexpr Handler kEffectTable[effSetChunk + 1] = {
    /* effOpen */ [](AudioEffect& fx, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
        fx.open();
        return 0;
    },
    /* effClose */
    [](AudioEffect& fx, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
        fx.close();
        return 0;
    },
    /* effSetProgram */
    [](AudioEffect& fx, VstInt32, VstIntPtr value, void*, float) -> VstIntPtr {
        if (value < fx.getAeffect()->numPrograms) fx.setProgram(static_cast<VstInt32>(value));
        return 0;
    },
    /* effGetProgram */
    [](AudioEffect& fx, VstInt32, VstIntPtr, void*, float) -> VstIntPtr { return fx.getProgram(); },
    /* effSetProgramName */
    [](AudioEffect& fx, VstInt32, VstIntPtr, void* ptr, float) -> VstIntPtr {
        return withText(ptr, [&](char* name) { fx.setProgramName(name); });
    },
    /* effGetProgramName */
    [](AudioEffect& fx, VstInt32, VstIntPtr, void* ptr, float) -> VstIntPtr {
        return withText(ptr, [&](char* name) { fx.getProgramName(name); });
    },
    /* effGetParamLabel */
    [](AudioEffect& fx, VstInt32 index, VstIntPtr, void* ptr, float) -> VstIntPtr {
        return withText(ptr, [&](char* text) { fx.getParameterLabel(index, text); });
    },
    /* effGetParamDisplay */
    [](AudioEffect& fx, VstInt32 index, VstIntPtr, void* ptr, float) -> VstIntPtr {
        return withText(ptr, [&](char* text) { fx.getParameterDisplay(index, text); });
    },
    /* effGetParamName */
    [](AudioEffect& fx, VstInt32 index, VstIntPtr, void* ptr, float) -> VstIntPtr {
        return withText(ptr, [&](char* text) { fx.getParameterName(index, text); });
    },
    /* effGetVu */ answerZero,
    /* effSetSampleRate */
    [](AudioEffect& fx, VstInt32, VstIntPtr, void*, float opt) -> VstIntPtr {
        fx.setSampleRate(opt);
        return 0;
    },
    /* effSetBlockSize */
    [](AudioEffect& fx, VstInt32, VstIntPtr value, void*, float) -> VstIntPtr {
        fx.setBlockSize(static_cast<VstInt32>(value));
        return 0;
    },
    /* effMainsChanged */
    [](AudioEffect& fx, VstInt32, VstIntPtr value, void*, float) -> VstIntPtr {
        if (value == 0)
            fx.suspend();
        else
            fx.resume();
        return 0;
    },
    /* effEditGetRect */
    [](AudioEffect& fx, VstInt32, VstIntPtr, void* ptr, float) -> VstIntPtr {
        AEffEditor* editor = fx.getEditor();
        if (editor == nullptr || ptr == nullptr) return 0;
        return editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
    },
    /* effEditOpen */
    [](AudioEffect& fx, VstInt32, VstIntPtr, void* ptr, float) -> VstIntPtr {
        AEffEditor* editor = fx.getEditor();
        return editor != nullptr && editor->open(ptr) ? 1 : 0;
    },
    /* effEditClose */
    [](AudioEffect& fx, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
        if (AEffEditor* editor = fx.getEditor()) editor->close();
        return 0;
    },
    /* effEditDraw */ answerZero,
    /* effEditMouse */ answerZero,
    /* effEditKey */ answerZero,
    /* effEditIdle */
    [](AudioEffect& fx, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
        if (AEffEditor* editor = fx.getEditor()) editor->idle();
        return 0;
    },
    /* effEditTop */ answerZero,
    /* effEditSleep */ answerZero,
    /* effIdentify */
    [](AudioEffect&, VstInt32, VstIntPtr, void*, float) -> VstIntPtr { return kIdentifyAnswer; },
    /* effGetChunk */
    [](AudioEffect& fx, VstInt32 index, VstIntPtr, void* ptr, float) -> VstIntPtr {
        if (ptr == nullptr) return 0;
        return fx.getChunk(static_cast<void**>(ptr), index != 0);
    },
    /* effSetChunk */
    [](AudioEffect& fx, VstInt32 index, VstIntPtr value, void* ptr, float) -> VstIntPtr {
        if (ptr == nullptr) return 0;
        return fx.setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    },
};

// The interface's text lengths are ints; a negative one allows no characters.
std::size_t lengthLimit(int maxLength) {
    return maxLength < 0 ? 0 : static_cast<std::size_t>(maxLength);
}

// Appends src to text, the whole cut at maxLength characters.
void appendCut(char* text, const char* src, std::size_t maxLength) {
    const std::size_t used = std::strlen(text);
    if (used < maxLength) base::copyCut(text + used, src, maxLength - used);
}

} // namespace

AudioEffect::AudioEffect(audioMasterCallback host, VstInt32 programCount, VstInt32 parameterCount)
    : host(host), programCount(programCount), parameterCount(parameterCount) {
    std::memset(&record, 0, sizeof(record));
    record.magic = kEffectMagic;
    record.dispatcher = dispatchTrampoline;
    record.process = processTrampoline;
    record.setParameter = setParameterTrampoline;
    record.getParameter = getParameterTrampoline;
    record.numPrograms = programCount;
    record.numParams = parameterCount;
    record.numInputs = 1;
    record.numOutputs = 2;
    record.flags = effFlagsCanReplacing;
    record.ioRatio = 1.0f;
    record.object = this;
    record.uniqueID = kBaseUniqueId;
    record.version = 1;
    record.processReplacing = processReplacingTrampoline;
    record.processDoubleReplacing = processDoubleReplacingTrampoline;
}

AudioEffect::~AudioEffect() {
    delete editor;
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt) {
    if (opcode < 0 || opcode > effSetChunk) return 0;
    return kEffectTable[opcode](*this, index, value, ptr, opt);
}

VstInt32 AudioEffect::getChunk(void**, bool) {
    return 0;
}

VstInt32 AudioEffect::setChunk(void*, VstInt32, bool) {
    return 0;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

bool AudioEffect::beginEdit(VstInt32 index) {
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffect::endEdit(VstInt32 index) {
    return callHost(audioMasterEndEdit, index) != 0;
}

void AudioEffect::masterIdle() {
    callHost(audioMasterIdle);
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    if (editor != nullptr)
        record.flags |= effFlagsHasEditor;
    else
        record.flags &= ~effFlagsHasEditor;
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
    if (host == nullptr) return 0;
    return host(&record, opcode, index, value, ptr, opt);
}

void AudioEffect::float2string(float value, char* text, int maxLength) {
    constexpr int kWidth = 8;                    // characters of the whole text
    constexpr double kLargestPositive = 9999999; // point and seven digits
    constexpr double kLargestNegative = 999999;  // sign, point and six digits
    const std::size_t limit = lengthLimit(maxLength);
    double magnitude = value;
    const bool negative = magnitude < 0;
    if (negative) magnitude = -magnitude;
    // Integer parts too long for the width would lose leading digits; NaN fails
    // the comparison too.
    if (!(std::floor(magnitude) <= (negative ? kLargestNegative : kLargestPositive))) {
        base::copyCut(text, "Huge!", limit);
        return;
    }

    // Integer digits are produced from the right, into the end of a scratch text.
    char scratch[32];
    char* cursor = scratch + sizeof(scratch) - 1;
    *cursor = 0;
    *--cursor = '.';
    int count = negative ? 2 : 1; // the sign and the point
    double integer = std::floor(magnitude);
    do {
        *--cursor = static_cast<char>('0' + static_cast<int>(std::fmod(integer, 10.0)));
        integer /= 10.0;
        ++count;
    } while (integer >= 1.0 && count < kWidth);
    if (negative) *--cursor = '-';
    base::copyCut(text, cursor, limit);
    if (count >= kWidth) return;

    // Fraction digits, truncated: the fraction scaled to the remaining width,
    // taken apart from its last digit up by repeated division.
    const int places = kWidth - count;
    double fraction = std::fmod(magnitude, 1.0) * decimal::power(places);
    cursor = scratch + sizeof(scratch) - 1;
    *cursor = 0;
    for (int place = 0; place < places; ++place) {
        if (fraction <= 0) {
            *--cursor = '0';
        } else {
            *--cursor = static_cast<char>('0' + static_cast<int>(std::fmod(fraction, 10.0)));
            fraction /= 10.0;
        }
    }
    appendCut(text, cursor, limit);
}

void AudioEffect::dB2string(float value, char* text, int maxLength) {
    if (value <= 0) {
        base::copyCut(text, "-oo", lengthLimit(maxLength));
        return;
    }
    float2string(static_cast<float>(20.0 * decimal::logarithm(value)), text, maxLength);
}
