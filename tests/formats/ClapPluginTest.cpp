// Brelto.clap as a CLAP host uses it, through the test host of ClapHost.h:
// its descriptor, ports and parameters with the editor's texts; audio with
// parameter events on an audio thread of the host's, which must give the
// bits of Brelto.so at the same settings and frames; its latency; and its
// state, which must be the chunk Brelto.so stores.
#include "dsp/ParameterLaws.h"
#include "tests/formats/ClapHost.h"
#include "tools/pluginhost/RecordingHost.h"
#include "tools/signals/TestSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <set>
#include <thread>
#include <vector>

namespace {

constexpr const char* kId = "com.quenor.brelto";
constexpr clap_id kCeiling = 0, kGain = 1, kRelease = 2, kStereo = 3, kIsp = 4;
constexpr std::uint32_t kSeed = 20261209;

std::string clapFile() {
    return PluginLibrary::programFolder() + "Brelto.clap";
}

TEST(ClapPlugin, DescribesItselfItsPortsAndItsParametersInTheEditorsTexts) {
    ClapModule module(clapFile());
    ASSERT_NE(module.factory, nullptr) << module.error;
    ASSERT_EQ(module.factory->get_plugin_count(module.factory), 1u);
    const clap_plugin_descriptor_t* plugin =
        module.factory->get_plugin_descriptor(module.factory, 0);
    ASSERT_NE(plugin, nullptr);
    std::string features;
    for (const char* const* feature = plugin->features; *feature != nullptr; ++feature)
        features += std::string(features.empty() ? "" : " ") + *feature;
    std::printf("plug-in %s: %s by %s, version %s, CLAP %u.%u; features %s\n", plugin->id,
                plugin->name, plugin->vendor, plugin->version, plugin->clap_version.major,
                plugin->clap_version.minor, features.c_str());
    EXPECT_STREQ(plugin->id, kId);
    EXPECT_STREQ(plugin->name, "Brelto");
    EXPECT_STREQ(plugin->vendor, "Quenor");
    EXPECT_EQ(plugin->clap_version.major, 1u);
    EXPECT_EQ(features, "audio-effect mastering limiter stereo");

    ClapHost host;
    EXPECT_EQ(module.factory->create_plugin(module.factory, host.record(), "com.quenor.other"),
              nullptr);
    ClapInstance instance(module, host, kId);
    ASSERT_TRUE(instance.made());
    for (const bool input : {true, false}) {
        ASSERT_EQ(instance.audioPorts->count(instance.plugin, input), 1u);
        clap_audio_port_info_t port{};
        ASSERT_TRUE(instance.audioPorts->get(instance.plugin, 0, input, &port));
        EXPECT_EQ(port.channel_count, 2u);
        EXPECT_STREQ(port.port_type, "stereo");
        EXPECT_NE(port.flags & CLAP_AUDIO_PORT_IS_MAIN, 0u);
        EXPECT_FALSE(instance.audioPorts->get(instance.plugin, 1, input, &port));
    }

    struct Expected {
        const char* name;
        double minimum, maximum, byDefault;
        bool stepped;
        const char* text;
    };
    const Expected expected[] = {
        {"Ceiling", -30.0, 0.0, 0.0, false, "0.0 dB"},
        {"Gain", 0.0, 30.0, 0.0, false, "0.0 dB"},
        {"Release", 1.0, 100.0, 3.16227766, false, "3.2 ms"},
        {"Stereo link", 0.0, 1.0, 1.0, true, "On"},
        {"Inter-sample peaks", 0.0, 1.0, 1.0, true, "On"},
    };
    ASSERT_EQ(instance.params->count(instance.plugin), 5u);
    for (std::uint32_t i = 0; i < 5; ++i) {
        clap_param_info_t info{};
        ASSERT_TRUE(instance.params->get_info(instance.plugin, i, &info));
        std::printf("parameter %u \"%s\": %g..%g, default %g (%s)%s\n", info.id, info.name,
                    info.min_value, info.max_value, info.default_value,
                    instance.text(info.id, info.default_value).c_str(),
                    info.flags & CLAP_PARAM_IS_STEPPED ? ", stepped" : "");
        EXPECT_EQ(info.id, i); // the VST 2.4 parameter indexes, which hosts keep already
        EXPECT_STREQ(info.name, expected[i].name);
        EXPECT_EQ(info.min_value, expected[i].minimum);
        EXPECT_EQ(info.max_value, expected[i].maximum);
        EXPECT_NEAR(info.default_value, expected[i].byDefault, 1e-6);
        EXPECT_EQ((info.flags & CLAP_PARAM_IS_STEPPED) != 0, expected[i].stepped);
        EXPECT_NE(info.flags & CLAP_PARAM_IS_AUTOMATABLE, 0u);
        EXPECT_EQ(instance.value(info.id), info.default_value);
        EXPECT_EQ(instance.text(info.id, info.default_value), expected[i].text);
        // Every text reads back as a value that shows the same text.
        for (const double units :
             {info.min_value, info.max_value, 0.37 * info.max_value + 0.63 * info.min_value}) {
            const std::string text = instance.text(info.id, units);
            double back = -1000.0;
            EXPECT_TRUE(
                instance.params->text_to_value(instance.plugin, info.id, text.c_str(), &back));
            EXPECT_EQ(instance.text(info.id, back), text) << info.name << " " << units;
        }
    }
    // The editor is there for hosts that can idle it, also when a host that
    // makes an instance only to list the plug-in offers no timers.
    ASSERT_NE(instance.gui, nullptr);
    EXPECT_TRUE(instance.gui->is_api_supported(instance.plugin, "x11", false));
    EXPECT_FALSE(instance.gui->is_api_supported(instance.plugin, "x11", true));
    ClapHost listing;
    listing.offerTimers = false;
    ClapInstance listed(module, listing, kId);
    ASSERT_TRUE(listed.made());
    EXPECT_TRUE(listed.gui->is_api_supported(listed.plugin, "x11", false));
    EXPECT_FALSE(listed.gui->create(listed.plugin, "x11", false));

    clap_param_info_t none{};
    EXPECT_FALSE(instance.params->get_info(instance.plugin, 5, &none));
    EXPECT_EQ(instance.text(kGain, 15.0), "15.0 dB");
    EXPECT_EQ(instance.text(kGain, 45.0), "30.0 dB");
    EXPECT_EQ(instance.text(kRelease, 10.0), "10.0 ms");
    EXPECT_EQ(instance.text(kCeiling, -6.0), "-6.0 dB");
    EXPECT_EQ(instance.text(kStereo, 0.0), "Off");
    EXPECT_EQ(instance.text(7, 0.0), "(none)");

    struct Read {
        clap_id param;
        const char* text;
        bool read;
        double units;
    };
    const Read reads[] = {
        {kGain, "15", true, 15.0},        {kCeiling, " -3.5 db ", true, -3.5},
        {kCeiling, "12 dB", true, 0.0},   {kIsp, "off", true, 0.0},
        {kStereo, "ON", true, 1.0},       {kStereo, "0.2", true, 0.0},
        {kGain, "12 ms", false, 0.0},     {kGain, "loud", false, 0.0},
        {kRelease, "nan ms", false, 0.0}, {kGain, "", false, 0.0},
    };
    for (const Read& read : reads) {
        double units = -1000.0;
        EXPECT_EQ(instance.params->text_to_value(instance.plugin, read.param, read.text, &units),
                  read.read)
            << read.text;
        if (read.read) {
            EXPECT_EQ(units, read.units) << read.text;
        }
    }
}

// Settings changes at frames of the session: parameter id and value in its units.
struct Change {
    std::uint32_t frame;
    clap_id param;
    double units;
};
const std::vector<Change> kChanges = {
    {0, kGain, 12.0},     {0, kRelease, 40.0},     {10007, kStereo, 0.0},  {31111, kCeiling, -0.5},
    {50000, kIsp, 0.0},   {77777, kGain, 18.0},    {100003, kStereo, 1.0}, {100003, kIsp, 1.0},
    {120001, kGain, 6.0}, {120001, kRelease, 5.0},
};

// The plug-in's value 0..1 for a setting, by its laws.
float normalised(const Change& change) {
    switch (change.param) {
    case kCeiling:
        return static_cast<float>(laws::ceilingValue(change.units));
    case kGain:
        return static_cast<float>(laws::gainValue(change.units));
    case kRelease:
        return static_cast<float>(laws::releaseValue(change.units));
    default:
        return change.units >= 0.5 ? 1.0f : 0.0f;
    }
}

// Brelto.so through its record at rate, its parameters set between blocks
// at the frames of the changes; the output, interleaved.
std::vector<float> renderVst(const std::vector<float>& input, float rate, std::uint32_t block,
                             VstInt32& latency) {
    PluginLibrary library(PluginLibrary::programFolder() + "Brelto.so");
    RecordingHost host;
    host.recordCalls = false;
    AEffect* effect = host.open(library.entry());
    host.dispatch(effect, effSetSampleRate, 0, 0, nullptr, rate);
    host.dispatch(effect, effSetBlockSize, 0, block);
    host.dispatch(effect, effMainsChanged, 0, 1);
    latency = effect->initialDelay;
    const auto frames = static_cast<std::uint32_t>(input.size() / 2);
    std::set<std::uint32_t> cuts = {frames};
    for (std::uint32_t at = 0; at < frames; at += block)
        cuts.insert(at);
    for (const Change& change : kChanges)
        cuts.insert(change.frame);
    std::vector<float> channels[4];
    for (int c = 0; c < 2; ++c)
        for (std::uint32_t i = 0; i < frames; ++i)
            channels[c].push_back(input[2 * i + c]);
    channels[2].resize(frames);
    channels[3].resize(frames);
    for (auto cut = cuts.begin(); std::next(cut) != cuts.end(); ++cut) {
        for (const Change& change : kChanges)
            if (change.frame == *cut)
                effect->setParameter(effect, static_cast<VstInt32>(change.param),
                                     normalised(change));
        float* in[2] = {channels[0].data() + *cut, channels[1].data() + *cut};
        float* out[2] = {channels[2].data() + *cut, channels[3].data() + *cut};
        effect->processReplacing(effect, in, out, static_cast<VstInt32>(*std::next(cut) - *cut));
    }
    host.close(effect);
    std::vector<float> output;
    for (std::uint32_t i = 0; i < frames; ++i)
        output.insert(output.end(), {channels[2][i], channels[3][i]});
    return output;
}

// The same through Brelto.clap, in place, on an audio thread of the host's,
// the changes sent as events inside the blocks. Meanwhile the main thread
// runs mainRound, once at least and again until the audio is done, as a
// host's window works beside the audio.
std::vector<float> renderClap(ClapInstance& instance, const std::vector<float>& input,
                              std::uint32_t block, const std::vector<Change>& changes,
                              const std::function<void()>& mainRound) {
    const auto frames = static_cast<std::uint32_t>(input.size() / 2);
    std::vector<float> channels[2];
    for (int c = 0; c < 2; ++c)
        for (std::uint32_t i = 0; i < frames; ++i)
            channels[c].push_back(input[2 * i + c]);
    auto render = [&] {
        const clap_plugin_t* plugin = instance.plugin;
        ASSERT_TRUE(plugin->start_processing(plugin));
        InputEvents in;
        OutputEvents out;
        for (std::uint32_t start = 0; start < frames; start += block) {
            const std::uint32_t count = std::min(block, frames - start);
            in.clear();
            for (const Change& change : changes)
                if (change.frame >= start && change.frame < start + count)
                    in.add(change.frame - start, change.param, change.units);
            float* data[2] = {channels[0].data() + start, channels[1].data() + start};
            clap_audio_buffer_t inputs{data, nullptr, 2, 0, 0};
            clap_audio_buffer_t outputs{data, nullptr, 2, 0, 0};
            const clap_process_t process{start, count, nullptr,   &inputs,   &outputs,
                                         1,     1,     in.list(), out.list()};
            ASSERT_EQ(plugin->process(plugin, &process), CLAP_PROCESS_CONTINUE);
        }
        plugin->stop_processing(plugin);
        EXPECT_TRUE(out.events.empty()); // no edits but the editor's go back
    };
    std::atomic<bool> rendered{false};
    std::thread audio([&] {
        render();
        rendered = true;
    });
    do
        mainRound();
    while (!rendered);
    audio.join();
    std::vector<float> output;
    for (std::uint32_t i = 0; i < frames; ++i)
        output.insert(output.end(), {channels[0][i], channels[1][i]});
    return output;
}

// The bits of Brelto.so with the same changes at the same frames, while the
// main thread reads values, texts, the latency and the state; the latency
// that Brelto.so reports, announced while the host activates.
TEST(ClapPlugin, RendersTheBitsOfTheVstPluginWithParameterEvents) {
    ClapModule module(clapFile());
    ClapHost host;
    ClapInstance instance(module, host, kId);
    ASSERT_TRUE(instance.made()) << module.error;
    constexpr std::uint32_t kBlock = 480;
    const std::vector<float> input = signals::varied(3 * 48000, kSeed);

    ASSERT_TRUE(instance.activate(48000.0, kBlock));
    EXPECT_EQ(host.latencyChanges, 1);
    const std::size_t stateSize = instance.save().size();
    int rounds = 0, unsound = 0;
    const std::vector<float> output = renderClap(instance, input, kBlock, kChanges, [&] {
        for (clap_id param = kCeiling; param <= kIsp; ++param)
            unsound += instance.text(param, instance.value(param)) == "(none)";
        unsound += instance.latency->get(instance.plugin) != 768;
        unsound += instance.save().size() != stateSize;
        ++rounds;
    });
    EXPECT_EQ(unsound, 0) << "in " << rounds << " rounds";
    VstInt32 vstLatency = 0;
    const std::vector<float> vstOutput = renderVst(input, 48000.0f, kBlock, vstLatency);
    ASSERT_EQ(output.size(), vstOutput.size());
    const auto differ = std::mismatch(output.begin(), output.end(), vstOutput.begin());
    EXPECT_TRUE(differ.first == output.end())
        << "sample " << (differ.first - output.begin()) << " differs: " << *differ.first
        << " against " << *differ.second;
    EXPECT_NE(output, input);
    EXPECT_EQ(instance.latency->get(instance.plugin), static_cast<std::uint32_t>(vstLatency));
    EXPECT_EQ(vstLatency, 768);

    // Another rate: another latency, told while the host activates again.
    instance.deactivate();
    ASSERT_TRUE(instance.activate(44100.0, kBlock));
    EXPECT_EQ(host.latencyChanges, 2);
    EXPECT_EQ(instance.latency->get(instance.plugin), 705u);
    EXPECT_EQ(host.restarts, 0);

    // A block without two stereo channels is refused, its outputs untouched.
    float mono[kBlock] = {};
    float* data[1] = {mono};
    clap_audio_buffer_t one{data, nullptr, 1, 0, 0};
    const clap_process_t wrong{0, kBlock, nullptr, &one, &one, 1, 1, nullptr, nullptr};
    EXPECT_EQ(instance.plugin->process(instance.plugin, &wrong), CLAP_PROCESS_ERROR);
    EXPECT_EQ(host.offMainThread, 0);
}

// The state is the chunk that Brelto.so keeps at the same settings; it
// restores, read in small pieces, into another instance, which the host is
// told to read again, also while processing. A stream that fails changes
// nothing.
TEST(ClapPlugin, StateIsTheVstChunkAtTheSameSettings) {
    ClapModule module(clapFile());
    ClapHost host;
    ClapInstance saved(module, host, kId);
    ASSERT_TRUE(saved.made()) << module.error;
    InputEvents settings;
    const Change loud[] = {
        {0, kCeiling, -1.0}, {0, kGain, 15.0}, {0, kRelease, 20.0}, {0, kStereo, 0.0}};
    for (const Change& change : loud)
        settings.add(0, change.param, change.units);
    OutputEvents out;
    saved.flush(settings, out);
    EXPECT_EQ(saved.value(kGain), 15.0);
    const std::vector<unsigned char> state = saved.save();

    PluginLibrary library(PluginLibrary::programFolder() + "Brelto.so");
    RecordingHost vstHost;
    AEffect* effect = vstHost.open(library.entry());
    for (const Change& change : loud)
        effect->setParameter(effect, static_cast<VstInt32>(change.param), normalised(change));
    void* data = nullptr;
    const VstIntPtr size = vstHost.dispatch(effect, effGetChunk, 0, 0, &data);
    const auto* bytes = static_cast<const unsigned char*>(data);
    EXPECT_EQ(state, std::vector<unsigned char>(bytes, bytes + size));
    EXPECT_EQ(size, 1266);
    vstHost.close(effect);

    ClapInstance restored(module, host, kId);
    ASSERT_TRUE(restored.load(state, 7));
    EXPECT_EQ(host.rescans, 1);
    for (clap_id param = kCeiling; param <= kIsp; ++param)
        EXPECT_EQ(restored.value(param), saved.value(param)) << param;
    EXPECT_EQ(restored.save(), state);

    ClapInstance untouched(module, host, kId);
    EXPECT_FALSE(untouched.load({}, 7));
    clap_istream_t failing{
        nullptr, [](const clap_istream_t*, void*, std::uint64_t) { return std::int64_t{-1}; }};
    EXPECT_FALSE(untouched.state->load(untouched.plugin, &failing));
    EXPECT_EQ(untouched.value(kGain), 0.0);
    EXPECT_TRUE(out.events.empty());

    // Loaded while the audio thread processes, a state holds at once, and
    // the host is told to read the values again each time.
    ASSERT_TRUE(restored.activate(48000.0, 480));
    const std::vector<unsigned char> fresh = untouched.save();
    int loads = 0, unheld = 0;
    const std::vector<float> output =
        renderClap(restored, signals::varied(48000, kSeed), 480, {}, [&] {
            const bool loud = loads++ % 2 == 0;
            unheld += !restored.load(loud ? state : fresh, state.size()) ||
                      restored.value(kGain) != (loud ? 15.0 : 0.0);
        });
    EXPECT_EQ(unheld, 0) << "of " << loads;
    EXPECT_EQ(host.rescans, 1 + loads);
    EXPECT_TRUE(std::all_of(output.begin(), output.end(),
                            [](float sample) { return std::fabs(sample) <= 1.0f; }));
    EXPECT_EQ(host.offMainThread, 0);
}

} // namespace
