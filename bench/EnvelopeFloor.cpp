// brelto-envelope-floor: what a frame of the limiter's envelope costs at
// least on a slow swell when the frames run one after another. Each frame's
// envelope is the last one plus a slope that the frame's scan chose, so the
// scan of one frame waits for the one before it, and on a swell a third to
// three quarters of the frames scan. The floor loop runs that recursion with
// each scan cut to the nearest eight peaks (two vectors divided, one
// maximum), without the farther peaks, the delay, the splines or the output:
// less than an exact limiter does on a frame whose scan it decides when the
// frame comes. Beside it, from the literal scan over the whole look-ahead:
// how many frames scan, how many scans end at the nearest peak, and on how
// many the envelope is the peak that leaves then (whose envelopes are known
// before the frames before them have run, as the limiter's batches of four
// frames need). See docs/benchmarks.md.
#include "bench/BenchSignals.h"
#include "dsp/MaximizerCore.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <emmintrin.h>
#include <string>
#include <vector>

namespace {

constexpr float kThreshold = MaximizerCore::kThreshold;
constexpr float kLevel = 0.5f;      // -6 dBFS, as in the peer benchmark's swells
constexpr float kGain = 31.622776f; // +30 dB
constexpr double kReleaseSeconds = 0.020;
constexpr double kSeconds = 4.0;
constexpr int kNearest = 8;

// One channel's peak estimates (ISP off) of the samples `swell` at -6 dBFS,
// +30 dB.
std::vector<float> swellPeaks(const std::vector<float>& swell) {
    std::vector<float> peaks(swell.size());
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        const float p = std::fabs(kLevel * swell[i] * kGain);
        peaks[i] = p < kThreshold ? kThreshold : p;
    }
    return peaks;
}

struct Channel {
    float envelope = kThreshold, slope = 0.0f, target = 0.0f;
    int hold = 0;
};

// The frame loop's easing and step of the envelope.
float step(Channel& s, int release) {
    if (s.slope > s.target) {
        s.slope = s.slope + ((s.target - s.slope) * 10.0f) / static_cast<float>(release);
        if (s.target > s.slope) s.slope = s.target;
    }
    s.envelope = s.envelope + s.slope;
    if (s.envelope < kThreshold) s.envelope = kThreshold;
    return s.envelope;
}

// The newest peak's take-over and the hold's countdown.
void finish(Channel& s, float newest, int lookAhead, int release) {
    const float v = (newest - s.envelope) / static_cast<float>(lookAhead);
    if (v > s.target) {
        s.target = v;
        s.slope = v;
        s.hold = lookAhead;
    }
    if (s.hold >= -release) s.hold = s.hold - 1;
}

// A frame of the floor loop; `coming` holds the peaks at distances 1 .. 8.
// The newest peak is screened by a product, as the limiter screens it.
void floorFrame(Channel& s, const float* coming, float newest, int lookAhead, int release) {
    const float E = step(s, release);
    if (s.hold == 0) {
        s.target = (kThreshold - E) / static_cast<float>(release);
        const __m128 level = _mm_set1_ps(E);
        const __m128 low = _mm_div_ps(_mm_sub_ps(_mm_loadu_ps(coming), level),
                                      _mm_setr_ps(1.0f, 2.0f, 3.0f, 4.0f));
        const __m128 high = _mm_div_ps(_mm_sub_ps(_mm_loadu_ps(coming + 4), level),
                                       _mm_setr_ps(5.0f, 6.0f, 7.0f, 8.0f));
        __m128 most = _mm_max_ps(low, high);
        most = _mm_max_ps(most, _mm_movehl_ps(most, most));
        most = _mm_max_ss(most, _mm_shuffle_ps(most, most, 1));
        const float steepest = _mm_cvtss_f32(most);
        if (steepest > s.target) {
            const __m128 all = _mm_shuffle_ps(most, most, 0);
            const int lanes = _mm_movemask_ps(_mm_cmpeq_ps(low, all)) |
                              _mm_movemask_ps(_mm_cmpeq_ps(high, all)) << 4;
            s.target = steepest;
            s.slope = steepest;
            s.hold = 1 + __builtin_ctz(static_cast<unsigned>(lanes));
        }
        if (s.slope < s.target) s.slope = s.target;
    }
    if ((newest - E) * (1.0f / static_cast<float>(lookAhead)) > s.target)
        finish(s, newest, lookAhead, release);
    else if (s.hold >= -release)
        s.hold = s.hold - 1;
}

// The literal scan's frames on one channel: how many scan, how many of
// those end at the nearest peak, and on how many the envelope is the peak
// that leaves.
struct Scans {
    std::int64_t scans = 0, nearest = 0, onPeak = 0;
};

Scans literalScans(const std::vector<float>& peaks, int frames, int lookAhead, int release) {
    Scans counted;
    Channel s;
    for (int f = 0; f < frames; ++f) {
        const float* const line = peaks.data() + f;
        const float E = step(s, release);
        if (s.hold == 0) {
            ++counted.scans;
            counted.onPeak += E == line[0];
            s.target = (kThreshold - E) / static_cast<float>(release);
            for (int j = 1; j < lookAhead; ++j) {
                const float v = (line[j] - E) / static_cast<float>(j);
                if (v > s.target) {
                    s.target = v;
                    s.slope = v;
                    s.hold = j;
                }
            }
            counted.nearest += s.hold == 1;
            if (s.slope < s.target) s.slope = s.target;
        }
        finish(s, line[lookAhead], lookAhead, release);
    }
    return counted;
}

void floorOfSwell(benchmark::State& state, double left, double right, int rate) {
    const auto frames = static_cast<int>(kSeconds * rate);
    // The plug-in's look-ahead at this rate, as the peer benchmark takes it.
    MaximizerCore core;
    core.setSampleRate(rate);
    const int lookAhead = core.lookAheadFrames();
    const auto release = static_cast<int>(rate * kReleaseSeconds);
    const int length = frames + lookAhead + kNearest;
    const std::vector<float> peaks[2] = {
        swellPeaks(benchsignals::rectifiedSine(rate, length, left, 1.0f).left),
        swellPeaks(benchsignals::rectifiedSine(rate, length, right, 1.0f).left)};
    for (auto _ : state) {
        Channel channels[2];
        for (int f = 0; f < frames; ++f) {
            for (int c = 0; c < 2; ++c) {
                const float* const line = peaks[c].data() + f;
                floorFrame(channels[c], line + 1, line[lookAhead], lookAhead, release);
            }
        }
        benchmark::DoNotOptimize(channels);
    }
    Scans counted;
    for (const auto& channel : peaks) {
        const Scans one = literalScans(channel, frames, lookAhead, release);
        counted.scans += one.scans;
        counted.nearest += one.nearest;
        counted.onPeak += one.onPeak;
    }
    using benchmark::Counter;
    state.counters["time/frame"] =
        Counter(frames, Counter::kIsIterationInvariantRate | Counter::kInvert);
    state.counters["scans/frame"] = static_cast<double>(counted.scans) / (2.0 * frames);
    state.counters["at nearest"] = static_cast<double>(counted.nearest) / counted.scans;
    state.counters["on peak"] = static_cast<double>(counted.onPeak) / counted.scans;
}

void registerSwells() {
    const struct {
        const char* name;
        double left, right;
    } swells[] = {{"1Hz", 1.0, 1.0}, {"2Hz", 2.0, 2.0}, {"7Hz", 7.0, 7.0}, {"2Hz+3Hz", 2.0, 3.0}};
    for (const int rate : {44100, 48000, 96000}) {
        const std::string kHz = rate == 44100 ? "44.1" : std::to_string(rate / 1000);
        for (const auto& swell : swells) {
            const std::string name = std::string("floor/") + swell.name + "/" + kHz + "kHz";
            benchmark::RegisterBenchmark(name.c_str(), floorOfSwell, swell.left, swell.right, rate)
                ->Unit(benchmark::kMillisecond);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    registerSwells();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
