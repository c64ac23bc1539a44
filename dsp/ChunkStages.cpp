#include "dsp/ChunkStages.h"

#include "dsp/StereoLanes.h"

using stereo::largerOfFrames;
using stereo::lowPair;
using stereo::storePair;

namespace {

inline __m128 magnitude(__m128 v) {
    return _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
}

} // namespace

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
