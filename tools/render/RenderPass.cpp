#include "tools/render/RenderPass.h"

#include "tools/render/Conversion.h"
#include "tools/render/Plot.h"
#include "tools/render/Progress.h"
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

void measureStream(StreamFigures& figures, const LevelMeter& meter) {
    figures.samplePeakDb = meter.samplePeakDb();
    figures.truePeakDb = meter.truePeakDb();
    figures.loudnessLufs = meter.loudnessLufs();
}

// Brelto's gain and ceiling as its parameters stand; 0 for other plug-ins.
double expectedGain(PluginInstance& instance, const Setup& setup) {
    if (setup.gainIndex < 0) return 0.0;
    return laws::linearGain(instance.parameter(setup.gainIndex)) *
           laws::linearCeiling(instance.parameter(setup.ceilingIndex));
}

// Measures the output's frames and records their true peak per window of the
// trace, feeding the meter window by window.
void measureOutput(LevelMeter& meter, PassResult& result, const float* held, int frames,
                   int channels, bool tracing) {
    if (!tracing) {
        meter.add(held, frames);
        return;
    }
    LevelTrace& trace = result.trace;
    long long frame = result.output.frames;
    trace.raisePeaks(trace.outputPeak, frame, held, frames, channels);
    for (int done = 0; done < frames;) {
        const int piece = static_cast<int>(
            std::min<long long>(frames - done, trace.windowFrames - frame % trace.windowFrames));
        meter.add(held + done * channels, piece);
        trace.raise(trace.outputTruePeak, frame, meter.lastTruePeak());
        done += piece;
        frame += piece;
    }
}

// The output as a decoder reads it back from the completed temporary file.
void measureWritten(PassResult& result, const AudioFormat& out) {
    result.writer->close();
    AudioReader reader(result.writer->written());
    LevelMeter meter(out.channels, out.rate);
    std::vector<float> frames(static_cast<std::size_t>(kBlockFrames * out.channels));
    for (int got; (got = reader.read(frames.data(), kBlockFrames)) > 0;)
        meter.add(frames.data(), got);
    measureStream(result.output, meter);
}

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
    out.format = chooseOutputFormat(in, request.format, request.output);
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
    GainReductionMeter reduction(gain, latency);
    if (settings.trace) reduction.traceInto(result.trace);
    LevelMeter inputLevel(in.channels, in.rate), outputLevel(out.channels, out.rate);
    SampleConversion conversion(out.format, request.dither);
    result.dithered = conversion.dithered();
    result.writer = std::make_unique<AudioWriter>(job.outputPath, out);
    Progress progress(request.progress, reader.frames(), in.rate);

    instance->start(in.rate, kBlockFrames);
    Channels channels(*instance);
    std::vector<float> fileFrames(static_cast<std::size_t>(kBlockFrames * in.channels));
    std::vector<float> held(fileFrames.size());
    std::vector<float> stereoIn(kStereo * kBlockFrames), stereoOut(kStereo * kBlockFrames);
    int toSkip = delay, toFlush = delay;
    long long read = 0;
    std::chrono::steady_clock::duration busy{};
    for (;;) {
        throwIfStopped(job.outputPath + " was not written");
        int frames = reader.read(fileFrames.data(), kBlockFrames);
        if (frames > 0) {
            if (settings.measureInput) inputLevel.add(fileFrames.data(), frames);
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
            channels.in[0][i] = stereoIn[kStereo * i] = frame[0];
            channels.in[1][i] = stereoIn[kStereo * i + 1] = frame[in.channels - 1];
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
        const int kept = frames - skipped;
        for (int i = skipped; i < frames; ++i)
            for (int c = 0; c < out.channels; ++c)
                fileFrames[static_cast<std::size_t>((i - skipped) * out.channels + c)] =
                    channels.out[c][i];
        conversion.convert(fileFrames.data(), held.data(), kept * out.channels);
        result.writer->write(fileFrames.data(), kept);
        measureOutput(outputLevel, result, held.data(), kept, out.channels, settings.trace);
        result.output.frames += kept;
        progress.update(result.processedFrames);
        if (request.progressed)
            request.progressed(static_cast<double>(result.processedFrames) /
                               static_cast<double>(std::max(1LL, reader.frames() + delay)));
    }
    progress.finish();
    result.processSeconds = std::chrono::duration<double>(busy).count();
    if (settings.measureInput) measureStream(result.input, inputLevel);
    if (conversion.heldExactly())
        measureStream(result.output, outputLevel);
    else
        measureWritten(result, out);
    result.largestReductionDb = reduction.largestDb();
    result.averageReductionDb = reduction.averageDb();
    return result;
}
