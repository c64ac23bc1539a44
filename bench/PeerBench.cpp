// brelto-peer-bench: Brelto.so against a peer limiter plug-in (the stereo
// limiter of LSP), both loaded through their VST 2.4 entry points by the same
// host, on the same 60 s stereo signals with comparable settings. Only the
// processReplacing calls are timed; each figure is the median of several runs.
//   brelto-peer-bench --peer PATH [--brelto PATH] [--repetitions N]
#include "tools/demo/MusicSignal.h"
#include "tools/render/PluginSession.h"
#include "tools/render/UserUnits.h"
#include "tools/signals/TestSignals.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 60;
constexpr int kFrames = kRate * kSeconds;
constexpr int kBlock = 512;
constexpr int kDefaultRepetitions = 9;
constexpr double kPi = 3.141592653589793;
constexpr const char* kPeerName = "Limiter Stereo";

// Settings both limiters share.
constexpr double kCeilingDb = -0.3;
constexpr double kReleaseMs = 10.0;
constexpr double kLookAheadMs = 5.0; // Brelto's look-ahead at 44.1 kHz

struct Signal {
    const char* name;
    double gainDb;
    std::vector<float> left, right;
};

double rmsOf(const std::vector<float>& samples) {
    double sum = 0.0;
    for (float s : samples)
        sum += static_cast<double>(s) * s;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

// Pink noise by Paul Kellet's economy filter, at -12 dBFS RMS.
Signal pinkNoise() {
    Signal signal{"pink noise at -12 dBFS, +18 dB", 18.0, {}, {}};
    for (auto* channel : {&signal.left, &signal.right}) {
        signals::Random random(channel == &signal.left ? 7u : 11u);
        double b0 = 0.0, b1 = 0.0, b2 = 0.0;
        for (int i = 0; i < kFrames; ++i) {
            const double white = random.bipolar();
            b0 = 0.99765 * b0 + white * 0.0990460;
            b1 = 0.96300 * b1 + white * 0.2965164;
            b2 = 0.57000 * b2 + white * 1.0526913;
            channel->push_back(static_cast<float>(b0 + b1 + b2 + white * 0.1848));
        }
    }
    const double scale = std::pow(10.0, -12.0 / 20.0) / rmsOf(signal.left);
    for (auto* channel : {&signal.left, &signal.right})
        for (float& s : *channel)
            s = static_cast<float>(s * scale);
    return signal;
}

std::vector<Signal> benchmarkSignals() {
    std::vector<Signal> all;
    all.push_back({"silence", 0.0, std::vector<float>(kFrames), std::vector<float>(kFrames)});
    Signal music{"music at -6 dBFS peak, below the ceiling", 0.0, {}, {}};
    const std::vector<float> frames = musicExcerpt(kRate, kSeconds, 0.5f);
    for (int i = 0; i < kFrames; ++i) {
        music.left.push_back(frames[2 * i]);
        music.right.push_back(frames[2 * i + 1]);
    }
    all.push_back(std::move(music));
    all.push_back(pinkNoise());
    // Every falling half of the wave makes the look-ahead scan run on each frame.
    Signal worst{"rectified 7 Hz sine at -6 dBFS, +30 dB", 30.0, {}, {}};
    for (int i = 0; i < kFrames; ++i)
        worst.left.push_back(
            static_cast<float>(0.5 * std::fabs(std::sin(2 * kPi * 7.0 * i / kRate))));
    worst.right = worst.left;
    all.push_back(std::move(worst));
    return all;
}

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

void configureBrelto(PluginInstance& plugin, double gainDb) {
    const auto set = [&](const char* option, const std::string& value) {
        const UserUnit& unit = *findUserUnit(option);
        int index = 0;
        requireParameter(plugin, unit.parameter, index);
        plugin.setParameter(index, normalisedValue(unit, value));
    };
    set("--gain-db", std::to_string(gainDb));
    set("--ceiling-db", std::to_string(kCeilingDb));
    set("--release-ms", std::to_string(kReleaseMs));
    set("--stereo", "on");
    // Peaks between samples are estimated by Brelto's ISP and by LSP's
    // oversampling; both are off, so both limit sample peaks.
    set("--isp", "off");
}

void configurePeer(PluginInstance& plugin, double gainDb) {
    setByDisplay(plugin, "g_in", gainDb);
    setByDisplay(plugin, "g_out", 0.0);
    setByDisplay(plugin, "th", kCeilingDb);
    setSwitch(plugin, "boost", false);
    setSwitch(plugin, "alr", false);
    setByDisplay(plugin, "lk", kLookAheadMs);
    setByDisplay(plugin, "at", kLookAheadMs);
    setByDisplay(plugin, "rt", kReleaseMs);
    setByDisplay(plugin, "slink", 100.0);
}

struct Run {
    double seconds;
    float peak; // of the output
};

Run timeOnce(PluginModule& module, const Signal& signal,
             const std::function<void(PluginInstance&, double)>& configure) {
    auto plugin = module.instantiate();
    configure(*plugin, signal.gainDb);
    plugin->start(kRate, kBlock);
    std::vector<std::vector<float>> extraIn(static_cast<std::size_t>(plugin->inputCount()),
                                            std::vector<float>(kBlock));
    std::vector<std::vector<float>> out(static_cast<std::size_t>(plugin->outputCount()),
                                        std::vector<float>(kBlock));
    std::vector<float*> inputs, outputs;
    for (auto& channel : extraIn)
        inputs.push_back(channel.data());
    for (auto& channel : out)
        outputs.push_back(channel.data());
    Run run{0.0, 0.0f};
    std::chrono::steady_clock::duration busy{};
    for (int done = 0; done < kFrames; done += kBlock) {
        const int frames = std::min(kBlock, kFrames - done);
        inputs[0] = const_cast<float*>(signal.left.data() + done);
        inputs[1] = const_cast<float*>(signal.right.data() + done);
        const auto started = std::chrono::steady_clock::now();
        plugin->process(inputs.data(), outputs.data(), frames);
        busy += std::chrono::steady_clock::now() - started;
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < frames; ++i)
                run.peak = std::max(run.peak, std::fabs(out[c][i]));
    }
    run.seconds = std::chrono::duration<double>(busy).count();
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

} // namespace

int main(int argc, char** argv) {
    std::string breltoPath = PluginLibrary::programFolder() + "Brelto.so";
    std::string peerPath;
    int repetitions = kDefaultRepetitions;
    bool understood = argc % 2 == 1; // options come in pairs
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--brelto") == 0)
            breltoPath = argv[i + 1];
        else if (std::strcmp(argv[i], "--peer") == 0)
            peerPath = argv[i + 1];
        else if (std::strcmp(argv[i], "--repetitions") == 0)
            repetitions = std::max(1, std::atoi(argv[i + 1]));
        else
            understood = false;
    }
    if (peerPath.empty() || !understood) {
        std::fprintf(stderr,
                     "usage: brelto-peer-bench --peer PATH [--brelto PATH] [--repetitions N]\n");
        return 2;
    }
    try {
        PluginModule brelto(breltoPath), peer(peerPath);
        if (peer.instantiate()->name() != kPeerName)
            throw RenderError(peerPath + " is not LSP's " + kPeerName);
        const std::vector<Signal> signals = benchmarkSignals();
        std::vector<std::vector<double>> breltoTimes(signals.size()), peerTimes(signals.size());
        std::vector<float> breltoPeak(signals.size()), peerPeak(signals.size());
        // Repetitions interleave the two plug-ins, so drifts of the machine hit both.
        for (int r = 0; r < repetitions; ++r) {
            for (std::size_t s = 0; s < signals.size(); ++s) {
                const Run ours = timeOnce(brelto, signals[s], configureBrelto);
                const Run theirs = timeOnce(peer, signals[s], configurePeer);
                breltoTimes[s].push_back(ours.seconds);
                peerTimes[s].push_back(theirs.seconds);
                breltoPeak[s] = ours.peak;
                peerPeak[s] = theirs.peak;
            }
        }
        std::printf("%d s of stereo at %d Hz in blocks of %d; medians of %d runs; ceiling %.1f dB, "
                    "release %.0f ms, look-ahead %.0f ms, channels linked, no oversampling\n\n",
                    kSeconds, kRate, kBlock, repetitions, kCeilingDb, kReleaseMs, kLookAheadMs);
        std::printf("| signal | Brelto.so | LSP %s | Brelto / LSP | output peaks (Brelto, LSP) |\n",
                    kPeerName);
        std::printf("|---|---|---|---|---|\n");
        for (std::size_t s = 0; s < signals.size(); ++s) {
            const double ours = median(breltoTimes[s]), theirs = median(peerTimes[s]);
            std::printf("| %s | %.1f ms | %.1f ms | %.2f | %.2f, %.2f dBFS |\n", signals[s].name,
                        1000.0 * ours, 1000.0 * theirs, ours / theirs, toDb(breltoPeak[s]),
                        toDb(peerPeak[s]));
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "brelto-peer-bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
