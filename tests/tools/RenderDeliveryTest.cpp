// brelto-render's delivery options, checked on the files it writes: quieter
// targets reached by a pure attenuation, the true-peak limit on the 8 times
// oversampled reading, the output's rate converted, and the presets.
#include "RenderTool.h"
#include "tools/demo/MusicSignal.h"
#include "tools/signals/TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kRate = 44100;
constexpr int kHighRate = 96000;

Audio music(int rate, double seconds, float peak, int format) {
    return Audio{rate, 2, format, musicExcerpt(rate, seconds, peak)};
}

// White noise driven into full scale and clipped: bright, with its true
// peaks far between the samples.
Audio clippedNoise(double seconds) {
    signals::Random random(7u);
    Audio audio{kRate, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, {}};
    for (int i = 0; i < static_cast<int>(seconds * kRate) * 2; ++i)
        audio.samples.push_back(std::clamp(2.0f * random.bipolar(), -1.0f, 1.0f));
    return audio;
}

double dbToLevel(double db) {
    return std::pow(10.0, db / 20.0);
}

} // namespace

TEST(RenderDelivery, AQuieterTargetIsAPureAttenuationBeforeThePlugin) {
    TempFolder folder;
    // Loud music with its drum hits at full scale, as floats: what comes
    // out is the input times one factor, to float rounding.
    const Audio input = music(kRate, 3.0, 1.0f, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    writeAudio(folder.path("loud.wav"), input);
    ASSERT_GT(loudnessOf(input), -14.0);
    for (const char* target : {"-23", "-60"}) {
        SCOPED_TRACE(target);
        const ToolRun run = runRender({"--json", "--target-lufs", target, "--true-peak", "-1",
                                       folder.path("loud.wav"), folder.path("out.wav")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const Audio output = readAudio(folder.path("out.wav"));
        EXPECT_NEAR(loudnessOf(output), std::stod(target), 0.1);
        const nlohmann::json mastering = run.json()["mastering"];
        const double gainDb = mastering["gain_db"].get<double>();
        const double ceilingDb = mastering["ceiling_db"].get<double>();
        EXPECT_LT(gainDb, 0.0);
        EXPECT_NEAR(gainDb + ceilingDb, std::stod(target) - loudnessOf(input), 0.1);
        const double factor = dbToLevel(gainDb + ceilingDb);
        ASSERT_EQ(output.samples.size(), input.samples.size());
        for (std::size_t i = 0; i < input.samples.size(); ++i)
            ASSERT_NEAR(output.samples[i], input.samples[i] * factor,
                        4e-7 * std::fabs(input.samples[i] * factor))
                << i;
        EXPECT_LT(run.json()["gain_reduction_db"]["largest"].get<double>(), 1e-5);
    }
    // The text names the attenuation.
    const ToolRun text =
        runRender({"--target-lufs", "-30", folder.path("loud.wav"), folder.path("out.wav")});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find(" dB (before the plug-in), ceiling "), std::string::npos) << text.out;
}

TEST(RenderDelivery, TheTruePeakLimitHoldsOnTheOversampledReadingWhereLibebur128ReadsLow) {
    TempFolder folder;
    writeAudio(folder.path("clipped.wav"), clippedNoise(1.0));
    // What a limit held on libebur128 alone gave: its reading under the
    // limit, the oversampled one over it.
    ASSERT_EQ(runRender({"--gain-db", "3", "--ceiling-db", "-3.8", folder.path("clipped.wav"),
                         folder.path("libebur128.wav")})
                  .exitCode,
              0);
    const Audio low = readAudio(folder.path("libebur128.wav"));
    ASSERT_LE(truePeakOf(low), -1.0);
    ASSERT_GT(oversampledPeakOf(low), -1.0);

    const ToolRun run = runRender({"--json", "--gain-db", "3", "--true-peak", "-1",
                                   folder.path("clipped.wav"), folder.path("held.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Audio held = readAudio(folder.path("held.wav"));
    EXPECT_LE(truePeakOf(held), -1.0);
    EXPECT_LE(oversampledPeakOf(held), -1.0);
    EXPECT_GT(oversampledPeakOf(held), -1.1);
    const nlohmann::json output = run.json()["output"];
    EXPECT_NEAR(output["true_peak_dbtp"].get<double>(), truePeakOf(held), 0.01);
    EXPECT_NEAR(output["true_peak_8x_dbtp"].get<double>(), oversampledPeakOf(held), 0.01);
    EXPECT_NEAR(output["plr_db"].get<double>(),
                oversampledPeakOf(held) - output["integrated_loudness_lufs"].get<double>(), 0.01);
}

TEST(RenderDelivery, TheRateIsConvertedLastAndTheGoalHoldsOnTheConvertedFile) {
    TempFolder folder;
    writeAudio(folder.path("master.wav"),
               music(kHighRate, 2.0, 0.9f, SF_FORMAT_WAV | SF_FORMAT_PCM_24));
    const ToolRun run =
        runRender({"--json", "--rate", "44100", "--target-lufs", "-10", "--true-peak", "-1",
                   folder.path("master.wav"), folder.path("delivery.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Audio delivery = readAudio(folder.path("delivery.wav"));
    EXPECT_EQ(delivery.rate, kRate);
    EXPECT_EQ(delivery.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    EXPECT_EQ(delivery.frames(), 2 * kRate);
    EXPECT_NEAR(loudnessOf(delivery), -10.0, 0.1);
    EXPECT_LE(truePeakOf(delivery), -1.0);
    EXPECT_LE(oversampledPeakOf(delivery), -1.0);
    const nlohmann::json report = run.json();
    EXPECT_EQ(report["output"]["sample_rate"], kRate);
    EXPECT_GT(report["gain_reduction_db"]["largest"].get<double>(), 1.0);
}

TEST(RenderDelivery, EveryPresetSetsItsPairAndAnOptionOverridesItsHalf) {
    TempFolder folder;
    writeAudio(folder.path("song.wav"), music(kRate, 2.0, 0.5f, SF_FORMAT_WAV | SF_FORMAT_PCM_24));
    struct Case {
        std::vector<std::string> options;
        const char* preset;
        double lufs, dbtp;
    };
    const Case cases[] = {
        {{"--preset", "streaming"}, "streaming", -14.0, -1.0},
        {{"--preset", "ebu-r128"}, "ebu-r128", -23.0, -1.0},
        {{"--preset", "atsc-a85"}, "atsc-a85", -24.0, -2.0},
        {{"--preset", "podcast"}, "podcast", -16.0, -1.0},
        {{"--target-lufs", "-20", "--preset=atsc-a85"}, "atsc-a85", -20.0, -2.0},
        {{"--preset", "podcast", "--true-peak", "-3"}, "podcast", -16.0, -3.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options[0] + " " + c.options[1]);
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"--json", folder.path("song.wav"), folder.path("out.wav")});
        const ToolRun run = runRender(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const nlohmann::json mastering = run.json()["mastering"];
        EXPECT_EQ(mastering["preset"], c.preset);
        EXPECT_EQ(mastering["target_lufs"].get<double>(), c.lufs);
        EXPECT_EQ(mastering["true_peak_limit_dbtp"].get<double>(), c.dbtp);
        const Audio output = readAudio(folder.path("out.wav"));
        EXPECT_NEAR(loudnessOf(output), c.lufs, 0.1);
        EXPECT_LE(std::max(truePeakOf(output), oversampledPeakOf(output)), c.dbtp);
    }
    const ToolRun text =
        runRender({"--preset", "ebu-r128", folder.path("song.wav"), folder.path("out.wav")});
    EXPECT_NE(text.out.find("mastering        -23.00 LUFS, -1.00 dBTP (ebu-r128): gain "),
              std::string::npos)
        << text.out;
    const ToolRun unknown = runRender({"--preset", "cd", folder.path("song.wav")});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find(
                  "--preset cd: unknown; the presets are streaming, ebu-r128, atsc-a85, podcast"),
              std::string::npos)
        << unknown.err;
}
