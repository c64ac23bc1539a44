#include "tools/render/Resampler.h"

#include "tools/render/PluginSession.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// Room for the frames that one call may give beyond the rate's share.
constexpr int kSpareFrames = 64;
// Where the passband ends, as a share of the lower rate's Nyquist frequency.
constexpr double kPassband = 0.95;

} // namespace

Resampler::Resampler(int channels, double inRate, double outRate)
    : channels(channels), ratio(outRate / inRate) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ | SOXR_LINEAR_PHASE, 0);
    quality.passband_end = kPassband;
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    converter.reset(soxr_create(inRate, outRate, static_cast<unsigned>(channels), &error, &io,
                                &quality, &runtime));
    if (error != nullptr || !converter)
        throw RenderError("cannot convert " + std::to_string(inRate) + " Hz to " +
                          std::to_string(outRate) + " Hz: " + (error ? error : "libsoxr failed"));
}

int Resampler::process(const float* in, int frames, std::vector<float>& out) {
    // A null input would end the stream.
    if (frames <= 0) return 0;
    return run(in, frames, out);
}

int Resampler::finish(std::vector<float>& out) {
    return run(nullptr, 0, out);
}

// A null input tells libsoxr that the input has ended; it is called until it
// gives no more.
int Resampler::run(const float* in, int frames, std::vector<float>& out) {
    const auto room = static_cast<std::size_t>(std::ceil(frames * ratio)) + kSpareFrames;
    out.resize(std::max(out.size(), room * static_cast<std::size_t>(channels)));
    std::size_t used = 0, given = 0;
    for (;;) {
        const std::size_t space = out.size() / static_cast<std::size_t>(channels) - used;
        std::size_t taken = 0, made = 0;
        const soxr_error_t error = soxr_process(
            converter.get(), in ? in + given * static_cast<std::size_t>(channels) : nullptr,
            in ? static_cast<std::size_t>(frames) - given : 0, &taken,
            out.data() + used * static_cast<std::size_t>(channels), space, &made);
        if (error != nullptr) throw RenderError(std::string("rate conversion failed: ") + error);
        given += taken;
        used += made;
        if (made == space) {
            out.resize(out.size() * 2);
            continue;
        }
        const bool flushed = in == nullptr && made == 0;
        const bool stalled = in != nullptr && taken == 0 && made == 0;
        if (flushed || stalled || (in != nullptr && given == static_cast<std::size_t>(frames)))
            break;
    }
    return static_cast<int>(used);
}
