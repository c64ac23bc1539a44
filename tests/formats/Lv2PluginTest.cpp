// The LV2 bundle as hosts use it: lv2ls lists it, lv2apply renders through
// it the bits that Brelto.so gives at the same settings, lilv keeps and
// restores its state, and its meter and latency ports tell what the plug-in
// measures and how late its output comes.
#include "dsp/ParameterLaws.h"
#include "tests/tools/RenderTool.h"
#include "tools/pluginhost/RecordingHost.h"
#include "tools/signals/TestSignals.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <link.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

namespace {

constexpr const char* kUri = "urn:quenor:brelto";
constexpr std::uint32_t kSeed = 20261208;
constexpr int kBlock = 512;
// Ports: four audio, the five controls, the five meters, the latency.
constexpr std::uint32_t kCeiling = 4, kGain = 5, kRelease = 6, kStereo = 7, kIsp = 8;
constexpr std::uint32_t kLevelIn = 9, kReduction = 11, kLevelOut = 12, kLatency = 14;
constexpr std::uint32_t kPortCount = 15;

std::string bundleFolder() {
    return PluginLibrary::programFolder() + "Brelto.lv2";
}

std::string inPath(const std::string& program) {
    std::string paths = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin";
    for (std::size_t start = 0, end; start <= paths.size(); start = end + 1) {
        end = std::min(paths.find(':', start), paths.size());
        const std::string candidate = paths.substr(start, end - start) + "/" + program;
        if (std::filesystem::exists(candidate)) return candidate;
    }
    return program;
}

// The sanitizer runtime this program was built with, or "": a bundle built
// the same way needs it loaded first in the hosts that load the bundle, which
// do not carry it.
std::string sanitizerRuntime() {
    std::string runtime;
    dl_iterate_phdr(
        [](dl_phdr_info* library, std::size_t, void* found) {
            const std::string path = library->dlpi_name != nullptr ? library->dlpi_name : "";
            const std::string name = std::filesystem::path(path).filename();
            if (name.rfind("libasan.so", 0) != 0 && name.rfind("libtsan.so", 0) != 0) return 0;
            *static_cast<std::string*>(found) = path;
            return 1;
        },
        &runtime);
    return runtime;
}

// A host program of the system's, with this program's sanitizer runtime.
ToolRun runHost(const std::string& program, const std::vector<std::string>& args) {
    const std::string runtime = sanitizerRuntime();
    if (!runtime.empty()) setenv("LD_PRELOAD", runtime.c_str(), 1);
    ToolRun run = runTool(inPath(program), args);
    unsetenv("LD_PRELOAD");
    return run;
}

// Settings in the ports' units, and the same as Brelto.so's normalised values.
// The defaults are the bundle's.
struct Settings {
    float ceilingDb = 0.0f, gainDb = 0.0f, releaseMs = 3.1622777f, stereo = 1.0f, isp = 1.0f;
    void apply(AEffect* effect) const {
        effect->setParameter(effect, 0, float(laws::ceilingValue(ceilingDb)));
        effect->setParameter(effect, 1, float(laws::gainValue(gainDb)));
        effect->setParameter(effect, 2, float(laws::releaseValue(releaseMs)));
        effect->setParameter(effect, 3, stereo);
        effect->setParameter(effect, 4, isp);
    }
};
constexpr Settings kLoud{-0.5f, 12.0f, 40.0f, 0.0f, 0.0f};

TEST(Lv2Bundle, Lv2applyRendersTheBitsOfTheVstPlugin) {
    TempFolder folder;
    const std::string lv2Path = folder.path("lv2");
    std::filesystem::create_directories(lv2Path);
    std::filesystem::create_directory_symlink(bundleFolder(), lv2Path + "/Brelto.lv2");
    setenv("LV2_PATH", lv2Path.c_str(), 1);
    const ToolRun listed = runHost("lv2ls", {});
    EXPECT_NE(listed.out.find(kUri), std::string::npos) << listed.out << listed.err;

    struct Case {
        int rate;
        std::vector<std::string> lv2, render;
    };
    const Case cases[] = {
        {44100, {}, {}},
        {48000,
         {"-c", "ceiling", "-0.5", "-c", "gain", "12", "-c", "release", "40", "-c", "stereo", "0",
          "-c", "isp", "0"},
         {"--ceiling-db", "-0.5", "--gain-db", "12", "--release-ms", "40", "--stereo", "off",
          "--isp", "off"}},
    };
    for (const Case& test : cases) {
        Audio input;
        input.rate = test.rate;
        input.channels = 2;
        input.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        input.samples = signals::varied(3 * test.rate, kSeed);
        writeAudio(folder.path("in.wav"), input);
        std::vector<std::string> lv2 = {"-i", folder.path("in.wav"), "-o", folder.path("lv2.wav")};
        lv2.insert(lv2.end(), test.lv2.begin(), test.lv2.end());
        lv2.push_back(kUri);
        const ToolRun applied = runHost("lv2apply", lv2);
        ASSERT_EQ(applied.exitCode, 0) << applied.err;
        std::vector<std::string> render = {"--no-align"};
        render.insert(render.end(), test.render.begin(), test.render.end());
        render.push_back(folder.path("in.wav"));
        render.push_back(folder.path("vst.wav"));
        const ToolRun rendered = runRender(render);
        ASSERT_EQ(rendered.exitCode, 0) << rendered.err;

        const Audio fromLv2 = readAudio(folder.path("lv2.wav"));
        const Audio fromVst = readAudio(folder.path("vst.wav"));
        ASSERT_EQ(fromLv2.frames(), input.frames());
        ASSERT_EQ(fromVst.samples.size(), fromLv2.samples.size());
        const auto differ =
            std::mismatch(fromLv2.samples.begin(), fromLv2.samples.end(), fromVst.samples.begin());
        EXPECT_TRUE(differ.first == fromLv2.samples.end())
            << "at " << test.rate << " Hz the sample " << (differ.first - fromLv2.samples.begin())
            << " differs: " << *differ.first << " against " << *differ.second;
        EXPECT_NE(fromLv2.samples, input.samples);
    }
}

// A host's URI map, and a plug-in instance with its ports in buffers of ours.
struct Host {
    std::map<std::string, LV2_URID> ids;
    std::vector<std::string> uris;
    LV2_URID_Map map{this, [](LV2_URID_Map_Handle self, const char* uri) {
                         auto* host = static_cast<Host*>(self);
                         auto [it, made] = host->ids.emplace(uri, host->uris.size() + 1);
                         if (made) host->uris.push_back(uri);
                         return it->second;
                     }};
    LV2_URID_Unmap unmap{this, [](LV2_URID_Unmap_Handle self, LV2_URID id) {
                             auto* host = static_cast<Host*>(self);
                             return id >= 1 && id <= host->uris.size() ? host->uris[id - 1].c_str()
                                                                       : nullptr;
                         }};
    LV2_Feature mapFeature{LV2_URID__map, &map};
    LV2_Feature unmapFeature{LV2_URID__unmap, &unmap};
    const LV2_Feature* features[3] = {&mapFeature, &unmapFeature, nullptr};
    LilvWorld* world = lilv_world_new();
    const LilvPlugin* plugin = nullptr;

    Host() {
        LilvNode* bundle = lilv_new_file_uri(world, nullptr, (bundleFolder() + "/").c_str());
        lilv_world_load_bundle(world, bundle);
        LilvNode* uri = lilv_new_uri(world, kUri);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
        lilv_node_free(bundle);
    }
    ~Host() { lilv_world_free(world); }
};

constexpr const char* kControlSymbols[] = {"ceiling", "gain", "release", "stereo", "isp"};

struct Instance {
    LilvInstance* instance;
    float ports[kPortCount] = {};
    std::vector<float> audio[4];

    Instance(Host& host, double rate, const Settings& settings)
        : instance(lilv_plugin_instantiate(host.plugin, rate, host.features)) {
        for (std::uint32_t i = 0; i < 4; ++i) {
            audio[i].assign(kBlock, 0.0f);
            lilv_instance_connect_port(instance, i, audio[i].data());
        }
        for (std::uint32_t i = 4; i < kPortCount; ++i)
            lilv_instance_connect_port(instance, i, &ports[i]);
        set(settings);
        lilv_instance_activate(instance);
    }
    ~Instance() {
        lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
    void set(const Settings& settings) {
        ports[kCeiling] = settings.ceilingDb;
        ports[kGain] = settings.gainDb;
        ports[kRelease] = settings.releaseMs;
        ports[kStereo] = settings.stereo;
        ports[kIsp] = settings.isp;
    }
    // Blocks of the varied signal from its start, the ports set to later
    // halfway if given; the output, interleaved.
    std::vector<float> run(int blocks, const Settings* later = nullptr) {
        const std::vector<float> input = signals::varied(blocks * kBlock, kSeed);
        std::vector<float> output;
        for (int b = 0; b < blocks; ++b) {
            if (later != nullptr && b == blocks / 2) set(*later);
            for (int i = 0; i < kBlock; ++i)
                for (int c = 0; c < 2; ++c)
                    audio[c][i] = input[2 * (b * kBlock + i) + c];
            lilv_instance_run(instance, kBlock);
            for (int i = 0; i < kBlock; ++i)
                for (int c = 0; c < 2; ++c)
                    output.push_back(audio[2 + c][i]);
        }
        return output;
    }
    std::vector<unsigned char> chunk() {
        auto* state = static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(instance, LV2_STATE__interface));
        std::vector<unsigned char> stored;
        auto store = [](LV2_State_Handle handle, std::uint32_t, const void* value, std::size_t size,
                        std::uint32_t, std::uint32_t) {
            auto* bytes = static_cast<const unsigned char*>(value);
            static_cast<std::vector<unsigned char>*>(handle)->assign(bytes, bytes + size);
            return LV2_STATE_SUCCESS;
        };
        EXPECT_EQ(state->save(lilv_instance_get_handle(instance), store, &stored, 0, nullptr),
                  LV2_STATE_SUCCESS);
        return stored;
    }
};

std::vector<unsigned char> vstChunk(const Settings* settings) {
    PluginLibrary library(PluginLibrary::programFolder() + "Brelto.so");
    RecordingHost host;
    AEffect* effect = host.open(library.entry());
    if (settings != nullptr) settings->apply(effect);
    void* data = nullptr;
    const VstIntPtr size = host.dispatch(effect, effGetChunk, 0, 0, &data);
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::vector<unsigned char> chunk(bytes, bytes + size);
    host.close(effect);
    return chunk;
}

// The state is the chunk that Brelto.so stores at the same settings; lilv
// writes it as text and restores it with the ports it saved, and the
// restored plug-in renders as the one saved. Ports that a host leaves as they
// were lead: the plug-in follows them, not the chunk.
TEST(Lv2Bundle, StateIsTheVstChunkAndRestoresWithThePorts) {
    Host host;
    ASSERT_NE(host.plugin, nullptr);
    Instance saved(host, 48000, kLoud);
    const std::vector<float> savedOutput = saved.run(8);
    EXPECT_EQ(saved.chunk(), vstChunk(&kLoud));

    struct Ports {
        Instance* instance;
        LV2_URID floatType;
    } ports{&saved, host.map.map(host.map.handle, LV2_ATOM__Float)};
    LilvState* state = lilv_state_new_from_instance(
        host.plugin, saved.instance, &host.map, nullptr, nullptr, nullptr, nullptr,
        [](const char* symbol, void* user, std::uint32_t* size,
           std::uint32_t* type) -> const void* {
            auto* ports = static_cast<Ports*>(user);
            for (std::uint32_t i = 0; i < 5; ++i)
                if (std::string(symbol) == kControlSymbols[i]) {
                    *size = sizeof(float);
                    *type = ports->floatType;
                    return &ports->instance->ports[kCeiling + i];
                }
            return nullptr;
        },
        &ports, 0, nullptr);
    ASSERT_NE(state, nullptr);
    char* text = lilv_state_to_string(host.world, &host.map, &host.unmap, state,
                                      "urn:brelto-test:state", nullptr);
    lilv_state_free(state);
    LilvState* read = lilv_state_new_from_string(host.world, &host.map, text);
    lilv_free(text);
    ASSERT_NE(read, nullptr);

    Instance restored(host, 48000, Settings{});
    lilv_state_restore(
        read, restored.instance,
        [](const char* symbol, void* user, const void* value, std::uint32_t, std::uint32_t) {
            auto* instance = static_cast<Instance*>(user);
            for (std::uint32_t i = 0; i < 5; ++i)
                if (std::string(symbol) == kControlSymbols[i])
                    instance->ports[kCeiling + i] = *static_cast<const float*>(value);
        },
        &restored, 0, nullptr);
    EXPECT_EQ(restored.ports[kGain], kLoud.gainDb);
    EXPECT_EQ(restored.run(8), savedOutput);
    EXPECT_EQ(restored.chunk(), vstChunk(&kLoud));

    Instance portsKept(host, 48000, Settings{});
    lilv_state_restore(read, portsKept.instance, nullptr, nullptr, 0, nullptr);
    Instance fresh(host, 48000, Settings{});
    EXPECT_EQ(portsKept.run(8), fresh.run(8));
    EXPECT_EQ(portsKept.chunk(), vstChunk(nullptr));
    lilv_state_free(read);
}

// A host may save the state on another thread while run goes on (and sets
// the ports there): every save is a whole chunk, and the audio is that of a
// run without saves.
TEST(Lv2Bundle, StateSavedBesideRunLeavesTheAudioAlone) {
    Host host;
    ASSERT_NE(host.plugin, nullptr);
    constexpr int kBlocks = 64;
    Instance alone(host, 48000, Settings{});
    const std::vector<float> expected = alone.run(kBlocks, &kLoud);

    const std::size_t chunkSize = vstChunk(nullptr).size();
    Instance instance(host, 48000, Settings{});
    std::atomic<bool> ran{false};
    std::vector<float> output;
    std::thread audio([&] {
        output = instance.run(kBlocks, &kLoud);
        ran = true;
    });
    int saves = 0, broken = 0;
    do {
        broken += instance.chunk().size() != chunkSize;
        ++saves;
    } while (!ran);
    audio.join();
    EXPECT_EQ(broken, 0) << "of " << saves;
    EXPECT_EQ(output, expected);
    EXPECT_EQ(instance.chunk(), vstChunk(&kLoud));
}

// The meters read the limiter in dB, and the latency port carries the delay
// that Brelto.so reports at the same rate.
TEST(Lv2Bundle, MeterAndLatencyPortsTellWhatThePluginMeasures) {
    Host host;
    ASSERT_NE(host.plugin, nullptr);
    for (const double rate : {44100.0, 96000.0}) {
        Instance instance(host, rate, Settings{0.0f, 0.0f, 10.0f, 1.0f, 0.0f});
        // A square wave at -6.02 dB: as loud going out as coming in.
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kBlock; ++i)
                instance.audio[c][i] = (i / 32) % 2 != 0 ? 0.5f : -0.5f;
        for (int b = 0; b < 40; ++b)
            lilv_instance_run(instance.instance, kBlock);
        EXPECT_NEAR(instance.ports[kLevelIn], -6.02f, 0.1f);
        EXPECT_NEAR(instance.ports[kLevelOut], -6.02f, 0.1f);
        EXPECT_NEAR(instance.ports[kReduction], 0.0f, 0.1f);
        // 12 dB more: the output stays at the ceiling, 6 dB below the input.
        instance.ports[kGain] = 12.0f;
        for (int b = 0; b < 400; ++b)
            lilv_instance_run(instance.instance, kBlock);
        EXPECT_NEAR(instance.ports[kLevelOut], 0.0f, 0.1f);
        EXPECT_NEAR(instance.ports[kReduction], 6.0f, 0.2f);

        PluginLibrary library(PluginLibrary::programFolder() + "Brelto.so");
        RecordingHost vstHost;
        AEffect* effect = vstHost.open(library.entry());
        vstHost.dispatch(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
        EXPECT_EQ(instance.ports[kLatency], static_cast<float>(effect->initialDelay)) << rate;
        EXPECT_GT(effect->initialDelay, 0);
        vstHost.close(effect);
    }
}

} // namespace
