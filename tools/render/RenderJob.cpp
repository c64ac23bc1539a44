#include "tools/render/RenderJob.h"

#include "tools/bank/BankFile.h"
#include "tools/render/DistinctFiles.h"
#include "tools/render/Plot.h"
#include "tools/render/RenderPass.h"
#include "tools/render/StopSignals.h"

#include "dsp/ParameterLaws.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

std::string parameterList(PluginInstance& instance) {
    std::string list;
    for (int i = 0; i < instance.parameterCount(); ++i)
        list += (i ? ", " : "") + instance.parameterName(i);
    return list;
}

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
    // Brelto answers 0 to a chunk in which it finds none of its settings;
    // other plug-ins' answers mean nothing.
    if (isBrelto(instance) && instance.setChunk(bank.chunk) == 0)
        throw RenderError("cannot load the state " + path + ": it holds no settings of " +
                          instance.name());
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
    if (brelto) {
        setup.gainIndex = instance.findParameter("Gain");
        setup.ceilingIndex = instance.findParameter("OutCeil");
    }
    if ((request.goal.loudness || request.goal.truePeak) && !brelto)
        throw RenderError("--target-lufs and --true-peak set Brelto's gain and ceiling; " +
                          instance.name() + " is not Brelto");
    setup.apply(instance);
    return setup;
}

// Brelto's gain and ceiling in dB as the search would set them.
float gainValueOf(double db) {
    return static_cast<float>(std::clamp(laws::gainValue(db), 0.0, 1.0));
}
float ceilingValueOf(double db) {
    return static_cast<float>(std::clamp(laws::ceilingValue(db), 0.0, 1.0));
}

void keep(RenderReport& report, const PassResult& pass, const AudioJob& job, const Setup& setup) {
    if (report.renders == 1) report.input = pass.input;
    report.output = pass.output;
    report.gainReductionKnown = pass.gainReductionKnown;
    report.largestReductionDb = pass.largestReductionDb;
    report.averageReductionDb = pass.averageReductionDb;
    report.processedFrames = pass.processedFrames;
    report.processSeconds = pass.processSeconds;
    report.latencyFrames = job.latencyFrames;
    report.aligned = job.aligned;
    report.dithered = pass.dithered;
    if (setup.gainIndex >= 0) {
        report.gainDb = laws::gainDb(pass.gain) + pass.trimDb;
        report.ceilingDb = laws::ceilingDb(pass.ceiling);
        report.parameters[static_cast<std::size_t>(setup.gainIndex)].second = pass.gain;
        report.parameters[static_cast<std::size_t>(setup.ceilingIndex)].second = pass.ceiling;
    }
}

void saveState(const std::string& path, PluginInstance& instance) {
    BankFile bank;
    bank.pluginId = instance.uniqueId();
    bank.pluginVersion = instance.version();
    bank.programCount = static_cast<std::uint32_t>(std::max(instance.programCount(), 1));
    bank.chunk = instance.chunk();
    const std::vector<unsigned char> bytes = encodeBankFile(bank, BankSizeField::Recorded);
    writeFileAtomically(path, bytes.data(), bytes.size());
}

} // namespace

double StreamFigures::highestTruePeakDb() const {
    return std::max(truePeakDb, oversampledPeakDb);
}

std::string defaultOutputPath(const std::string& input, const std::string& extension,
                              const std::string& outDir) {
    const std::size_t slash = input.rfind('/');
    const std::size_t dot = input.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && dot > (slash == std::string::npos ? 0 : slash + 1);
    const std::string stem = hasExtension ? input.substr(0, dot) : input;
    if (outDir.empty()) return stem + ".limited" + extension;
    const std::string name = slash == std::string::npos ? stem : stem.substr(slash + 1);
    return outDir + (outDir.back() == '/' ? "" : "/") + name + extension;
}

FileRender::FileRender(const RenderRequest& asked) : request(asked), module(asked.plugin) {
    if (!request.input.empty()) {
        const std::string notRendered = request.input + " was not rendered";
        throwIfStopped(notRendered);
        try {
            audio = std::make_unique<AudioJob>(request);
        } catch (const RenderError&) {
            throwIfStopped(notRendered); // a signal ended the wait for a FIFO's writer
            throw;
        }
    }
    requireDistinctFiles(request, audio ? audio->outputPath : "");
    auto instance = module.instantiate();
    setup = std::make_unique<Setup>(prepare(request, *instance));
    if (setup->gainIndex >= 0) {
        startGain = laws::gainDb(instance->parameter(setup->gainIndex));
        startCeiling = laws::ceilingDb(instance->parameter(setup->ceilingIndex));
    }
    figures.pluginName = instance->name();
    figures.pluginPath = request.plugin;
    figures.loadedState = request.loadState;
    figures.goal = request.goal;
    figures.preset = request.preset;
    for (int i = 0; i < instance->parameterCount(); ++i)
        figures.parameters.emplace_back(instance->parameterName(i), instance->parameter(i));
    if (!request.saveState.empty()) {
        saveState(request.saveState, *instance);
        figures.savedState = request.saveState;
    }
    if (!audio) return;
    audio->measureDelay(request, module, *setup);
    if (audio->latencyFrames < 0 && request.align)
        std::fprintf(stderr, "brelto-render: no impulse came through the plug-in; "
                             "the output is not aligned\n");
}

FileRender::~FileRender() = default;

// The last render's temporary file goes before the next is made.
void FileRender::render(const PassSettings& settings) {
    last.reset();
    last = std::make_unique<PassResult>(renderPass(*audio, request, module, *setup, settings));
    ++figures.renders;
    if (last->inputMeter) inputLevels = std::move(last->inputMeter);
    keep(figures, *last, *audio, *setup);
}

Attempt FileRender::renderAt(double gainDb, double ceilingDb) {
    PassSettings settings;
    settings.trace = !request.plot.empty();
    settings.gain = gainValueOf(std::max(gainDb, 0.0));
    settings.trimDb = std::min(gainDb, 0.0);
    settings.ceiling = ceilingValueOf(ceilingDb);
    settings.measureInput = figures.renders == 0;
    render(settings);
    return Attempt{figures.gainDb, figures.ceilingDb, figures.output.loudnessLufs,
                   figures.output.highestTruePeakDb()};
}

void FileRender::renderAsSet() {
    PassSettings settings;
    settings.trace = !request.plot.empty();
    settings.measureInput = figures.renders == 0;
    render(settings);
}

const LevelMeter& FileRender::outputMeter() const {
    return *last->outputMeter;
}

const LevelMeter& FileRender::inputMeter() const {
    return *inputLevels;
}

void FileRender::commit() {
    throwIfStopped(audio->outputPath + " was not written");
    if (!request.plot.empty()) writePlot(request.plot, last->trace, figures);
    last->writer->commit();
    figures.rendered = true;
    figures.plot = request.plot;
}

RenderReport runRender(const RenderRequest& request) {
    FileRender file(request);
    if (!file.hasAudio()) return file.report();
    const LevelGoal& goal = request.goal;
    if (goal.loudness || goal.truePeak)
        searchLevels(
            goal, file.startGainDb(), file.startCeilingDb(),
            [&](double gainDb, double ceilingDb) { return file.renderAt(gainDb, ceilingDb); });
    else
        file.renderAsSet();
    file.commit();
    return file.report();
}
