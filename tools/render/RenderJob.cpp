#include "tools/render/RenderJob.h"

#include "tools/bank/BankFile.h"
#include "tools/render/AudioFile.h"
#include "tools/render/Measurements.h"
#include "tools/render/Progress.h"
#include "tools/render/UserUnits.h"

#include "core/Identity.h"
#include "dsp/ParameterLaws.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>
#include <iterator>

namespace {

constexpr int kBlockFrames = 1024;
constexpr int kStereo = 2;
constexpr int kMaxChannels = 2;
// The impulse that measures the delay, and how long its answer is awaited.
constexpr float kImpulse = 0.5f;
constexpr int kLatencyWindowSeconds = 1;
constexpr float kSilence = 1e-6f;

std::atomic<bool> stopRequested{false};

void requestStop(int) {
    stopRequested = true;
}

bool isBrelto(PluginInstance& instance) {
    return instance.uniqueId() == static_cast<std::uint32_t>(identity::kUniqueId) &&
           instance.name() == identity::kEffectName;
}

std::string parameterList(PluginInstance& instance) {
    std::string list;
    for (int i = 0; i < instance.parameterCount(); ++i)
        list += (i ? ", " : "") + instance.parameterName(i);
    return list;
}

// Everything that makes an instance sound as asked, checked against the plug-in.
struct Setup {
    std::vector<unsigned char> state; // bank chunk, empty for none
    std::vector<std::pair<int, float>> values;

    void apply(PluginInstance& instance) const {
        if (!state.empty()) instance.setChunk(state);
        for (const auto& [index, value] : values)
            instance.setParameter(index, value);
    }
};

std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw RenderError("cannot read " + path);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    if (file.bad()) throw RenderError("cannot read " + path);
    return bytes;
}

std::vector<unsigned char> loadState(const std::string& path, PluginInstance& instance) {
    BankFile bank;
    std::string why;
    if (!decodeBankFile(readBytes(path), bank, why))
        throw RenderError("cannot load the state " + path + ": " + why);
    if (bank.pluginId != instance.uniqueId())
        throw RenderError("cannot load the state " + path + ": it holds settings of the plug-in '" +
                          fourCharacters(bank.pluginId) + "', not of " + instance.name() + " ('" +
                          fourCharacters(instance.uniqueId()) + "')");
    return bank.chunk;
}

Setup prepare(const RenderRequest& request, PluginInstance& instance) {
    Setup setup;
    if ((!request.loadState.empty() || !request.saveState.empty()) && !instance.keepsChunks())
        throw RenderError(instance.name() + " keeps no chunk; its state cannot be loaded or saved");
    if (!request.loadState.empty()) setup.state = loadState(request.loadState, instance);
    const bool brelto = isBrelto(instance);
    for (const ParameterSetting& setting : request.settings) {
        if (setting.breltoUnits && !brelto)
            throw RenderError(setting.given + ": user units are Brelto's; " + instance.name() +
                              " takes --param NAME=VALUE with VALUE in 0..1");
        int index = setting.index;
        if (!setting.name.empty()) {
            index = instance.findParameter(setting.name);
            if (index < 0)
                throw RenderError(setting.given + ": " + instance.name() + " has no parameter " +
                                  setting.name + "; its parameters are " + parameterList(instance));
        } else if (index >= instance.parameterCount()) {
            throw RenderError(setting.given + ": no parameter " + std::to_string(index) +
                              "; the valid indexes are 0.." +
                              std::to_string(instance.parameterCount() - 1));
        }
        setup.values.emplace_back(index, setting.value);
    }
    setup.apply(instance);
    return setup;
}

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

// The input opened and checked and the output chosen, before anything is written.
struct AudioJob {
    AudioReader reader;
    AudioFormat in, out;
    std::string outputPath;

    explicit AudioJob(const RenderRequest& request) : reader(request.input) {
        in = out = reader.format();
        if (in.channels < 1 || in.channels > kMaxChannels)
            throw RenderError(request.input + " has " + std::to_string(in.channels) +
                              " channels; brelto-render takes mono or stereo files");
        out.format = chooseOutputFormat(in, request.format, request.output);
        outputPath = request.output.empty()
                         ? defaultOutputPath(request.input, extensionOf(out.format))
                         : request.output;
    }
};

// Brelto's gain and ceiling as its parameters stand; 0 for other plug-ins.
double expectedGain(PluginInstance& instance) {
    if (!isBrelto(instance)) return 0.0;
    return laws::linearGain(instance.parameter(instance.findParameter("Gain"))) *
           laws::linearCeiling(instance.parameter(instance.findParameter("OutCeil")));
}

void renderAudio(AudioJob& job, const RenderRequest& request, PluginModule& module,
                 PluginInstance& instance, const Setup& setup, RenderReport& report) {
    AudioReader& reader = job.reader;
    const AudioFormat& in = job.in;
    const AudioFormat& out = job.out;
    const std::string& outputPath = job.outputPath;
    report.input = {request.input, describeFormat(in.format), in.rate, in.channels,
                    reader.frames()};
    report.output = {outputPath, describeFormat(out.format), out.rate, out.channels, 0};

    report.latencyFrames = measureLatency(module, setup, in.rate);
    if (report.latencyFrames < 0 && request.align)
        std::fprintf(stderr, "brelto-render: no impulse came through the plug-in; "
                             "the output is not aligned\n");
    const int latency = std::max(report.latencyFrames, 0);
    report.aligned = request.align && report.latencyFrames >= 0;
    const int delay = report.aligned ? latency : 0;

    const double gain = expectedGain(instance);
    report.gainReductionKnown = gain > 0.0;
    GainReductionMeter reduction(gain, latency);
    LevelMeter inputLevel(in.channels, in.rate), outputLevel(out.channels, out.rate);
    AudioWriter writer(outputPath, out);
    Progress progress(request.progress, reader.frames(), in.rate);

    instance.start(in.rate, kBlockFrames);
    Channels channels(instance);
    std::vector<float> fileFrames(static_cast<std::size_t>(kBlockFrames * in.channels));
    std::vector<float> stereoIn(kStereo * kBlockFrames), stereoOut(kStereo * kBlockFrames);
    int toSkip = delay, toFlush = delay;
    std::chrono::steady_clock::duration busy{};
    for (;;) {
        if (stopRequested) throw RenderError("stopped; " + outputPath + " was not written");
        int frames = reader.read(fileFrames.data(), kBlockFrames);
        if (frames > 0) {
            inputLevel.add(fileFrames.data(), frames);
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
        instance.process(channels.inPointers.data(), channels.outPointers.data(), frames);
        busy += std::chrono::steady_clock::now() - started;
        report.processedFrames += frames;

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
        writer.write(fileFrames.data(), frames - skipped);
        outputLevel.add(fileFrames.data(), frames - skipped);
        report.output.frames += frames - skipped;
        progress.update(report.processedFrames);
    }
    progress.finish();
    writer.commit();
    report.rendered = true;
    report.processSeconds = std::chrono::duration<double>(busy).count();
    measureStream(report.input, inputLevel);
    measureStream(report.output, outputLevel);
    report.largestReductionDb = reduction.largestDb();
    report.averageReductionDb = reduction.averageDb();
}

} // namespace

std::string defaultOutputPath(const std::string& input, const std::string& extension) {
    const std::size_t slash = input.rfind('/');
    const std::size_t dot = input.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && dot > (slash == std::string::npos ? 0 : slash + 1);
    return (hasExtension ? input.substr(0, dot) : input) + ".limited" + extension;
}

void stopOnSignals() {
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
}

RenderReport runRender(const RenderRequest& request) {
    PluginModule module(request.plugin);
    auto instance = module.instantiate();
    const Setup setup = prepare(request, *instance);
    std::unique_ptr<AudioJob> audio;
    if (!request.input.empty()) audio = std::make_unique<AudioJob>(request);

    RenderReport report;
    report.pluginName = instance->name();
    report.pluginPath = request.plugin;
    report.loadedState = request.loadState;
    for (int i = 0; i < instance->parameterCount(); ++i)
        report.parameters.emplace_back(instance->parameterName(i), instance->parameter(i));
    if (!request.saveState.empty()) {
        BankFile bank;
        bank.pluginId = instance->uniqueId();
        bank.pluginVersion = instance->version();
        bank.programCount = static_cast<std::uint32_t>(std::max(instance->programCount(), 1));
        bank.chunk = instance->chunk();
        const std::vector<unsigned char> bytes = encodeBankFile(bank, BankSizeField::Recorded);
        writeFileAtomically(request.saveState, bytes.data(), bytes.size());
        report.savedState = request.saveState;
    }
    if (audio) renderAudio(*audio, request, module, *instance, setup, report);
    return report;
}
