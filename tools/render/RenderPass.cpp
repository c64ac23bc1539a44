#include "tools/render/RenderPass.h"

#include "tools/render/Conversion.h"
#include "tools/render/Plot.h"
#include "tools/render/Progress.h"
#include "tools/render/Resampler.h"
#include "tools/render/StopSignals.h"

#include "core/Identity.h"
#include "dsp/ParameterLaws.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kBlockFrames = 1024;
constexpr int kStereo = 2;
constexpr int kMaxChannels = 2;
// The impulse that measures the delay, and how long its answer is awaited.
constexpr float kImpulse = 0.5f;
constexpr int kLatencyWindowSeconds = 1;
constexpr float kSilence = 1e-6f;
constexpr double kDbPerDecade = 20.0;

// Buffers for one instance's inputs and outputs; extra inputs stay silent.
struct Channels {
    std::vector<std::vector<float>> in, out;
    std::vector<float*> inPointers, outPointers;

    explicit Channels(PluginInstance& instance)
        : in(static_cast<std::size_t>(instance.inputCount()), std::vector<float>(kBlockFrames)),
          out(static_cast<std::size_t>(instance.outputCount()), std::vector<float>(kBlockFrames)) {
        for (auto& channel : in)
            inPointers.push_back(channel.data());
        for (auto& channel : out)
            outPointers.push_back(channel.data());
    }
};

// The frame at which an impulse at frame 0 leaves a fresh instance; -1 when
// nothing comes out.
int measureLatency(PluginModule& module, const Setup& setup, int rate) {
    auto instance = module.instantiate();
    setup.apply(*instance);
    instance->start(rate, kBlockFrames);
    Channels channels(*instance);
    channels.in[0][0] = channels.in[1][0] = kImpulse;
    float loudest = kSilence;
    int latency = -1;
    for (int done = 0; done < rate * kLatencyWindowSeconds; done += kBlockFrames) {
        instance->process(channels.inPointers.data(), channels.outPointers.data(), kBlockFrames);
        channels.in[0][0] = channels.in[1][0] = 0.0f;
        for (int i = 0; i < kBlockFrames; ++i) {
            const float level = std::fabs(channels.out[0][i]) + std::fabs(channels.out[1][i]);
            if (level > loudest) {
                loudest = level;
                latency = done + i;
            }
        }
    }
    return latency;
}

void measureStream(StreamFigures& figures, LevelMeter& meter) {
    meter.finish();
    figures.samplePeakDb = meter.samplePeakDb();
    figures.truePeakDb = meter.truePeakDb();
    figures.oversampledPeakDb = meter.oversampledPeakDb();
    figures.loudnessLufs = meter.loudnessLufs();
    figures.loudnessRangeLu = meter.loudnessRangeLu();
}

// Brelto's gain and ceiling as its parameters stand; 0 for other plug-ins.
double expectedGain(PluginInstance& instance, const Setup& setup) {
    if (setup.gainIndex < 0) return 0.0;
    return laws::linearGain(instance.parameter(setup.gainIndex)) *
           laws::linearCeiling(instance.parameter(setup.ceilingIndex));
}

// The output as a decoder reads it back from the completed temporary file.
void measureWritten(PassResult& result, const AudioFormat& out, bool onThreads) {
    result.writer->close();
    AudioReader reader(result.writer->written());
    result.outputMeter = std::make_unique<LevelMeter>(out.channels, out.rate, onThreads);
    std::vector<float> frames(static_cast<std::size_t>(kBlockFrames * out.channels));
    for (int got; (got = reader.read(frames.data(), kBlockFrames)) > 0;)
        result.outputMeter->add(frames.data(), got);
    measureStream(result.output, *result.outputMeter);
}

// The plug-in's output on its way into the file, last steps first: converted
// to the output's rate, rounded (and dithered) to the output's samples,
// written, and measured on the values the file holds. The trace of a render
// counts in the input's frames.
class OutputStage {
public:
    OutputStage(const AudioJob& job, const RenderRequest& request, PassResult& result, bool tracing)
        : out(job.out), conversion(job.out.format, request.dither), result(result),
          traceScale(static_cast<double>(job.in.rate) / job.out.rate), tracing(tracing),
          onThreads(request.measureOnThreads) {
        if (out.rate != job.in.rate)
            resampler = std::make_unique<Resampler>(out.channels, job.in.rate, out.rate);
        result.dithered = conversion.dithered();
        result.outputMeter = std::make_unique<LevelMeter>(out.channels, out.rate, onThreads);
        if (tracing) result.outputMeter->traceInto(result.trace, traceScale);
        result.writer = std::make_unique<AudioWriter>(job.outputPath, out);
    }

    // Interleaved frames at the input's rate; the samples may be changed.
    void add(float* frames, int count) {
        if (!resampler) return emit(frames, count);
        emit(converted.data(), resampler->process(frames, count, converted));
    }

    void finish() {
        if (resampler) emit(converted.data(), resampler->finish(converted));
        if (conversion.heldExactly()) {
            measureStream(result.output, *result.outputMeter);
        } else {
            // The trace shows the samples as they went in; the figures are the file's.
            result.outputMeter->settle();
            measureWritten(result, out, onThreads);
        }
    }

private:
    void emit(float* frames, int count) {
        if (count == 0) return;
        held.resize(static_cast<std::size_t>(count * out.channels));
        conversion.convert(frames, held.data(), count * out.channels);
        result.writer->write(frames, count);
        // What a lossy file holds is known only once it is decoded.
        if (conversion.heldExactly() || tracing) measure(count);
        result.output.frames += count;
    }

    void measure(int frames) {
        if (tracing)
            result.trace.raisePeaks(result.trace.outputPeak, result.output.frames, held.data(),
                                    frames, out.channels, traceScale);
        result.outputMeter->add(held.data(), frames);
    }

    const AudioFormat& out;
    SampleConversion conversion;
    PassResult& result;
    std::unique_ptr<Resampler> resampler;
    std::vector<float> converted, held;
    double traceScale;
    bool tracing;
    bool onThreads;
};

} // namespace

void Setup::apply(PluginInstance& instance) const {
    if (!state.empty()) instance.setChunk(state);
    for (const auto& [index, value] : values)
        instance.setParameter(index, value);
}

bool isBrelto(PluginInstance& instance) {
    return instance.uniqueId() == static_cast<std::uint32_t>(identity::kUniqueId) &&
           instance.name() == identity::kEffectName;
}

AudioJob::AudioJob(const RenderRequest& request) : reader(request.input) {
    in = out = reader.format();
    if (in.channels < 1 || in.channels > kMaxChannels)
        throw RenderError(request.input + " has " + std::to_string(in.channels) +
                          " channels; brelto-render takes mono or stereo files");
    if (request.rate > 0) out.rate = request.rate;
    out.format = chooseOutputFormat(out, request.format, request.output);
    outputPath = request.output.empty()
                     ? defaultOutputPath(request.input, extensionOf(out.format), request.outDir)
                     : request.output;
    SampleConversion check(out.format, request.dither); // refuses dither it cannot do, early
    const long long promised = reader.promisedFrames();
    if (promised > reader.frames())
        std::fprintf(stderr,
                     "brelto-render: %s: its header promises %lld frames, the file holds %lld; "
                     "only those are rendered\n",
                     request.input.c_str(), promised, reader.frames());
}

void AudioJob::measureDelay(const RenderRequest& request, PluginModule& module,
                            const Setup& setup) {
    latencyFrames = measureLatency(module, setup, in.rate);
    aligned = request.align && latencyFrames >= 0;
}

PassResult renderPass(AudioJob& job, const RenderRequest& request, PluginModule& module,
                      const Setup& setup, const PassSettings& settings) {
    AudioReader& reader = job.reader;
    const AudioFormat& in = job.in;
    const AudioFormat& out = job.out;
    reader.rewind();
    auto instance = module.instantiate();
    setup.apply(*instance);
    if (settings.gain >= 0.0f) instance->setParameter(setup.gainIndex, settings.gain);
    if (settings.ceiling >= 0.0f) instance->setParameter(setup.ceilingIndex, settings.ceiling);

    PassResult result;
    if (setup.gainIndex >= 0) {
        result.gain = instance->parameter(setup.gainIndex);
        result.ceiling = instance->parameter(setup.ceilingIndex);
    }
    result.input = {request.input, describeFormat(in.format), in.rate, in.channels,
                    reader.frames()};
    result.output = {job.outputPath, describeFormat(out.format), out.rate, out.channels, 0};
    if (settings.trace) result.trace = LevelTrace(reader.frames(), in.rate, kTraceWindows);

    const int latency = std::max(job.latencyFrames, 0);
    const int delay = job.aligned ? latency : 0;
    const double gain = expectedGain(*instance, setup);
    result.gainReductionKnown = gain > 0.0;
    result.trimDb = settings.trimDb;
    const auto trim = static_cast<float>(std::pow(10.0, settings.trimDb / kDbPerDecade));
    GainReductionMeter reduction(gain, latency);
    if (settings.trace) reduction.traceInto(result.trace);
    if (settings.measureInput)
        result.inputMeter =
            std::make_unique<LevelMeter>(in.channels, in.rate, request.measureOnThreads);
    OutputStage output(job, request, result, settings.trace);
    Progress progress(request.progress, reader.frames(), in.rate);

    instance->start(in.rate, kBlockFrames);
    Channels channels(*instance);
    std::vector<float> fileFrames(static_cast<std::size_t>(kBlockFrames * in.channels));
    std::vector<float> stereoIn(kStereo * kBlockFrames), stereoOut(kStereo * kBlockFrames);
    int toSkip = delay, toFlush = delay;
    long long read = 0;
    std::chrono::steady_clock::duration busy{};
    for (;;) {
        throwIfStopped(job.outputPath + " was not written");
        int frames = reader.read(fileFrames.data(), kBlockFrames);
        if (frames > 0) {
            if (result.inputMeter) result.inputMeter->add(fileFrames.data(), frames);
            if (settings.trace)
                result.trace.raisePeaks(result.trace.inputPeak, read, fileFrames.data(), frames,
                                        in.channels);
            read += frames;
        } else if (toFlush > 0) {
            frames = std::min(toFlush, kBlockFrames);
            toFlush -= frames;
            std::fill(fileFrames.begin(), fileFrames.end(), 0.0f);
        } else {
            break;
        }
        for (int i = 0; i < frames; ++i) {
            const float* frame = &fileFrames[static_cast<std::size_t>(i * in.channels)];
            channels.in[0][i] = stereoIn[kStereo * i] = frame[0] * trim;
            channels.in[1][i] = stereoIn[kStereo * i + 1] = frame[in.channels - 1] * trim;
        }
        const auto started = std::chrono::steady_clock::now();
        instance->process(channels.inPointers.data(), channels.outPointers.data(), frames);
        busy += std::chrono::steady_clock::now() - started;
        result.processedFrames += frames;

        for (int i = 0; i < frames; ++i) {
            stereoOut[kStereo * i] = channels.out[0][i];
            stereoOut[kStereo * i + 1] = channels.out[1][i];
        }
        reduction.add(stereoIn.data(), stereoOut.data(), frames);
        const int skipped = std::min(toSkip, frames);
        toSkip -= skipped;
        for (int i = skipped; i < frames; ++i)
            for (int c = 0; c < out.channels; ++c)
                fileFrames[static_cast<std::size_t>((i - skipped) * out.channels + c)] =
                    channels.out[c][i];
        output.add(fileFrames.data(), frames - skipped);
        progress.update(result.processedFrames);
        if (request.progressed)
            request.progressed(static_cast<double>(result.processedFrames) /
                               static_cast<double>(std::max(1LL, reader.frames() + delay)));
    }
    progress.finish();
    output.finish();
    result.processSeconds = std::chrono::duration<double>(busy).count();
    if (result.inputMeter) measureStream(result.input, *result.inputMeter);
    result.largestReductionDb = reduction.largestDb();
    result.averageReductionDb = reduction.averageDb();
    return result;
}
