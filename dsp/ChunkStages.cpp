#include "dsp/ChunkStages.h"

#include "dsp/StereoLanes.h"

#include <limits>

using stereo::largerOfFrames;
using stereo::lowPair;
using stereo::storePair;

namespace {

inline __m128 magnitude(__m128 v) {
    return _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
}

inline __m128 clipped(__m128 x) {
    const __m128 finite =
        _mm_cmplt_ps(magnitude(x), _mm_set1_ps(std::numeric_limits<float>::infinity()));
    return _mm_max_ps(_mm_min_ps(_mm_and_ps(x, finite), _mm_set1_ps(1.0f)), _mm_set1_ps(-1.0f));
}

} // namespace

__m128 clipAndGain(const float* in, int frames, float gain, float* gained, __m128 inPeak) {
    const __m128 inputGain = _mm_set1_ps(gain);
    __m128 peak = inPeak;
    int i = 0;
    for (; i + 2 <= frames; i += 2) {
        const __m128 x = clipped(_mm_loadu_ps(in + 2 * i));
        peak = _mm_max_ps(magnitude(x), peak);
        _mm_storeu_ps(gained + 2 * i, _mm_mul_ps(x, inputGain));
    }
    if (i < frames) {
        const __m128 x = clipped(lowPair(in + 2 * i));
        peak = _mm_max_ps(magnitude(x), peak);
        storePair(gained + 2 * i, _mm_mul_ps(x, inputGain));
    }
    return largerOfFrames(peak);
}

void estimateSamplePeaks(const float* gained, int frames, float floor, float* estimates) {
    const __m128 least = _mm_set1_ps(floor);
    int i = 0;
    for (; i + 2 <= frames; i += 2)
        _mm_storeu_ps(estimates + 2 * i,
                      _mm_max_ps(magnitude(_mm_loadu_ps(gained + 2 * i)), least));
    if (i < frames)
        storePair(estimates + 2 * i, _mm_max_ps(magnitude(lowPair(gained + 2 * i)), least));
}

void fillFrames(float* frames, int count, float value) {
    for (int k = 0; k < 2 * count; ++k)
        frames[k] = value;
}

void passThroughDelay(float* delay, std::int32_t lookAhead, std::int32_t position,
                      const float* gained, int frames, float* delayed) {
    // Up to the end of the line, then on from its start.
    for (int done = 0; done < frames;) {
        const int run = frames - done < lookAhead - position ? frames - done : lookAhead - position;
        float* const slots = delay + 2 * position;
        float* const leaving = delayed + 2 * done;
        const float* const coming = gained + 2 * done;
        int k = 0;
        for (; k + 2 <= run; k += 2) {
            _mm_storeu_ps(leaving + 2 * k, _mm_loadu_ps(slots + 2 * k));
            _mm_storeu_ps(slots + 2 * k, _mm_loadu_ps(coming + 2 * k));
        }
        if (k < run) {
            storePair(leaving + 2 * k, lowPair(slots + 2 * k));
            storePair(slots + 2 * k, lowPair(coming + 2 * k));
        }
        done += run;
        position = 0;
    }
}

void fillPeakLines(float* const (&lines)[2], std::int32_t lookAhead, std::int32_t position,
                   int frames, float level) {
    for (int done = 0; done < frames;) {
        const int run = frames - done < lookAhead - position ? frames - done : lookAhead - position;
        for (float* line : lines)
            for (int j = position; j < position + run; ++j)
                line[j] = line[j + lookAhead] = level;
        done += run;
        position = 0;
    }
}

namespace {

// Two frames' limited samples: their magnitudes raise `peak`, and they leave
// times the ceiling.
template <class Store>
inline __m128 emit(__m128 limited, __m128 outCeiling, __m128 peak, Store store) {
    store(_mm_mul_ps(outCeiling, limited));
    return _mm_max_ps(magnitude(limited), peak);
}

inline __m128 linked(__m128 gains, bool link) {
    // Swapped within each frame: channel 0 with channel 1.
    return link ? _mm_min_ps(gains, _mm_shuffle_ps(gains, gains, _MM_SHUFFLE(2, 3, 0, 1))) : gains;
}

} // namespace

__m128 emitLimited(const float* delayed, const float* envelopes, int frames, float threshold,
                   bool link, float ceiling, float* out, __m128 outPeak) {
    const __m128 outCeiling = _mm_set1_ps(ceiling);
    const __m128 level = _mm_set1_ps(threshold);
    __m128 peak = outPeak;
    int i = 0;
    for (; i + 2 <= frames; i += 2) {
        const __m128 applied = linked(_mm_div_ps(level, _mm_loadu_ps(envelopes + 2 * i)), link);
        peak = emit(_mm_mul_ps(_mm_loadu_ps(delayed + 2 * i), applied), outCeiling, peak,
                    [&](__m128 v) { _mm_storeu_ps(out + 2 * i, v); });
    }
    if (i < frames) {
        // The lanes past the last frame divide the threshold by itself.
        const __m128 envelope = _mm_movelh_ps(lowPair(envelopes + 2 * i), level);
        const __m128 applied = linked(_mm_div_ps(level, envelope), link);
        peak = emit(_mm_mul_ps(lowPair(delayed + 2 * i), applied), outCeiling, peak,
                    [&](__m128 v) { storePair(out + 2 * i, v); });
    }
    return largerOfFrames(peak);
}

__m128 emitUnity(const float* delayed, int frames, float ceiling, float* out, __m128 outPeak) {
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 outCeiling = _mm_set1_ps(ceiling);
    __m128 peak = outPeak;
    int i = 0;
    for (; i + 2 <= frames; i += 2)
        peak = emit(_mm_mul_ps(_mm_loadu_ps(delayed + 2 * i), one), outCeiling, peak,
                    [&](__m128 v) { _mm_storeu_ps(out + 2 * i, v); });
    if (i < frames)
        peak = emit(_mm_mul_ps(lowPair(delayed + 2 * i), one), outCeiling, peak,
                    [&](__m128 v) { storePair(out + 2 * i, v); });
    return largerOfFrames(peak);
}
