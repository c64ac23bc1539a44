// Checks of what the host stores and shows: parameter values, the text
// buffers the plug-in writes into, and chunks.
#include "tools/validate/Check.h"
#include "tools/validate/Platform.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace {

constexpr unsigned char kCanary = 0xA5;
constexpr std::size_t kCanaryRoom = 512;
constexpr std::size_t kMebibyte = 1 << 20;
constexpr int kRandomChunks = 3;
constexpr int kRoundTrips = 100;
// VstParameterProperties: three floats, a 64-byte label, five 32-bit
// integers, an 8-byte short label, four 16-bit fields, a 24-byte category
// label and 16 reserved bytes.
constexpr std::size_t kParameterPropertiesSize = 152;

bool stateSound(Effect& effect, Random& random) {
    if (!effect.parametersValid()) return false;
    const std::vector<float> out = runStereo(effect, material::noise(64, 0.5f, random), {64});
    for (float s : out)
        if (!std::isfinite(s)) return false;
    return true;
}

} // namespace

CheckResult checkParameterFuzz(CheckContext& context) {
    CheckResult result;
    Random random(context.seed);
    Effect effect(context.plugin.entry());
    effect.start(kRate, kBlock);
    int tried = 0, bad = 0;
    for (int index = 0; index < effect.parameters(); ++index) {
        const float values[] = {0.0f, 1.0f,     random.uniform(), -1.0f, 2.0f,
                                NAN,  INFINITY, -INFINITY,        1e-45f};
        for (const float value : values) {
            effect.setParameter(index, value);
            const float stored = effect.parameter(index);
            ++tried;
            if (stored >= 0.0f && stored <= 1.0f) continue;
            if (++bad <= 4)
                result.fail(format("parameter %d set to %g stores %g", index,
                                   static_cast<double>(value), static_cast<double>(stored)));
        }
    }
    // Indexes the record does not have: no effect, no crash.
    effect.setParameter(effect.parameters(), 0.5f);
    effect.setParameter(-1, 0.5f);
    effect.parameter(effect.parameters());
    effect.parameter(-1);
    if (!stateSound(effect, random)) result.fail("no sound state after the fuzz");
    result.figure = format("%d parameters x 9 values (0, 1, random, -1, 2, NaN, +-Inf, 1e-45): "
                           "%d stored values non-finite or outside 0..1",
                           effect.parameters(), bad);
    (void)tried;
    return result;
}

namespace {

struct TextCall {
    const char* name;
    VstInt32 opcode;
    std::size_t allowed; // bytes the interface lets the plug-in write
    bool text;           // a terminated string, else a record
};

const TextCall kParameterTexts[] = {
    {"effGetParamLabel", effGetParamLabel, kVstMaxParamStrLen + 1, true},
    {"effGetParamDisplay", effGetParamDisplay, kVstMaxParamStrLen + 1, true},
    {"effGetParamName", effGetParamName, kVstMaxParamStrLen + 1, true},
};

const TextCall kEffectTexts[] = {
    {"effGetProgramName", effGetProgramName, kVstMaxProgNameLen, true},
    {"effGetEffectName", effGetEffectName, kVstMaxEffectNameLen + 1, true},
    {"effGetVendorString", effGetVendorString, kVstMaxVendorStrLen + 1, true},
    {"effGetProductString", effGetProductString, kVstMaxProductStrLen + 1, true},
    {"effGetErrorText", effGetErrorText, 256, true},
};

// Indexed records: programs, pins, parameters and MIDI channels.
const TextCall kIndexedRecords[] = {
    {"effGetProgramNameIndexed", effGetProgramNameIndexed, kVstMaxProgNameLen, true},
    {"effGetInputProperties", effGetInputProperties, sizeof(VstPinProperties), false},
    {"effGetOutputProperties", effGetOutputProperties, sizeof(VstPinProperties), false},
    {"effGetParameterProperties", effGetParameterProperties, kParameterPropertiesSize, false},
    {"effGetMidiProgramName", effGetMidiProgramName, sizeof(MidiProgramName), false},
    {"effGetCurrentMidiProgram", effGetCurrentMidiProgram, sizeof(MidiProgramName), false},
    {"effGetMidiProgramCategory", effGetMidiProgramCategory, sizeof(MidiProgramCategory), false},
    {"effGetMidiKeyName", effGetMidiKeyName, sizeof(MidiKeyName), false},
};

struct TextTally {
    int calls = 0, overruns = 0, unterminated = 0;
    std::size_t worstOverrun = 0;
};

// One call into a buffer that is canary beyond the allowed bytes (and, for a
// text, within them too, so that a missing terminator shows).
void probe(Effect& effect, const TextCall& call, VstInt32 index, TextTally& tally,
           CheckResult& result) {
    std::vector<unsigned char> buffer(call.allowed + kCanaryRoom, kCanary);
    if (!call.text) std::memset(buffer.data(), 0, call.allowed);
    effect.dispatch(call.opcode, index, 0, buffer.data());
    ++tally.calls;
    std::size_t last = 0; // one past the last byte written beyond the allowed ones
    for (std::size_t i = call.allowed; i < buffer.size(); ++i)
        if (buffer[i] != kCanary) last = i + 1;
    if (last > 0) {
        ++tally.overruns;
        tally.worstOverrun = std::max(tally.worstOverrun, last - call.allowed);
        result.fail(format("%s(%d) wrote %zu bytes past its %zu", call.name, index,
                           last - call.allowed, call.allowed));
    }
    if (!call.text) return;
    bool written = false, terminated = false;
    for (std::size_t i = 0; i < call.allowed; ++i) {
        written = written || buffer[i] != kCanary;
        terminated = terminated || buffer[i] == 0;
    }
    if (written && !terminated) {
        ++tally.unterminated;
        result.fail(format("%s(%d) left its text unterminated", call.name, index));
    }
}

} // namespace

CheckResult checkTextBuffers(CheckContext& context) {
    CheckResult result;
    Effect effect(context.plugin.entry());
    effect.start(kRate, kBlock);
    TextTally tally;
    for (const TextCall& call : kParameterTexts)
        for (int index = -1; index <= effect.parameters(); ++index)
            probe(effect, call, index, tally, result);
    for (const TextCall& call : kEffectTexts)
        probe(effect, call, 0, tally, result);
    const int lastIndex = std::max(
        {effect.record()->numPrograms, effect.inputs(), effect.outputs(), effect.parameters(), 16});
    for (const TextCall& call : kIndexedRecords)
        for (int index = -1; index <= lastIndex; ++index)
            probe(effect, call, index, tally, result);
    result.figure =
        format("%d calls of %zu text and record opcodes: %d wrote past the "
               "interface's size (worst %zu bytes), %d left a text unterminated",
               tally.calls,
               std::size(kParameterTexts) + std::size(kEffectTexts) + std::size(kIndexedRecords),
               tally.overruns, tally.worstOverrun, tally.unterminated);
    return result;
}

namespace {

// A chunk of a plug-in that keeps its state in a bank file of XML text.
std::vector<unsigned char> foreignChunk() {
    const char text[] = "CcnK\0\0\0\0FBCh\0\0\0\1XXXX<?xml version=\"1.0\"?><state gain=\"-3\" "
                        "mode=\"2\"/>";
    return std::vector<unsigned char>(text, text + sizeof(text) - 1);
}

// The chunk in bytes placed against a no-access page.
void setGuarded(Effect& effect, const std::vector<unsigned char>& bytes, std::size_t size,
                bool programForm) {
    platform::GuardedBytes guarded(bytes.data(), size);
    effect.setChunk(guarded.data(), static_cast<VstIntPtr>(size), programForm);
}

} // namespace

CheckResult checkState(CheckContext& context) {
    CheckResult result;
    Random random(context.seed);
    const PluginEntry entry = context.plugin.entry();
    Effect effect(entry);
    if (!effect.valid() || !effect.keepsChunks()) {
        result.status = Status::Skip;
        result.figure = "keeps no chunks";
        return result;
    }
    effect.start(kRate, kBlock);

    int differing = 0;
    for (int trip = 0; trip < kRoundTrips; ++trip) {
        const bool programForm = trip % 2 == 1;
        Effect from(entry), to(entry);
        for (int i = 0; i < from.parameters(); ++i)
            from.setParameter(i, random.uniform());
        const std::vector<unsigned char> saved = from.chunk(programForm);
        to.setChunk(saved.data(), static_cast<VstIntPtr>(saved.size()), programForm);
        bool same = to.chunk(programForm) == saved;
        for (int i = 0; i < from.parameters(); ++i)
            same = same && bitsOf(from.parameter(i)) == bitsOf(to.parameter(i));
        if (!same && ++differing == 1)
            result.fail(
                format("round trip %d (%s form) differs", trip, programForm ? "program" : "bank"));
    }

    const std::vector<unsigned char> valid = effect.chunk();
    int cases = 0, unsound = 0;
    const auto judge = [&](const char* what) {
        ++cases;
        if (!stateSound(effect, random) && ++unsound <= 4)
            result.fail(format("parameters or output not sound after %s", what));
    };
    progress(format("every prefix of a %zu-byte chunk", valid.size()));
    for (const bool programForm : {false, true}) {
        const std::vector<unsigned char> whole = effect.chunk(programForm);
        for (std::size_t length = 0; length <= whole.size(); ++length) {
            progress(format("the first %zu bytes of a %s-form chunk", length,
                            programForm ? "program" : "bank"),
                     true);
            setGuarded(effect, whole, length, programForm);
            judge("a prefix");
        }
    }
    progress("single-bit flips");
    const std::size_t bits = valid.size() * 8;
    const std::size_t flips = context.quick ? std::min<std::size_t>(bits, 400) : bits;
    for (std::size_t n = 0; n < flips; ++n) {
        const std::size_t bit = context.quick ? random.next() % bits : n;
        std::vector<unsigned char> flipped = valid;
        flipped[bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8));
        setGuarded(effect, flipped, flipped.size(), false);
        judge("a bit flip");
    }
    progress("random, foreign and null chunks");
    for (int i = 0; i < kRandomChunks; ++i) {
        std::vector<unsigned char> noise(kMebibyte);
        for (unsigned char& byte : noise)
            byte = static_cast<unsigned char>(random.next());
        setGuarded(effect, noise, noise.size(), i % 2 == 1);
        judge("a random MiB");
    }
    const std::vector<unsigned char> foreign = foreignChunk();
    setGuarded(effect, foreign, foreign.size(), false);
    judge("another plug-in's chunk");
    effect.setChunk(nullptr, 0);
    judge("size 0 with a null pointer");

    result.figure = format("%d round trips: %d differ; %d damaged, random, foreign and null "
                           "chunks: %d left unsound state, none crashed",
                           kRoundTrips, differing, cases, unsound);
    return result;
}
