// The processing frame: host blocks are cut into chunks of at most maxChunk
// frames (about 2 ms), each run through the module list, with a control tick
// of one per 2 ms of audio and MIDI events handed out between chunks.
#include "core/SynthCore.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <xmmintrin.h>

namespace {

constexpr std::uint32_t kFlushToZero = 0x8000;
constexpr std::uint32_t kUnderflowMask = 0x0800;
// Subnormal input counts as zero: as operands, subnormals cost the processor
// many times the time of other numbers even with flush-to-zero set.
constexpr std::uint32_t kDenormalsAreZero = 0x0040;
constexpr std::int32_t kTickSubdivision = 256; // tick clock units per frame
constexpr std::int32_t kTicksPerSecond = 500;
constexpr VstInt32 kTransportWanted = kVstPpqPosValid | kVstTempoValid;
constexpr double kTempoScale = 3.3333337e-5;
constexpr double kPerMinute = 1.0 / 60.0;
constexpr float kFallbackTempoScaled = 0.004f;
constexpr double kFallbackTempo = 120.0;
constexpr double kFallbackPerMinute = 0.016666668;

constexpr std::int32_t kLongestBeat = std::numeric_limits<std::int32_t>::max();

// A host's double in single precision: non-finite values count as 0, the
// rest are held inside the range of float.
float toFloat(double value) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (!std::isfinite(value)) return 0.0f;
    return static_cast<float>(value > kLargest ? kLargest
                                               : (value < -kLargest ? -kLargest : value));
}

// Rates outside this range are clamped: below it a chunk or a release would
// be shorter than one frame, above it the tick clock would overflow.
constexpr float kLowestRate = 8000.0f;
constexpr float kHighestRate = 768000.0f;

// Channel buffers to frames (channel 0 at 2i, channel 1 at 2i + 1) and back,
// four frames per step.
void interleave(const float* left, const float* right, float* frames, int count) {
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 l = _mm_loadu_ps(left + i);
        const __m128 r = _mm_loadu_ps(right + i);
        _mm_storeu_ps(frames + 2 * i, _mm_unpacklo_ps(l, r));
        _mm_storeu_ps(frames + 2 * i + 4, _mm_unpackhi_ps(l, r));
    }
    for (; i < count; ++i) {
        frames[2 * i] = left[i];
        frames[2 * i + 1] = right[i];
    }
}

void deinterleave(const float* frames, float* left, float* right, int count) {
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 a = _mm_loadu_ps(frames + 2 * i);
        const __m128 b = _mm_loadu_ps(frames + 2 * i + 4);
        _mm_storeu_ps(left + i, _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
        _mm_storeu_ps(right + i, _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    }
    for (; i < count; ++i) {
        left[i] = frames[2 * i];
        right[i] = frames[2 * i + 1];
    }
}

} // namespace

void SynthCore::setClock(std::int32_t rate) {
    tickPeriod = rate * kTickSubdivision / kTicksPerSecond;
    tickCountdown = tickPeriod;
    maxChunk = tickPeriod / kTickSubdivision;
    if (maxChunk > kMaxChunkFrames) maxChunk = kMaxChunkFrames;
}

void SynthCore::setSampleRate(float rate) {
    if (!(rate >= kLowestRate)) rate = kLowestRate; // also NaN
    if (rate > kHighestRate) rate = kHighestRate;
    sampleRate = rate;
    const auto rounded = static_cast<std::int32_t>(std::nearbyint(rate));
    setClock(rounded);
    integerSampleRate = rounded;
    moduleList->setSampleRate(rounded);
}

void SynthCore::suspend() {
    moduleList->reset();
}

void SynthCore::readTransport() {
    const VstTimeInfo* time = getTimeInfo(kTransportWanted);
    // Hosts send NaN, infinite, zero or negative tempos too: those get the
    // values for a host without transport, and huge ones are kept in range.
    if (time != nullptr && std::isfinite(time->tempo) && time->tempo > 0.0) {
        tempo.tempoScaled = toFloat(time->tempo * kTempoScale);
        const double beat = integerSampleRate * time->tempo * kPerMinute;
        tempo.beatFrames = beat < kLongestBeat ? static_cast<std::int32_t>(beat) : kLongestBeat;
    } else {
        tempo.tempoScaled = kFallbackTempoScaled;
        tempo.beatFrames =
            static_cast<std::int32_t>(integerSampleRate * kFallbackTempo * kFallbackPerMinute);
    }
    tempo.quarterPosition = time != nullptr ? toFloat(time->ppqPos) : 0.0f;
}

void SynthCore::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    const float* in0 = inputs[0];
    const float* in1 = inputs[1];
    float* out0 = outputs[0];
    float* out1 = outputs[1];
    ModuleList& list = *moduleList;
    float* block = list.input().frames;
    // The modules run with flush-to-zero and denormals-are-zero, which keep
    // denormals out of the signal path; the host's own mode holds everywhere
    // else, in the host's callbacks too, and the register is left as it was found.
    const std::uint32_t hostFloatMode = _mm_getcsr();

    while (frames > 0) {
        readTransport();
        const int chunk = frames < maxChunk ? frames : maxChunk;
        const bool tick = tickCountdown <= 0;

        _mm_setcsr(hostFloatMode | kFlushToZero | kDenormalsAreZero | kUnderflowMask);
        // Input and output may be the same memory: the chunk is read whole
        // before anything is written back.
        interleave(in0, in1, block, chunk);
        in0 += chunk;
        in1 += chunk;
        list.process(chunk, tick ? 1 : 0);
        deinterleave(list.output().frames, out0, out1, chunk);
        out0 += chunk;
        out1 += chunk;
        _mm_setcsr(hostFloatMode);

        if (tick) tickCountdown += tickPeriod;
        advanceEventClock(chunk);
        tickCountdown -= chunk * kTickSubdivision;
        handOutEvents();
        frames -= chunk;
    }
    _mm_setcsr(hostFloatMode);
}

void SynthCore::advanceEventClock(std::int32_t frames) {
    constexpr std::int32_t kLargest = std::numeric_limits<std::int32_t>::max();
    eventClock = eventClock > kLargest - frames ? kLargest : eventClock + frames;
}

void SynthCore::handOutEvents() {
    while (eventRead < eventEnd && eventQueue[eventRead].deltaFrames <= eventClock)
        handleMidiEvent(eventQueue[eventRead++]);
}

VstInt32 SynthCore::processEvents(VstEvents* events) {
    while (eventRead < eventEnd)
        handleMidiEvent(eventQueue[eventRead++]);
    eventClock = 0;
    eventRead = eventEnd = 0;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = events->events[i];
        if (event == nullptr || event->type != kVstMidiType) continue;
        // A full queue drops the rest of the list.
        if (eventEnd == kEventQueueSize) break;
        std::memcpy(&eventQueue[eventEnd++], event, sizeof(VstMidiEvent));
    }
    return 1;
}
