// brelto-peer-bench: Brelto.so against two peer limiter plug-ins in one run:
// LSP's Limiter Stereo, loaded like Brelto through its VST 2.4 entry point, and
// x42-dpl, the stereo Digital Peak Limiter of x42-plugins, through lilv. The
// same stereo signals at 44.1, 48 and 96 kHz in blocks of 512, with the same
// settings; only the processReplacing and run calls are timed, each repetition
// runs every limiter on every signal at every rate, and each figure is the
// median of the repetitions.
//   brelto-peer-bench --lsp PATH [--brelto PATH] [--repetitions N] [--seconds S]
#include "bench/BenchSignals.h"
#include "bench/Lv2Plugin.h"
#include "tools/demo/MusicSignal.h"
#include "tools/render/PluginSession.h"
#include "tools/render/UserUnits.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>

namespace {

using benchsignals::Signal;

constexpr int kRates[] = {44100, 48000, 96000};
constexpr int kBlock = 512;
constexpr int kDefaultRepetitions = 7;
constexpr double kDefaultSeconds = 20.0;
constexpr const char* kLspName = "Limiter Stereo";
constexpr const char* kX42Uri = "http://gareus.org/oss/lv2/dpl#stereo";

// Settings all limiters share.
constexpr double kCeilingDb = -0.3;
constexpr double kReleaseMs = 20.0;

struct Setup {
    int rate;
    double gainDb;
    double lookAheadMs; // Brelto's at this rate, for LSP's
};

struct Case {
    std::string name;
    Setup setup;
    Signal signal;
};

Signal scaled(Signal signal, double factor) {
    for (auto* channel : {&signal.left, &signal.right})
        for (float& s : *channel)
            s = static_cast<float>(s * factor);
    return signal;
}

// Pink noise at `rmsDb` dBFS RMS on the left.
Signal pinkNoiseAt(int frames, double rmsDb) {
    const Signal noise = benchsignals::pinkNoise(frames);
    double sum = 0.0;
    for (float s : noise.left)
        sum += static_cast<double>(s) * s;
    return scaled(noise, std::pow(10.0, rmsDb / 20.0) / std::sqrt(sum / frames));
}

// Appends the signals at `rate` to `all`.
void addCases(std::vector<Case>& all, int rate, double lookAheadMs, double seconds) {
    const int frames = static_cast<int>(rate * seconds);
    const auto add = [&](const std::string& name, double gainDb, Signal signal) {
        all.push_back({name, {rate, gainDb, lookAheadMs}, std::move(signal)});
    };
    add("silence", 0.0, benchsignals::silence(frames));
    const std::vector<float> music = musicExcerpt(rate, seconds, 0.5f);
    Signal split = benchsignals::silence(frames);
    for (int i = 0; i < frames; ++i) {
        split.left[i] = music[2 * i];
        split.right[i] = music[2 * i + 1];
    }
    add("music at -6 dBFS peak, below the ceiling", 0.0, std::move(split));
    const Signal noise = pinkNoiseAt(frames, -12.0);
    add("pink noise at -12 dBFS, +12 dB", 12.0, noise);
    add("pink noise at -12 dBFS, +18 dB", 18.0, noise);
    // Slow swells: while one rises, the limiter's envelope rises with it and
    // Brelto's look-ahead scan runs on nearly every frame.
    for (const double hz : {7.0, 3.5, 2.0, 1.0}) {
        char name[64];
        std::snprintf(name, sizeof name, "rectified %g Hz sine at -6 dBFS, +30 dB", hz);
        add(name, 30.0, scaled(benchsignals::rectifiedSine(rate, frames, hz, 1.0f), 0.5));
    }
    // Noise on a swell dents its rise on every frame.
    Signal swell = scaled(benchsignals::rectifiedSine(rate, frames, 2.0, 1.0f), 0.5);
    const Signal hiss = pinkNoiseAt(frames, -30.0);
    for (int i = 0; i < frames; ++i) {
        swell.left[i] += hiss.left[i];
        swell.right[i] += hiss.right[i];
    }
    add("rectified 2 Hz sine at -6 dBFS under pink noise at -30 dBFS, +30 dB", 30.0,
        std::move(swell));
    // Channels apart: each channel's scans come on frames of their own.
    Signal apart = scaled(benchsignals::rectifiedSine(rate, frames, 2.0, 1.0f), 0.5);
    apart.right = scaled(benchsignals::rectifiedSine(rate, frames, 3.0, 1.0f), 0.5).right;
    add("rectified sines at -6 dBFS, 2 Hz left and 3 Hz right, +30 dB", 30.0, std::move(apart));
}

// One limiter instance, set up and started; made anew for every run.
class Limiter {
public:
    virtual ~Limiter() = default;
    // The stereo buffers of the next run.
    virtual void connect(const float* const* in, float* const* out) = 0;
    virtual void run(int frames) = 0;
    // The latency it reports, in frames (its look-ahead).
    virtual int latency() = 0;
};

class VstLimiter final : public Limiter {
public:
    explicit VstLimiter(std::unique_ptr<PluginInstance> started) : plugin(std::move(started)) {
        for (auto* ports : {&inputs, &outputs}) {
            const int count = ports == &inputs ? plugin->inputCount() : plugin->outputCount();
            for (int c = 0; c < count; ++c)
                ports->push_back(spare.emplace_back(kBlock).data());
        }
    }
    void connect(const float* const* in, float* const* out) override {
        for (int c = 0; c < 2; ++c) {
            inputs[c] = const_cast<float*>(in[c]);
            outputs[c] = out[c];
        }
    }
    void run(int frames) override { plugin->process(inputs.data(), outputs.data(), frames); }
    int latency() override { return plugin->initialDelay(); }

private:
    std::unique_ptr<PluginInstance> plugin;
    // spare: a silent buffer per port, for those beyond the first two (a side
    // chain); inputs, outputs: the buffers of the next run.
    std::vector<std::vector<float>> spare;
    std::vector<float*> inputs, outputs;
};

class Lv2Limiter final : public Limiter {
public:
    Lv2Limiter(Lv2Plugin& plugin, double rate, const std::map<std::string, float>& controls)
        : instance(plugin, rate, controls) {}
    void connect(const float* const* in, float* const* out) override { instance.connect(in, out); }
    void run(int frames) override { instance.run(frames); }
    int latency() override { return static_cast<int>(instance.output("latency")); }

private:
    Lv2Instance instance;
};

void requireParameter(PluginInstance& plugin, const char* name, int& index) {
    index = plugin.findParameter(name);
    if (index < 0) throw RenderError(plugin.name() + " has no parameter " + name);
}

// Sets a parameter so that its display shows `target`, by bisection over the
// normalised value; displays rise with the value.
void setByDisplay(PluginInstance& plugin, const char* name, double target) {
    int index = 0;
    requireParameter(plugin, name, index);
    double low = 0.0, high = 1.0;
    for (int step = 0; step < 40; ++step) {
        const double middle = 0.5 * (low + high);
        plugin.setParameter(index, static_cast<float>(middle));
        const double shown = std::strtod(plugin.parameterDisplay(index).c_str(), nullptr);
        (shown < target ? low : high) = middle;
    }
    plugin.setParameter(index, static_cast<float>(high));
    const double shown = std::strtod(plugin.parameterDisplay(index).c_str(), nullptr);
    if (std::fabs(shown - target) > 0.01 * std::max(1.0, std::fabs(target)))
        throw RenderError(std::string("cannot set ") + name + " to " + std::to_string(target) +
                          ": it shows " + plugin.parameterDisplay(index));
}

void setSwitch(PluginInstance& plugin, const char* name, bool on) {
    int index = 0;
    requireParameter(plugin, name, index);
    plugin.setParameter(index, on ? 1.0f : 0.0f);
}

std::unique_ptr<PluginInstance> startedBrelto(PluginModule& module, const Setup& setup, bool isp) {
    auto plugin = module.instantiate();
    const auto set = [&](const char* option, const std::string& value) {
        const UserUnit& unit = *findUserUnit(option);
        int index = 0;
        requireParameter(*plugin, unit.parameter, index);
        plugin->setParameter(index, normalisedValue(unit, value));
    };
    set("--gain-db", std::to_string(setup.gainDb));
    set("--ceiling-db", std::to_string(kCeilingDb));
    set("--release-ms", std::to_string(kReleaseMs));
    set("--stereo", "on");
    set("--isp", isp ? "on" : "off");
    plugin->start(setup.rate, kBlock);
    return plugin;
}

std::unique_ptr<PluginInstance> startedLsp(PluginModule& module, const Setup& setup) {
    auto plugin = module.instantiate();
    setByDisplay(*plugin, "g_in", setup.gainDb);
    setByDisplay(*plugin, "g_out", 0.0);
    setByDisplay(*plugin, "th", kCeilingDb);
    // Sample peaks only: no oversampling (as created), no boost, no automatic
    // level regulation.
    setSwitch(*plugin, "boost", false);
    setSwitch(*plugin, "alr", false);
    setByDisplay(*plugin, "lk", setup.lookAheadMs);
    setByDisplay(*plugin, "at", setup.lookAheadMs);
    setByDisplay(*plugin, "rt", kReleaseMs);
    setByDisplay(*plugin, "slink", 100.0);
    plugin->start(setup.rate, kBlock);
    return plugin;
}

// x42-dpl's stereo variant always links its channels.
std::map<std::string, float> x42Controls(const Setup& setup) {
    return {{"gain", static_cast<float>(setup.gainDb)},
            {"threshold", static_cast<float>(kCeilingDb)},
            {"release", static_cast<float>(kReleaseMs / 1000.0)},
            {"truepeak", 0.0f}};
}

struct Contender {
    const char* name;
    std::function<std::unique_ptr<Limiter>(const Setup&)> make;
};

struct Run {
    double seconds;
    float peak; // of the output
    int latency;
};

// Feeds the signal through buffers of one block, as a host does: their input
// is in the cache when the limiter reads it, wherever the signal lies.
Run timeOnce(Limiter& limiter, const Signal& signal) {
    std::vector<float> inLeft(kBlock), inRight(kBlock), outLeft(kBlock), outRight(kBlock);
    const float* in[2] = {inLeft.data(), inRight.data()};
    float* out[2] = {outLeft.data(), outRight.data()};
    Run run{0.0, 0.0f, 0};
    std::chrono::steady_clock::duration busy{};
    const int total = static_cast<int>(signal.left.size());
    for (int done = 0; done < total; done += kBlock) {
        const int frames = std::min(kBlock, total - done);
        std::copy_n(signal.left.begin() + done, frames, inLeft.begin());
        std::copy_n(signal.right.begin() + done, frames, inRight.begin());
        limiter.connect(in, out);
        const auto started = std::chrono::steady_clock::now();
        limiter.run(frames);
        busy += std::chrono::steady_clock::now() - started;
        for (const float* channel : out)
            for (int i = 0; i < frames; ++i)
                run.peak = std::max(run.peak, std::fabs(channel[i]));
    }
    run.seconds = std::chrono::duration<double>(busy).count();
    run.latency = limiter.latency();
    return run;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

double toDb(float level) {
    return level > 0.0f ? 20.0 * std::log10(level) : -INFINITY;
}

struct Options {
    std::string brelto = PluginLibrary::programFolder() + "Brelto.so";
    std::string lsp;
    int repetitions = kDefaultRepetitions;
    double seconds = kDefaultSeconds;
};

bool parse(int argc, char** argv, Options& options) {
    if (argc % 2 == 0) return false; // options come in pairs
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--brelto") == 0)
            options.brelto = argv[i + 1];
        else if (std::strcmp(argv[i], "--lsp") == 0)
            options.lsp = argv[i + 1];
        else if (std::strcmp(argv[i], "--repetitions") == 0)
            options.repetitions = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--seconds") == 0)
            options.seconds = std::max(1.0, std::atof(argv[i + 1]));
        else
            return false;
    }
    return !options.lsp.empty();
}

std::unique_ptr<Limiter> vst(std::unique_ptr<PluginInstance> plugin) {
    return std::make_unique<VstLimiter>(std::move(plugin));
}

// What the runs of one signal gave, by contender.
struct Measured {
    std::vector<std::vector<double>> seconds; // one per run
    std::vector<float> peaks;                 // of the output
    std::vector<int> latencies;
    explicit Measured(std::size_t contenders)
        : seconds(contenders), peaks(contenders), latencies(contenders) {}
};

void printRow(const Case& c, const Measured& measured) {
    const auto frames = static_cast<double>(c.signal.left.size());
    std::vector<double> ns;
    for (const auto& runs : measured.seconds)
        ns.push_back(1e9 * median(runs) / frames);
    std::printf("| %s | %g |", c.name.c_str(), c.setup.rate / 1000.0);
    for (double value : ns)
        std::printf(" %.2f |", value);
    std::printf(" %.2f | %.2f | %.2f |", ns[0] / ns[2], ns[1] / ns[2], ns[0] / ns[3]);
    for (std::size_t k = 0; k < ns.size(); ++k)
        std::printf("%s %.2f", k ? "," : "", toDb(measured.peaks[k]));
    std::printf(" |\n");
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: brelto-peer-bench --lsp PATH [--brelto PATH] "
                             "[--repetitions N] [--seconds S]\n");
        return 2;
    }
    try {
        PluginModule brelto(options.brelto), lsp(options.lsp);
        if (lsp.instantiate()->name() != kLspName)
            throw RenderError(options.lsp + " is not LSP's " + kLspName);
        Lv2Plugin x42(kX42Uri);
        // The ratios take these in this order.
        const std::vector<Contender> contenders = {
            {"Brelto ISP off",
             [&](const Setup& s) { return vst(startedBrelto(brelto, s, false)); }},
            {"Brelto ISP on", [&](const Setup& s) { return vst(startedBrelto(brelto, s, true)); }},
            {"x42-dpl",
             [&](const Setup& s) -> std::unique_ptr<Limiter> {
                 return std::make_unique<Lv2Limiter>(x42, s.rate, x42Controls(s));
             }},
            {"LSP", [&](const Setup& s) { return vst(startedLsp(lsp, s)); }},
        };
        std::printf("Nanoseconds per stereo frame, medians of %d runs of %g s per signal in "
                    "blocks of %d; ceiling %.1f dB, release %.0f ms, channels linked, x42-dpl's "
                    "true peak and LSP's oversampling off; output peaks in the order of the "
                    "columns\n\n",
                    options.repetitions, options.seconds, kBlock, kCeilingDb, kReleaseMs);
        std::printf("| signal | kHz |");
        for (const Contender& contender : contenders)
            std::printf(" %s |", contender.name);
        std::printf(" ISP off / x42-dpl | ISP on / x42-dpl | ISP off / LSP | output peaks, dBFS |"
                    "\n|---|---|---|---|---|---|---|---|---|---|\n");
        std::vector<Case> cases;
        for (const int rate : kRates) {
            const int lookAhead = startedBrelto(brelto, {rate, 0.0, 0.0}, false)->initialDelay();
            addCases(cases, rate, 1000.0 * lookAhead / rate, options.seconds);
        }
        std::vector<Measured> measured(cases.size(), Measured(contenders.size()));
        // Each repetition runs every limiter on every signal at every rate, so
        // drifts of the machine's load hit all alike.
        for (int r = 0; r < options.repetitions; ++r)
            for (std::size_t s = 0; s < cases.size(); ++s)
                for (std::size_t c = 0; c < contenders.size(); ++c) {
                    const Run run = timeOnce(*contenders[c].make(cases[s].setup), cases[s].signal);
                    measured[s].seconds[c].push_back(run.seconds);
                    measured[s].peaks[c] = run.peak;
                    measured[s].latencies[c] = run.latency;
                }
        std::string reported;
        for (std::size_t s = 0; s < cases.size(); ++s) {
            printRow(cases[s], measured[s]);
            if (s + 1 < cases.size() && cases[s + 1].setup.rate == cases[s].setup.rate) continue;
            reported += "\n" + std::to_string(cases[s].setup.rate) + " Hz:";
            for (std::size_t c = 0; c < contenders.size(); ++c)
                reported += std::string(c ? ", " : " ") + contenders[c].name + " " +
                            std::to_string(measured[s].latencies[c]);
        }
        std::printf("\nLatencies reported, in frames (LSP's look-ahead set to Brelto's):%s\n",
                    reported.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "brelto-peer-bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
