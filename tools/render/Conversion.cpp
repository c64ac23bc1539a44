#include "tools/render/Conversion.h"

#include "tools/render/AudioFile.h"
#include "tools/render/PluginSession.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// libsndfile converts floats to integers through a 32-bit intermediate,
// rounded to nearest, then shifted right (rounding down) to the word length.
constexpr double kFullScale32 = 2147483648.0; // 2^31
constexpr double kLargest32 = 2147483647.0;
constexpr std::uint32_t kDitherSeed = 0x9E3779B9u; // the same noise for every render

struct Word {
    int subtype;
    int shift;
};
constexpr Word kWords[] = {
    {SF_FORMAT_PCM_S8, 24}, {SF_FORMAT_PCM_U8, 24}, {SF_FORMAT_PCM_16, 16}, {SF_FORMAT_PCM_24, 8}};
constexpr int kExactSubtypes[] = {SF_FORMAT_PCM_S8, SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16,
                                  SF_FORMAT_PCM_24, SF_FORMAT_PCM_32, SF_FORMAT_FLOAT,
                                  SF_FORMAT_DOUBLE};
constexpr int kLongestDefaultDitherBits = 16;
constexpr int kIntermediateBits = 32;

// xorshift32: uniform in [0, 1).
double uniform(std::uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 4294967296.0;
}

} // namespace

Dither parseDither(const std::string& text) {
    if (text == "tpdf") return Dither::Tpdf;
    if (text == "none") return Dither::None;
    throw RenderError("--dither " + text + ": the valid values are tpdf and none");
}

SampleConversion::SampleConversion(int format, Dither asked) : noise(kDitherSeed) {
    for (const Word& word : kWords)
        if ((format & SF_FORMAT_SUBMASK) == word.subtype) shift = word.shift;
    const int bits = kIntermediateBits - shift;
    exact = std::find(std::begin(kExactSubtypes), std::end(kExactSubtypes),
                      format & SF_FORMAT_SUBMASK) != std::end(kExactSubtypes);
    if (asked == Dither::Tpdf && shift < 0)
        throw RenderError("--dither tpdf: " + describeFormat(format) +
                          " has no integer word of 24 bits or fewer to dither to");
    dither = asked == Dither::Tpdf ||
             (asked == Dither::Default && shift >= 0 && bits <= kLongestDefaultDitherBits);
}

void SampleConversion::convert(float* samples, float* held, int count) {
    if (shift < 0) {
        for (int i = 0; i < count; ++i)
            held[i] = samples[i];
        return;
    }
    const double step = std::ldexp(1.0, shift); // one LSB of the word, in the intermediate
    const std::int64_t lowest = -(std::int64_t{1} << (kIntermediateBits - 1 - shift));
    const std::int64_t highest = -lowest - 1;
    // One LSB of the word at full scale 1; a power of two, so that a word of
    // 24 bits or fewer times it is exact in a float.
    const auto wordScale = static_cast<float>(std::ldexp(1.0, shift - (kIntermediateBits - 1)));
    for (int i = 0; i < count; ++i) {
        double scaled = std::isfinite(samples[i]) ? samples[i] * kFullScale32 : 0.0;
        // Digital silence stays silent: dither only where there is signal.
        if (dither && samples[i] != 0.0f) scaled += (uniform(noise) - uniform(noise)) * step;
        std::int64_t word = 0;
        if (scaled >= kLargest32)
            word = highest;
        else if (scaled <= -kFullScale32)
            word = lowest;
        else // the shift of a signed word is arithmetic: it rounds down, as libsndfile's does
            word = std::llrint(scaled) >> shift;
        held[i] = static_cast<float>(word) * wordScale;
        // The dithered word goes to libsndfile exactly; without dither it
        // rounds the plug-in's own float as it always did.
        if (dither) samples[i] = held[i];
    }
}
