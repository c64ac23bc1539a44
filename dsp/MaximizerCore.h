// The look-ahead peak limiter: per channel, a gain envelope that meets every
// coming peak exactly when that peak leaves the delay line, so the limited
// signal stays at or below `threshold`.
#pragma once

#include "dsp/ConcaveRise.h"
#include "dsp/FarPeakLine.h"
#include "dsp/IspSpline.h"
#include "dsp/PeakHull.h"
#include "dsp/SignalBlock.h"
#include "dsp/SimdLevel.h"

#include <atomic>
#include <cstdint>
#include <memory>

struct SimdKernels;

class MaximizerCore {
public:
    static constexpr float kThreshold = 0.999f;
    static constexpr std::int32_t kConstructionRate = 44100;
    static constexpr float kConstructionLookAhead = 0.5f;
    static constexpr int kMaxFrames = kMaxChunkFrames; // frames per inner pass

    // On the vectors this machine is best run with, or on those of `level`
    // (at most supportedSimdLevel()); the output bits are the same.
    MaximizerCore() : MaximizerCore(preferredSimdLevel()) {}
    explicit MaximizerCore(SimdLevel level);

    // Buffers are resized only here, never while processing. A rate that
    // cannot be given buffers keeps the old rate and buffers, and answers false.
    bool setSampleRate(std::int32_t rate);
    void setLookAhead(float setting);
    // Any thread: parameter-derived values, each written whole.
    void setGain(float linearGain) { gain.store(linearGain, std::memory_order_relaxed); }
    // In one total order with the rate's stores and loads: whoever stores a
    // length and then finds the rate it was computed for still in place
    // knows that a later change of rate has yet to come.
    void setReleaseFrames(std::int32_t frames) { releaseFrames.store(frames); }
    void setSwitches(bool isp, bool link) {
        ispOn.store(isp ? 1 : 0, std::memory_order_relaxed);
        linkOn.store(link ? 1 : 0, std::memory_order_relaxed);
    }
    // Silences both lines and the spline histories and restarts the
    // envelopes; keeps the write position and the held meter peaks.
    void reset();

    // Audio thread: limits `frames` interleaved stereo frames from `in` into
    // `out` (which may be the same memory) and scales them by `ceiling`.
    // A NaN or infinite input sample counts as silence.
    void process(const float* in, float* out, int frames, float ceiling);

    // Any thread.
    std::int32_t sampleRate() const { return rate.load(); }
    std::int32_t lookAheadFrames() const { return lookAhead; }
    std::int32_t releaseLength() const { return releaseFrames.load(std::memory_order_relaxed); }
    float linearGain() const { return gain.load(std::memory_order_relaxed); }
    bool ispEnabled() const { return ispOn.load(std::memory_order_relaxed) != 0; }
    bool linkEnabled() const { return linkOn.load(std::memory_order_relaxed) != 0; }

    // What the meters read (audio thread): the channel gains of the last
    // frame, and the peaks held since the meters last decayed them.
    struct Meters {
        float channelGain[2] = {1.0f, 1.0f};
        float inputPeak[2] = {};  // clipped input, before the gain
        float outputPeak[2] = {}; // limited output, before the ceiling
    };
    Meters& meters() { return held; }
    const Meters& meters() const { return held; }

private:
    // The gain computers of both channels, index = channel.
    struct Envelopes {
        float envelope[2];    // >= kThreshold
        float slope[2];       // envelope change per frame
        float target[2];      // slope being aimed at
        std::int32_t hold[2]; // frames to the next look-ahead scan (0: scan now)
    };
    static constexpr Envelopes kResting = {
        {kThreshold, kThreshold}, {0.0f, 0.0f}, {0.0f, 0.0f}, {0, 0}};
    void clearLines();
    void clearSplines();

    // One pass over at most kMaxFrames frames, in stages: the peak estimates,
    // the delay line, then either a pass at rest or the frame loop and the
    // output stage. What another thread may change is read once, at its start.
    struct Settings {
        float gain;
        std::int32_t releaseFrames;
        bool isp;
        bool link;
    };
    void processChunk(const float* in, float* out, int frames, float ceiling);
    // Clip, gain and the peak estimates of the chunk's frames: `gained`
    // follows kSplineHistoryFrames frames of the splines' history.
    void estimatePeaks(const float* in, int frames, const Settings& settings, float* gained,
                       float* estimates);
    // Whether both channels rest: the envelope at the threshold, no slope,
    // no target and no scan to come.
    bool resting(std::int32_t releaseLength) const;
    // A chunk at rest, whose estimates all sit at the threshold: the lines
    // take its peaks, and the delayed frames leave at unity gain.
    void passAtRest(const float* delayed, int frames, float ceiling, float* out);
    // The gain computers, frame by frame: each frame's envelopes into
    // `envelopeFrames`. Returns the number of frames that scanned.
    int limitFrames(const float* estimates, int frames, std::int32_t releaseLength,
                    float* envelopeFrames);
    // The loop itself, with the concave runs tracked for its chunk or not.
    template <bool tracking>
    int limitFramesWith(const float* estimates, int frames, std::int32_t releaseLength,
                        float* envelopeFrames);

    // rate: the rate the buffers are sized for, Hz, read by parameter updates
    // on any thread; capacity: frames they can delay (16 ms); lookAhead: delay
    // and look-ahead in frames, <= capacity. All three change only in
    // setSampleRate / setLookAhead.
    // kernels: the vector kernels (the scan, the peak estimates and the
    // stages over whole chunks), chosen at construction.
    const SimdKernels* kernels;
    std::atomic<std::int32_t> rate{-1};
    std::int32_t capacity = 0;
    std::int32_t lookAhead = 0;
    float lookAheadSetting = -1.0f;
    // delayLine: gained samples of the last lookAhead frames, interleaved.
    // peakLines: per channel, 2 * capacity peak estimates (plus vector slack);
    // each estimate is written at frame p and p + lookAhead, so the frames
    // writePos + 1 .. writePos + lookAhead are the coming peaks in time order.
    std::unique_ptr<float[]> delayLine;
    std::unique_ptr<float[]> peakLines[2];
    // reciprocals[j] = 1 / j for every distance a scan can reach; &reciprocals[1]
    // is on a cache line's boundary inside reciprocalStorage.
    std::unique_ptr<float[]> reciprocalStorage;
    const float* reciprocals = nullptr;
    std::int32_t writePos = 0; // frame written this frame, 0 .. lookAhead - 1
    Envelopes envelopes = kResting;
    // splines: the last gained samples per channel, for the estimate; cleared
    // with the lines, and when the estimate is switched on again, since they
    // stand still while it is off. estimating: the last chunk ran the
    // estimate (audio thread).
    IspSpline splines[2];
    bool estimating = true;
    ConcaveRuns concaveRuns;
    // farLines, hulls: per channel, the line over the far coming peaks
    // (FarPeakLine.h) and their hull (PeakHull.h), sized with the lines;
    // clock: frames processed since construction, which number the frames
    // that both hold (audio thread).
    FarPeakLine farLines[2];
    PeakHull hulls[2];
    // swellRetryAt: no try to follow a swell's peaks four frames at a time
    // before this frame; swellBackOff: the frames waited after the last
    // try that did not take a whole block, doubling while they fail (the
    // frame loop, audio thread).
    std::uint64_t swellRetryAt = 0;
    int swellBackOff = 0;
    std::uint64_t clock = 0;
    Meters held;
    // Written by the parameter update on any thread, read once per pass.
    std::atomic<float> gain{1.0f};
    std::atomic<std::int32_t> releaseFrames{0};
    std::atomic<std::int32_t> ispOn{1};
    std::atomic<std::int32_t> linkOn{1};
};

static_assert(ConcaveRuns::kMaxFrames >= MaximizerCore::kMaxFrames,
              "concave runs are tracked for every frame of a pass");
