// The benchmarks' LV2 host, on the LV2 bundle: it refuses what it cannot run
// in words that name it, and runs a plug-in with the controls it was given.
#include "bench/Lv2Plugin.h"
#include "tests/support/TempFolder.h"
#include "tools/pluginhost/RecordingHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>

namespace {

constexpr const char* kUri = "urn:quenor:brelto";

std::string errorOf(const std::function<void()>& attempt) {
    try {
        attempt();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

// The bundle alone on the LV2 path.
struct BenchLv2Host : testing::Test {
    TempFolder folder;
    void SetUp() override {
        std::filesystem::create_directory_symlink(PluginLibrary::programFolder() + "Brelto.lv2",
                                                  folder.path("Brelto.lv2"));
        setenv("LV2_PATH", folder.path("").c_str(), 1);
    }
};

TEST_F(BenchLv2Host, NamesWhatItCannotRun) {
    EXPECT_EQ(errorOf([] { Lv2Plugin("urn:quenor:nothing"); }),
              "no installed LV2 plug-in is urn:quenor:nothing");
    Lv2Plugin brelto(kUri);
    EXPECT_EQ(errorOf([&] {
                  Lv2Instance(brelto, 44100, {{"volume", 1.0f}});
              }),
              std::string(kUri) + " has no port volume");
    EXPECT_EQ(errorOf([&] {
                  Lv2Instance(brelto, 44100, {{"latency", 1.0f}});
              }),
              std::string("the port latency of ") + kUri + " is no control input");
}

TEST_F(BenchLv2Host, RunsWithTheControlsGiven) {
    Lv2Plugin brelto(kUri);
    Lv2Instance instance(brelto, 48000, {{"gain", 30.0f}, {"ceiling", -6.0f}});
    ASSERT_EQ(instance.inputCount(), 2);
    ASSERT_EQ(instance.outputCount(), 2);
    constexpr int kBlock = 256;
    std::vector<float> in(kBlock), left(kBlock), right(kBlock);
    float peak = 0.0f;
    for (int block = 0; block < 40; ++block) {
        for (int i = 0; i < kBlock; ++i)
            in[i] = 0.1f * std::sin(0.05f * static_cast<float>(block * kBlock + i));
        const float* inputs[2] = {in.data(), in.data()};
        float* outputs[2] = {left.data(), right.data()};
        instance.connect(inputs, outputs);
        instance.run(kBlock);
        for (int i = 0; i < kBlock; ++i)
            peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    }
    // Raised by 30 dB, the sine is limited to the ceiling, late by the
    // look-ahead of 16 ms that the plug-in reports.
    EXPECT_LE(peak, std::pow(10.0f, -6.0f / 20.0f));
    EXPECT_GT(peak, std::pow(10.0f, -6.5f / 20.0f));
    EXPECT_EQ(instance.output("latency"), 768.0f);
}

} // namespace
