// What the report tells about a render: levels, loudness and loudness range
// of the input and the output (libebur128, and an oversampled true peak of
// our own), and the gain reduction the limiter applied.
#pragma once

#include "tools/render/FanOut.h"
#include "tools/render/Resampler.h"

#include <ebur128.h>

#include <memory>
#include <vector>

struct LevelTrace;

// The true peak as the sample peak of a band-limited reconstruction at
// kOversampling times the rate, through the resampler. libebur128's estimate
// oversamples only 4 times (twice from 88.2 kHz on) through a short filter
// and reads bright, clipped material low.
class OversampledPeak {
public:
    static constexpr int kOversampling = 8;

    OversampledPeak(int channels, int rate);
    void add(const float* interleaved, int frames);
    // Takes in the tail of the filter's answer; add() may not follow.
    void finish();
    // Linear; 0 for silence.
    double peak() const { return highest; }
    // Raises `values` in `trace` at each reconstructed sample's place;
    // `traceFramesPerFrame`: frames of the trace per frame given to add().
    void traceInto(LevelTrace& trace, std::vector<double>& values, double traceFramesPerFrame);

private:
    void take(int frames);

    Resampler upsampler;
    std::vector<float> upsampled; // the frames of the last call at its start, reused
    int channels;
    float highest = 0.0f; // the largest magnitude so far
    long long made = 0;   // reconstructed frames so far
    LevelTrace* trace = nullptr;
    std::vector<double>* traced = nullptr;
    double traceFramesPerSample = 0.0;
};

// Sample peak, true peak (both meters), integrated loudness and loudness
// range of interleaved audio.
class LevelMeter {
public:
    // Throws RenderError when libebur128 or libsoxr refuses the layout.
    // `onThreads`: libebur128 and the oversampled meter each take the frames
    // in on a thread of their own, so that add() returns as soon as it has
    // copied them.
    LevelMeter(int channels, int rate, bool onThreads = false);
    LevelMeter(const LevelMeter&) = delete; // its threads hold its address
    LevelMeter& operator=(const LevelMeter&) = delete;
    void add(const float* interleaved, int frames);
    // Ends the stream: the oversampled meter takes in its filter's tail.
    void finish();
    // Waits until every frame given has been taken in, without ending the
    // stream: what a trace shows of a stream whose figures come from elsewhere.
    void settle();
    // Raises the true peaks of each window in `trace`, libebur128's and the
    // oversampled meter's apart; `traceFramesPerFrame`: frames of the trace
    // per frame given to add().
    void traceInto(LevelTrace& trace, double traceFramesPerFrame);

    // In dB relative to full scale; minus infinity for silence.
    double samplePeakDb() const;
    double truePeakDb() const; // libebur128's
    double oversampledPeakDb() const;
    // LUFS; minus infinity when nothing rose above the absolute gate.
    double loudnessLufs() const;
    // LU (EBU Tech 3342); 0 for a stream too short or too quiet to have one.
    double loudnessRangeLu() const;

    // The same figures of several streams played one after another.
    static double loudnessLufs(const std::vector<const LevelMeter*>& meters);
    static double loudnessRangeLu(const std::vector<const LevelMeter*>& meters);

private:
    // Into libebur128, window by window of a trace.
    void addToLoudness(const float* interleaved, int frames);
    // The highest of the channels' readings, linear.
    double peakOf(int (*read)(ebur128_state*, unsigned int, double*)) const;
    static std::vector<ebur128_state*> statesOf(const std::vector<const LevelMeter*>& meters);

    struct Release {
        void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
    };
    std::unique_ptr<ebur128_state, Release> state;
    OversampledPeak oversampled;
    int channels;
    long long given = 0; // frames given to libebur128 so far
    LevelTrace* trace = nullptr;
    double traceScale = 1.0; // frames of the trace per frame given
    // The meters' threads, until the stream is settled; destroyed first, as
    // they use the rest.
    std::unique_ptr<FanOut> threads;
};

// Levels over time for a picture of a render: the largest value in each
// window of frames of the aligned streams, linear levels and reduction in dB.
struct LevelTrace {
    int rate = 0;
    long long windowFrames = 1;
    std::vector<double> inputPeak, outputPeak, reductionDb;
    // The output's true peak on each meter, apart, so that each meter's
    // thread writes its own; the higher is the output's true peak.
    std::vector<double> outputTruePeak, outputOversampledPeak;

    // About `windows` windows over `frames` frames.
    LevelTrace(long long frames, int rate, int windows);
    LevelTrace() = default;
    // Raises the window of `frame` in `values` to `value`; frames past the end are ignored.
    void raise(std::vector<double>& values, long long frame, double value) const;
    // The peak of interleaved frames into `values` from `firstFrame` on, of a
    // stream with `scale` frames of the trace per frame.
    void raisePeaks(std::vector<double>& values, long long firstFrame, const float* interleaved,
                    int frames, int channels, double scale = 1.0) const;
    // How many frames of such a stream, from `frame` on, fall in the same window.
    long long framesLeftInWindow(long long frame, double scale) const;
};

// Gain reduction, compared frame by frame: the output against the input as
// the plug-in's gain and ceiling alone would have left it. The input is
// delayed by the plug-in's latency here, so both streams are given as they
// enter and leave the plug-in.
class GainReductionMeter {
public:
    GainReductionMeter(double expectedGain, int latencyFrames);
    // Stereo frames, interleaved, of the same stretch of the stream.
    void add(const float* input, const float* output, int frames);
    // Also records the reduction of each aligned frame in `trace`.
    void traceInto(LevelTrace& trace) { traced = &trace; }

    // Largest and average reduction in dB (0 when nothing was reduced); the
    // average is taken over the frames that carry signal.
    double largestDb() const { return largest; }
    double averageDb() const { return measured > 0 ? total / static_cast<double>(measured) : 0.0; }

private:
    double expectedGain;
    std::vector<float> delayed; // the last latency input frames, a ring
    std::size_t position = 0;
    double largest = 0.0;
    double total = 0.0;
    long long measured = 0;
    int latency;
    long long processed = 0; // frames given to add() so far
    LevelTrace* traced = nullptr;
};
