#include "tools/render/Measurements.h"

#include "tools/render/PluginSession.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kDbPerDecade = 20.0;
// Below this level (-100 dBFS) a sample tells too little about the gain applied to it.
constexpr double kSignalFloor = 1e-5;
constexpr int kStereo = 2;

double toDb(double level) {
    return level > 0.0 ? kDbPerDecade * std::log10(level)
                       : -std::numeric_limits<double>::infinity();
}

} // namespace

LevelMeter::LevelMeter(int channels, int rate)
    : state(ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate),
                         EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK | EBUR128_MODE_TRUE_PEAK)),
      channels(channels) {
    if (!state) throw RenderError("cannot measure loudness at " + std::to_string(rate) + " Hz");
}

void LevelMeter::add(const float* interleaved, int frames) {
    ebur128_add_frames_float(state.get(), interleaved, static_cast<std::size_t>(frames));
}

double LevelMeter::lastTruePeak() const {
    double peak = 0.0;
    for (int c = 0; c < channels; ++c) {
        double channelPeak = 0.0;
        if (ebur128_prev_true_peak(state.get(), static_cast<unsigned>(c), &channelPeak) ==
            EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    return peak;
}

double LevelMeter::peakDb(int (*read)(ebur128_state*, unsigned int, double*)) const {
    double peak = 0.0;
    for (int c = 0; c < channels; ++c) {
        double channelPeak = 0.0;
        if (read(state.get(), static_cast<unsigned>(c), &channelPeak) == EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    return toDb(peak);
}

double LevelMeter::samplePeakDb() const {
    return peakDb(ebur128_sample_peak);
}

double LevelMeter::truePeakDb() const {
    return peakDb(ebur128_true_peak);
}

double LevelMeter::loudnessLufs() const {
    double loudness = 0.0;
    if (ebur128_loudness_global(state.get(), &loudness) != EBUR128_SUCCESS)
        return -std::numeric_limits<double>::infinity();
    return loudness;
}

GainReductionMeter::GainReductionMeter(double expectedGain, int latencyFrames)
    : expectedGain(expectedGain), delayed(static_cast<std::size_t>(kStereo * latencyFrames), 0.0f),
      latency(latencyFrames) {}

void GainReductionMeter::add(const float* input, const float* output, int frames) {
    for (int i = 0; i < frames; ++i, ++processed) {
        float in[kStereo] = {input[kStereo * i], input[kStereo * i + 1]};
        if (!delayed.empty()) {
            // in takes the input of `latency` frames ago; the new one waits in its place.
            for (int c = 0; c < kStereo; ++c)
                std::swap(in[c], delayed[position + static_cast<std::size_t>(c)]);
            position = (position + kStereo) % delayed.size();
        }
        double reduction = 0.0;
        bool carriesSignal = false;
        for (int c = 0; c < kStereo; ++c) {
            const double expected = std::fabs(in[c]) * expectedGain;
            const double got = std::fabs(output[kStereo * i + c]);
            if (expected < kSignalFloor || got <= 0.0) continue;
            carriesSignal = true;
            reduction = std::max(reduction, kDbPerDecade * std::log10(expected / got));
        }
        if (!carriesSignal) continue;
        if (traced != nullptr) traced->raise(traced->reductionDb, processed - latency, reduction);
        ++measured;
        total += reduction;
        largest = std::max(largest, reduction);
    }
}

LevelTrace::LevelTrace(long long frames, int rate, int windows)
    : rate(rate), windowFrames(std::max(1LL, (frames + windows - 1) / windows)) {
    const auto count = static_cast<std::size_t>((frames + windowFrames - 1) / windowFrames);
    for (auto* values : {&inputPeak, &outputPeak, &outputTruePeak, &reductionDb})
        values->assign(count, 0.0);
}

void LevelTrace::raise(std::vector<double>& values, long long frame, double value) const {
    if (frame < 0) return;
    const auto window = static_cast<std::size_t>(frame / windowFrames);
    if (window < values.size()) values[window] = std::max(values[window], value);
}

void LevelTrace::raisePeaks(std::vector<double>& values, long long firstFrame,
                            const float* interleaved, int frames, int channels) const {
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            raise(values, firstFrame + i, std::fabs(interleaved[i * channels + c]));
}
