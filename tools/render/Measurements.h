// What the report tells about a render: levels and loudness of the input and
// the output (libebur128), and the gain reduction the limiter applied.
#pragma once

#include <ebur128.h>

#include <memory>
#include <vector>

// Sample peak, true peak and integrated loudness of interleaved audio.
class LevelMeter {
public:
    // Throws RenderError when libebur128 refuses the layout.
    LevelMeter(int channels, int rate);
    void add(const float* interleaved, int frames);
    // The true peak of the frames of the last add(), as a linear level.
    double lastTruePeak() const;

    // In dB relative to full scale; minus infinity for silence.
    double samplePeakDb() const;
    double truePeakDb() const;
    // LUFS; minus infinity when nothing rose above the absolute gate.
    double loudnessLufs() const;

private:
    double peakDb(int (*read)(ebur128_state*, unsigned int, double*)) const;

    struct Release {
        void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
    };
    std::unique_ptr<ebur128_state, Release> state;
    int channels;
};

// Levels over time for a picture of a render: the largest value in each
// window of frames of the aligned streams, linear levels and reduction in dB.
struct LevelTrace {
    int rate = 0;
    long long windowFrames = 1;
    std::vector<double> inputPeak, outputPeak, outputTruePeak, reductionDb;

    // About `windows` windows over `frames` frames.
    LevelTrace(long long frames, int rate, int windows);
    LevelTrace() = default;
    // Raises the window of `frame` in `values` to `value`; frames past the end are ignored.
    void raise(std::vector<double>& values, long long frame, double value) const;
    // The peak of interleaved frames into `values` from `firstFrame` on.
    void raisePeaks(std::vector<double>& values, long long firstFrame, const float* interleaved,
                    int frames, int channels) const;
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
