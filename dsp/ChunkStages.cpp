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

__m128 passResting(const RestingLines& lines, std::int32_t& position, const float* gained,
                   int frames, float level, float ceiling, float* out, __m128 outPeak) {
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 outCeiling = _mm_set1_ps(ceiling);
    __m128 peak = outPeak;
    // Up to the end of the delay line, then on from its start.
    for (int done = 0; done < frames;) {
        const int run =
            frames - done < lines.lookAhead - position ? frames - done : lines.lookAhead - position;
        float* const slots = lines.delay + 2 * position;
        const float* const coming = gained + 2 * done;
        float* const leaving = out + 2 * done;
        int k = 0;
        for (; k + 2 <= run; k += 2) {
            const __m128 limited = _mm_mul_ps(_mm_loadu_ps(slots + 2 * k), one);
            _mm_storeu_ps(slots + 2 * k, _mm_loadu_ps(coming + 2 * k));
            peak = _mm_max_ps(magnitude(limited), peak);
            _mm_storeu_ps(leaving + 2 * k, _mm_mul_ps(outCeiling, limited));
        }
        if (k < run) {
            const __m128 limited = _mm_mul_ps(lowPair(slots + 2 * k), one);
            storePair(slots + 2 * k, lowPair(coming + 2 * k));
            peak = _mm_max_ps(magnitude(limited), peak);
            storePair(leaving + 2 * k, _mm_mul_ps(outCeiling, limited));
        }
        for (float* line : lines.peaks)
            for (int j = position; j < position + run; ++j)
                line[j] = line[j + lines.lookAhead] = level;
        position += run;
        if (position == lines.lookAhead) position = 0;
        done += run;
    }
    return largerOfFrames(peak);
}
