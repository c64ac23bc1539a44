// Rate conversion of interleaved float frames through libsoxr's
// very-high-quality filter: linear phase, 28-bit precision (about 170 dB of
// stopband attenuation), flat to 95 % of the lower rate's Nyquist frequency
// (as sox's very-high-quality rate effect) and stopped from it on. The output is aligned with the
// input (the filter's own delay is taken out) and complete once finish() has flushed the filter's
// tail.
#pragma once

#include <soxr.h>

#include <memory>
#include <vector>

class Resampler {
public:
    // Throws RenderError when libsoxr refuses the rates.
    Resampler(int channels, double inRate, double outRate);

    // Converts `frames` frames; the frames ready so far go to the start of
    // `out`, which only grows, so that a buffer kept from call to call is
    // neither cleared nor filled again. Returns their number.
    int process(const float* in, int frames, std::vector<float>& out);
    // The frames still in the filter once the input has ended, as process() gives them.
    int finish(std::vector<float>& out);

private:
    int run(const float* in, int frames, std::vector<float>& out);

    struct Release {
        void operator()(soxr_t converter) const { soxr_delete(converter); }
    };
    std::unique_ptr<std::remove_pointer_t<soxr_t>, Release> converter;
    int channels;
    double ratio;
};
