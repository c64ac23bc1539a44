#include "tools/render/Measurements.h"

#include "tools/render/PluginSession.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace {

constexpr double kDbPerDecade = 20.0;
// Below this level (-100 dBFS) a sample tells too little about the gain applied to it.
constexpr double kSignalFloor = 1e-5;
constexpr int kStereo = 2;

// The largest of `floor` and the magnitudes of `count` samples: in floats,
// whose largest is the same number as in doubles, and in lanes that do not
// wait for each other.
float largestMagnitude(const float* samples, int count, float floor) {
    constexpr int kLanes = 8;
    float lanes[kLanes];
    std::fill(std::begin(lanes), std::end(lanes), floor);
    int i = 0;
    for (; i + kLanes <= count; i += kLanes)
        for (int lane = 0; lane < kLanes; ++lane)
            lanes[lane] = std::max(lanes[lane], std::fabs(samples[i + lane]));
    for (; i < count; ++i)
        lanes[0] = std::max(lanes[0], std::fabs(samples[i]));
    return *std::max_element(std::begin(lanes), std::end(lanes));
}

double toDb(double level) {
    return level > 0.0 ? kDbPerDecade * std::log10(level)
                       : -std::numeric_limits<double>::infinity();
}

} // namespace

OversampledPeak::OversampledPeak(int channels, int rate)
    : upsampler(channels, rate, static_cast<double>(rate) * kOversampling), channels(channels) {}

void OversampledPeak::add(const float* interleaved, int frames) {
    take(upsampler.process(interleaved, frames, upsampled));
}

void OversampledPeak::finish() {
    take(upsampler.finish(upsampled));
}

void OversampledPeak::traceInto(LevelTrace& into, std::vector<double>& values,
                                double traceFramesPerFrame) {
    trace = &into;
    traced = &values;
    traceFramesPerSample = traceFramesPerFrame / kOversampling;
}

void OversampledPeak::take(int frames) {
    highest = largestMagnitude(upsampled.data(), frames * channels, highest);
    if (trace != nullptr)
        trace->raisePeaks(*traced, made, upsampled.data(), frames, channels, traceFramesPerSample);
    made += frames;
}

LevelMeter::LevelMeter(int channels, int rate, bool onThreads)
    : state(ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate),
                         EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_SAMPLE_PEAK |
                             EBUR128_MODE_TRUE_PEAK)),
      oversampled(channels, rate), channels(channels) {
    if (!state) throw RenderError("cannot measure loudness at " + std::to_string(rate) + " Hz");
    if (onThreads)
        threads = std::make_unique<FanOut>(
            channels,
            std::vector<FanOut::Consumer>{
                [this](const float* frames, int count) { addToLoudness(frames, count); },
                [this](const float* frames, int count) { oversampled.add(frames, count); }});
}

void LevelMeter::add(const float* interleaved, int frames) {
    if (threads) return threads->add(interleaved, frames);
    addToLoudness(interleaved, frames);
    oversampled.add(interleaved, frames);
}

void LevelMeter::finish() {
    settle();
    oversampled.finish();
}

void LevelMeter::settle() {
    if (!threads) return;
    threads->finish();
    threads.reset();
}

void LevelMeter::traceInto(LevelTrace& into, double traceFramesPerFrame) {
    trace = &into;
    traceScale = traceFramesPerFrame;
    oversampled.traceInto(into, into.outputOversampledPeak, traceFramesPerFrame);
}

void LevelMeter::addToLoudness(const float* interleaved, int frames) {
    if (trace == nullptr) {
        ebur128_add_frames_float(state.get(), interleaved, static_cast<std::size_t>(frames));
        given += frames;
        return;
    }
    for (int done = 0; done < frames;) {
        const int piece = static_cast<int>(
            std::min<long long>(frames - done, trace->framesLeftInWindow(given, traceScale)));
        ebur128_add_frames_float(state.get(), interleaved + done * channels,
                                 static_cast<std::size_t>(piece));
        trace->raise(trace->outputTruePeak,
                     static_cast<long long>(static_cast<double>(given) * traceScale),
                     peakOf(ebur128_prev_true_peak));
        done += piece;
        given += piece;
    }
}

double LevelMeter::peakOf(int (*read)(ebur128_state*, unsigned int, double*)) const {
    double peak = 0.0;
    for (int c = 0; c < channels; ++c) {
        double channelPeak = 0.0;
        if (read(state.get(), static_cast<unsigned>(c), &channelPeak) == EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    return peak;
}

double LevelMeter::samplePeakDb() const {
    return toDb(peakOf(ebur128_sample_peak));
}

double LevelMeter::truePeakDb() const {
    return toDb(peakOf(ebur128_true_peak));
}

double LevelMeter::oversampledPeakDb() const {
    return toDb(oversampled.peak());
}

double LevelMeter::loudnessLufs() const {
    return loudnessLufs({this});
}

double LevelMeter::loudnessRangeLu() const {
    return loudnessRangeLu({this});
}

std::vector<ebur128_state*> LevelMeter::statesOf(const std::vector<const LevelMeter*>& meters) {
    std::vector<ebur128_state*> states;
    for (const LevelMeter* meter : meters)
        states.push_back(meter->state.get());
    return states;
}

double LevelMeter::loudnessLufs(const std::vector<const LevelMeter*>& meters) {
    std::vector<ebur128_state*> states = statesOf(meters);
    double loudness = 0.0;
    if (ebur128_loudness_global_multiple(states.data(), states.size(), &loudness) !=
            EBUR128_SUCCESS ||
        !std::isfinite(loudness))
        return -std::numeric_limits<double>::infinity();
    return loudness;
}

double LevelMeter::loudnessRangeLu(const std::vector<const LevelMeter*>& meters) {
    std::vector<ebur128_state*> states = statesOf(meters);
    double range = 0.0;
    if (ebur128_loudness_range_multiple(states.data(), states.size(), &range) != EBUR128_SUCCESS)
        return 0.0;
    return range;
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
            position += kStereo;
            if (position == delayed.size()) position = 0;
        }
        double reduction = 0.0;
        bool carriesSignal = false;
        for (int c = 0; c < kStereo; ++c) {
            const double expected = std::fabs(in[c]) * expectedGain;
            const double got = std::fabs(output[kStereo * i + c]);
            if (expected < kSignalFloor || got <= 0.0) continue;
            carriesSignal = true;
            // An output at or above the expected level is no reduction; its
            // logarithm would be zero or below.
            if (expected > got)
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
    for (auto* values :
         {&inputPeak, &outputPeak, &reductionDb, &outputTruePeak, &outputOversampledPeak})
        values->assign(count, 0.0);
}

void LevelTrace::raise(std::vector<double>& values, long long frame, double value) const {
    if (frame < 0) return;
    const auto window = static_cast<std::size_t>(frame / windowFrames);
    if (window < values.size()) values[window] = std::max(values[window], value);
}

void LevelTrace::raisePeaks(std::vector<double>& values, long long firstFrame,
                            const float* interleaved, int frames, int channels,
                            double scale) const {
    for (int done = 0; done < frames;) {
        const long long frame = firstFrame + done;
        const int piece =
            static_cast<int>(std::min<long long>(frames - done, framesLeftInWindow(frame, scale)));
        double peak = 0.0;
        for (int i = done * channels; i < (done + piece) * channels; ++i)
            peak = std::max(peak, static_cast<double>(std::fabs(interleaved[i])));
        raise(values, static_cast<long long>(static_cast<double>(frame) * scale), peak);
        done += piece;
    }
}

long long LevelTrace::framesLeftInWindow(long long frame, double scale) const {
    const auto traceFrame = static_cast<long long>(static_cast<double>(frame) * scale);
    const long long nextWindow = (traceFrame / windowFrames + 1) * windowFrames;
    const auto firstOfNext =
        static_cast<long long>(std::ceil(static_cast<double>(nextWindow) / scale));
    return std::max(1LL, firstOfNext - frame);
}
