// brelto-render's mastering options, checked on the files it writes: the
// loudness target, the true-peak limit, the targets it cannot reach, and the
// dither of short integer samples.
#include "RenderTool.h"
#include "tools/demo/MusicSignal.h"
#include "tools/signals/TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.141592653589793;
constexpr int kPcm16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr double kLsb16 = 1.0 / 32768.0;

Audio stereo(const std::vector<float>& samples, int format = kPcm16) {
    return Audio{kRate, 2, format, samples};
}

// Noise at -35 dBFS RMS with bursts at -25 dBFS.
Audio noise(double seconds) {
    signals::Random random(5u);
    std::vector<float> samples;
    for (int i = 0; i < static_cast<int>(seconds * kRate); ++i) {
        const float level = (i / 4410) % 5 == 0 ? 0.1f : 0.03f;
        samples.push_back(level * random.bipolar());
        samples.push_back(level * random.bipolar());
    }
    return stereo(samples);
}

// Plucked notes: sharp attacks decaying over a quarter of a second.
Audio plucks(double seconds) {
    std::vector<float> samples;
    for (int i = 0; i < static_cast<int>(seconds * kRate); ++i) {
        const double t = static_cast<double>(i % (kRate / 4)) / kRate;
        const double note = 0.12 * std::exp(-t * 12.0) *
                            (std::sin(2 * kPi * 330.0 * t) + 0.3 * std::sin(2 * kPi * 990.0 * t));
        samples.push_back(static_cast<float>(note));
        samples.push_back(static_cast<float>(0.8 * note));
    }
    return stereo(samples);
}

Audio music(double seconds) {
    return stereo(musicExcerpt(kRate, seconds, 0.5f));
}

// High partials whose peaks fall between the samples.
Audio bright(double seconds) {
    std::vector<float> samples;
    for (int i = 0; i < static_cast<int>(seconds * kRate); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double burst = (i / 2205) % 2 == 0 ? 1.0 : 0.3;
        samples.push_back(static_cast<float>(
            burst * (0.3 * std::sin(2 * kPi * 11025.0 * t + kPi / 4) +
                     0.2 * std::sin(2 * kPi * 14700.0 * t) + 0.1 * std::sin(2 * kPi * 220.0 * t))));
        samples.push_back(samples.back());
    }
    return stereo(samples);
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%g", value);
    return text;
}

} // namespace

TEST(RenderMastering, TargetLoudnessLandsWithinATenthOfAUnitWithTheTruePeakHeld) {
    const std::pair<const char*, Audio> inputs[] = {
        {"noise", noise(3.0)}, {"plucks", plucks(3.0)}, {"music", music(3.0)}};
    for (const auto& [name, audio] : inputs) {
        for (double target : {-18.0, -10.0}) {
            SCOPED_TRACE(std::string(name) + " to " + number(target) + " LUFS");
            TempFolder folder;
            writeAudio(folder.path("in.wav"), audio);
            std::vector<std::string> args = {"--json", "--target-lufs", number(target)};
            // The louder target also asks for the true-peak limit: both hold.
            const bool limited = target > -12.0;
            if (limited) args.insert(args.end(), {"--true-peak", "-1"});
            args.push_back(folder.path("in.wav"));
            const ToolRun run = runRender(args);
            ASSERT_EQ(run.exitCode, 0) << run.err;
            const Audio output = readAudio(folder.path("in.limited.wav"));
            ASSERT_EQ(output.frames(), audio.frames());
            EXPECT_NEAR(loudnessOf(output), target, 0.1);
            if (limited) {
                EXPECT_LE(truePeakOf(output), -1.0);
            }
            const nlohmann::json report = run.json();
            EXPECT_LE(report["mastering"]["renders"].get<int>(), 10);
            EXPECT_NEAR(report["output"]["integrated_loudness_lufs"].get<double>(),
                        loudnessOf(output), 0.01);
        }
    }
}

TEST(RenderMastering, TruePeakLimitHoldsWhereThePlainRenderOvershoots) {
    TempFolder folder;
    writeAudio(folder.path("bright.wav"), bright(2.0));
    // At a ceiling of -1 dB the limiter's own estimate lets true peaks through.
    ToolRun run = runRender({"--gain-db", "12", "--ceiling-db", "-1", folder.path("bright.wav"),
                             folder.path("plain.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_GT(truePeakOf(readAudio(folder.path("plain.wav"))), -1.0);

    run = runRender({"--json", "--gain-db", "12", "--true-peak", "-1", folder.path("bright.wav"),
                     folder.path("held.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Audio held = readAudio(folder.path("held.wav"));
    EXPECT_LE(truePeakOf(held), -1.0);
    const nlohmann::json report = run.json();
    EXPECT_LT(report["mastering"]["ceiling_db"].get<double>(), -1.0);
    EXPECT_NEAR(report["mastering"]["gain_db"].get<double>(), 12.0, 1e-4);
    EXPECT_GE(report["mastering"]["renders"].get<int>(), 2);
    EXPECT_NEAR(report["output"]["true_peak_dbtp"].get<double>(), truePeakOf(held), 0.01);

    // A lossy encoder adds its own overshoot: the limit holds on the decoded file.
    run = runRender({"--json", "--gain-db", "12", "--true-peak", "-1", "--format", "ogg",
                     folder.path("bright.wav"), folder.path("held.ogg")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Audio decoded = readAudio(folder.path("held.ogg"));
    EXPECT_LE(truePeakOf(decoded), -1.0);
    EXPECT_NEAR(run.json()["output"]["true_peak_dbtp"].get<double>(), truePeakOf(decoded), 0.01);
}

TEST(RenderMastering, AnUnreachableTargetNamesWhatTheFileReachesAndWritesNothing) {
    TempFolder folder;
    // A quiet tone that +30 dB cannot bring to -5 LUFS.
    std::vector<float> quiet;
    for (int i = 0; i < 2 * kRate; ++i) {
        const float wave = static_cast<float>(0.001 * std::sin(2 * kPi * 440.0 * i / kRate));
        quiet.insert(quiet.end(), {wave, wave});
    }
    writeAudio(folder.path("quiet.wav"), stereo(quiet));
    const std::vector<std::string> before = filesIn(folder);
    const ToolRun run = runRender(
        {"--target-lufs", "-5", "--plot", folder.path("p.png"), folder.path("quiet.wav")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("--target-lufs -5.00: out of reach: at a gain of +30 dB and a ceiling "
                           "of 0.00 dB the output reaches "),
              std::string::npos)
        << run.err;
    EXPECT_EQ(filesIn(folder), before);
    const ToolRun both =
        runRender({"--gain-db", "6", "--target-lufs", "-20", folder.path("quiet.wav")});
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_NE(both.err.find("--gain-db 6: --target-lufs sets the gain"), std::string::npos)
        << both.err;
    EXPECT_EQ(filesIn(folder), before);
}

TEST(RenderMastering, DitherIsOneLsbOfReproducibleNoiseAndOffLeavesTheConversionAsItWas) {
    TempFolder folder;
    writeAudio(folder.path("in.wav"), music(2.0));
    const std::string in = folder.path("in.wav");
    for (const char* name : {"float.wav", "none.wav", "tpdf.wav", "again.wav"}) {
        std::vector<std::string> args = {"--gain-db", "6", in, folder.path(name)};
        if (std::string(name) == "float.wav") args.insert(args.begin(), {"--format", "float"});
        if (std::string(name) == "none.wav") args.insert(args.begin(), {"--dither", "none"});
        ASSERT_EQ(runRender(args).exitCode, 0) << name;
    }
    // Without dither: the plug-in's float output as libsndfile writes 16 bits.
    writeAudio(folder.path("converted.wav"), stereo(readAudio(folder.path("float.wav")).samples));
    const Audio none = readAudio(folder.path("none.wav"));
    EXPECT_TRUE(none.samples == readAudio(folder.path("converted.wav")).samples);

    // With it (the default for 16 bits): at most one step away, often one, the same every time.
    const Audio tpdf = readAudio(folder.path("tpdf.wav"));
    ASSERT_EQ(tpdf.samples.size(), none.samples.size());
    long long moved = 0;
    for (std::size_t i = 0; i < tpdf.samples.size(); ++i) {
        const double step = std::fabs(tpdf.samples[i] - none.samples[i]) / kLsb16;
        ASSERT_LE(step, 1.0) << i;
        moved += step > 0.0 ? 1 : 0;
    }
    EXPECT_GT(moved, static_cast<long long>(tpdf.samples.size() / 4));
    EXPECT_EQ(bytesOf(folder.path("tpdf.wav")), bytesOf(folder.path("again.wav")));

    // Floats and 24 bits are not dithered unless asked; floats cannot be.
    for (const char* format : {"float", "pcm24"}) {
        SCOPED_TRACE(format);
        ASSERT_EQ(runRender({"--format", format, in, folder.path("plain.wav")}).exitCode, 0);
        ASSERT_EQ(runRender({"--format", format, "--dither", "none", in, folder.path("off.wav")})
                      .exitCode,
                  0);
        // Samples, not bytes: a float WAV's PEAK chunk carries the second it was written in.
        EXPECT_TRUE(readAudio(folder.path("plain.wav")).samples ==
                    readAudio(folder.path("off.wav")).samples);
    }
    ASSERT_EQ(
        runRender({"--format", "pcm24", "--dither", "tpdf", in, folder.path("d24.wav")}).exitCode,
        0);
    EXPECT_NE(bytesOf(folder.path("d24.wav")), bytesOf(folder.path("off.wav")));
    const ToolRun refused =
        runRender({"--format", "float", "--dither", "tpdf", in, folder.path("no.wav")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("--dither tpdf: WAV"), std::string::npos) << refused.err;
    EXPECT_TRUE(bytesOf(folder.path("no.wav")).empty());
}
