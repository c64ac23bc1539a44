// brelto-render on real files: every common format, rate and channel count,
// alignment of the output with the input, and the report's figures.
#include "RenderTool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;

// A mix that stays below Brelto's threshold, so the defaults pass it unchanged.
Audio quietMix(int rate, int channels, int format, double seconds) {
    Audio audio{rate, channels, format, {}};
    const int frames = static_cast<int>(seconds * rate);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            audio.samples.push_back(
                static_cast<float>(0.2 * std::sin(2 * kPi * (220.0 + 110.0 * c) * i / rate) +
                                   0.05 * std::sin(2 * kPi * 3100.0 * i / rate + c)));
    return audio;
}

Audio sine(int rate, int channels, double frequency, double amplitude, double phase,
           double seconds) {
    Audio audio{rate, channels, SF_FORMAT_WAV | SF_FORMAT_FLOAT, {}};
    const int frames = static_cast<int>(seconds * rate);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            audio.samples.push_back(
                static_cast<float>(amplitude * std::sin(2 * kPi * frequency * i / rate + phase)));
    return audio;
}

// The frame of the loudest sample of channel 0.
long long loudestFrame(const Audio& audio) {
    long long best = 0;
    for (long long i = 0; i < audio.frames(); ++i)
        if (std::fabs(audio.samples[i * audio.channels]) >
            std::fabs(audio.samples[best * audio.channels]))
            best = i;
    return best;
}

// Brelto's look-ahead: 5 ms as created at 44.1 kHz, 16 ms after any other rate is set.
int breltoLatency(int rate) {
    return rate == 44100 ? 220 : rate * 16 / 1000;
}

struct FileType {
    int format;
    const char* extension;
};

} // namespace

TEST(RenderFiles, EveryTypeRateAndChannelCountComesBackInItsOwnFormatAligned) {
    const FileType types[] = {{SF_FORMAT_WAV | SF_FORMAT_PCM_16, ".wav"},
                              {SF_FORMAT_FLAC | SF_FORMAT_PCM_24, ".flac"},
                              {SF_FORMAT_AIFF | SF_FORMAT_FLOAT, ".aiff"}};
    for (const FileType& type : types) {
        for (int rate : {44100, 48000, 96000}) {
            for (int channels : {1, 2}) {
                SCOPED_TRACE(std::string(type.extension) + " " + std::to_string(rate) + " Hz, " +
                             std::to_string(channels) + " channels");
                TempFolder folder;
                const Audio input = quietMix(rate, channels, type.format, 0.15);
                const std::string in = folder.path(std::string("in") + type.extension);
                writeAudio(in, input);
                // Without dither, as the samples came before there was any.
                const ToolRun run = runRender({"--json", "--dither", "none", in});
                ASSERT_EQ(run.exitCode, 0) << run.err;
                EXPECT_EQ(run.json()["latency_frames"], breltoLatency(rate));
                const Audio output =
                    readAudio(folder.path(std::string("in.limited") + type.extension));
                EXPECT_EQ(output.format, type.format);
                EXPECT_EQ(output.rate, rate);
                EXPECT_EQ(output.channels, channels);
                // Below the threshold at 0 dB gain and ceiling the limiter is transparent.
                EXPECT_EQ(output.samples, readAudio(in).samples);
            }
        }
    }
}

TEST(RenderFiles, AnImpulseLeavesAtTheFrameItEnteredUnlessAlignmentIsOff) {
    for (int rate : {44100, 48000}) {
        SCOPED_TRACE(rate);
        TempFolder folder;
        Audio input{rate, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, std::vector<float>(2 * 8000, 0.0f)};
        input.samples[2 * 3000] = input.samples[2 * 3000 + 1] = 0.5f;
        writeAudio(folder.path("impulse.wav"), input);
        // Heavy limiting moves no sample in time.
        ASSERT_EQ(
            runRender({"--gain-db", "30", folder.path("impulse.wav"), folder.path("aligned.wav")})
                .exitCode,
            0);
        ASSERT_EQ(runRender({"--gain-db", "30", "--no-align", folder.path("impulse.wav"),
                             folder.path("raw.wav")})
                      .exitCode,
                  0);
        const Audio aligned = readAudio(folder.path("aligned.wav"));
        const Audio raw = readAudio(folder.path("raw.wav"));
        EXPECT_EQ(aligned.frames(), input.frames());
        EXPECT_EQ(raw.frames(), input.frames());
        EXPECT_EQ(loudestFrame(aligned), 3000);
        EXPECT_NEAR(aligned.samples[2 * 3000], 0.999f, 1e-5f); // the envelope rounds a little
        EXPECT_EQ(loudestFrame(raw), 3000 + breltoLatency(rate));
    }
}

TEST(RenderReport, FullScaleSinesReadTheirKnownPeaksAndLoudness) {
    TempFolder folder;
    // 997 Hz at full scale in both channels: 0 dBFS, 0 dBTP, 0 LUFS.
    writeAudio(folder.path("sine.wav"), sine(48000, 2, 997.0, 1.0, 0.0, 1.0));
    ToolRun run = runRender({"--json", folder.path("sine.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    nlohmann::json report = run.json();
    EXPECT_NEAR(report["input"]["sample_peak_dbfs"].get<double>(), 0.0, 0.01);
    EXPECT_NEAR(report["input"]["true_peak_dbtp"].get<double>(), 0.0, 0.1);
    EXPECT_NEAR(report["input"]["integrated_loudness_lufs"].get<double>(), 0.0, 0.05);
    // The limiter holds the output at its threshold, 0.999.
    EXPECT_LE(report["output"]["sample_peak_dbfs"].get<double>(), 20 * std::log10(0.999) + 1e-4);

    // A quarter of the rate sampled at 45 degrees: samples at -3 dB, true peak at 0 dB;
    // one channel alone reads 3 dB quieter.
    writeAudio(folder.path("quarter.wav"), sine(48000, 1, 12000.0, 1.0, kPi / 4, 1.0));
    run = runRender({"--json", folder.path("quarter.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    report = run.json();
    EXPECT_NEAR(report["input"]["sample_peak_dbfs"].get<double>(), -3.01, 0.01);
    EXPECT_NEAR(report["input"]["true_peak_dbtp"].get<double>(), 0.0, 0.2);
}

TEST(RenderReport, SilenceHasNoLevelAndNoReduction) {
    TempFolder folder;
    writeAudio(folder.path("silence.flac"),
               Audio{44100, 2, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, std::vector<float>(2 * 44100)});
    const ToolRun run = runRender({"--json", "--gain-db", "30", folder.path("silence.flac")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json report = run.json();
    for (const char* stream : {"input", "output"}) {
        EXPECT_TRUE(report[stream]["sample_peak_dbfs"].is_null());
        EXPECT_TRUE(report[stream]["true_peak_dbtp"].is_null());
        EXPECT_TRUE(report[stream]["integrated_loudness_lufs"].is_null());
    }
    EXPECT_EQ(report["gain_reduction_db"]["largest"], 0.0);
    EXPECT_EQ(report["gain_reduction_db"]["average"], 0.0);
    EXPECT_EQ(report["output"]["frames"], 44100);
    EXPECT_EQ(report["processing"]["frames"], 44100 + 220);
}

TEST(RenderReport, GainReductionIsWhatTheLimiterTookAboveTheCeiling) {
    TempFolder folder;
    // -6 dBFS raised by 12 dB peaks at +6 dB; the limiter holds the peaks at
    // its threshold, 0.999, then the ceiling scales: 12 - 6.02 - 20 log10 0.999 dB
    // of reduction.
    writeAudio(folder.path("sine.wav"), sine(44100, 2, 100.0, 0.5, 0.0, 1.0));
    const ToolRun run = runRender({"--json", "--gain-db", "12", "--ceiling-db", "-0.3",
                                   "--release-ms", "100", folder.path("sine.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json report = run.json();
    EXPECT_NEAR(report["gain_reduction_db"]["largest"].get<double>(), 5.988, 0.01);
    EXPECT_GT(report["gain_reduction_db"]["average"].get<double>(), 4.0);
    EXPECT_NEAR(report["output"]["sample_peak_dbfs"].get<double>(), -0.3 - 0.0087, 0.01);
    EXPECT_GT(report["processing"]["frames_per_second"].get<double>(), 0.0);
}

TEST(RenderFiles, MonoIsFedToBothChannelsAndComesBackMono) {
    TempFolder folder;
    writeAudio(folder.path("mono.wav"), sine(44100, 1, 200.0, 0.9, 0.0, 0.5));
    writeAudio(folder.path("stereo.wav"), sine(44100, 2, 200.0, 0.9, 0.0, 0.5));
    ASSERT_EQ(runRender({"--gain-db", "20", folder.path("mono.wav")}).exitCode, 0);
    ASSERT_EQ(runRender({"--gain-db", "20", folder.path("stereo.wav")}).exitCode, 0);
    const Audio mono = readAudio(folder.path("mono.limited.wav"));
    const Audio stereo = readAudio(folder.path("stereo.limited.wav"));
    ASSERT_EQ(mono.channels, 1);
    ASSERT_EQ(mono.frames(), stereo.frames());
    for (long long i = 0; i < mono.frames(); ++i)
        ASSERT_EQ(mono.samples[i], stereo.samples[2 * i]) << i;
}

TEST(RenderFiles, FormatIsChosenByOptionOrByTheOutputName) {
    TempFolder folder;
    writeAudio(folder.path("in.wav"), quietMix(44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0.1));
    ASSERT_EQ(runRender({"--format", "float", folder.path("in.wav")}).exitCode, 0);
    EXPECT_EQ(readAudio(folder.path("in.limited.wav")).format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(runRender({"--format", "flac", folder.path("in.wav")}).exitCode, 0);
    EXPECT_EQ(readAudio(folder.path("in.limited.flac")).format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    ASSERT_EQ(runRender({folder.path("in.wav"), folder.path("out.aiff")}).exitCode, 0);
    EXPECT_EQ(readAudio(folder.path("out.aiff")).format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
}

// A name that is not UTF-8 and a WAV whose header promises more frames than the
// file holds: the JSON report, alone and in a batch, stays valid, and the
// missing frames are told.
TEST(RenderReport, AnOddNameKeepsTheJsonValidAndACutWavIsTold) {
    TempFolder folder;
    writeAudio(folder.path("whole.wav"), quietMix(44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1.0));
    const std::vector<unsigned char> whole = bytesOf(folder.path("whole.wav"));
    const std::string cut =
        folder.write("cut\xff.wav", std::string(whole.begin(), whole.end() - 40000));
    const long long held = readAudio(cut).frames();
    const std::string shown = folder.path("cut\xef\xbf\xbd.wav"); // U+FFFD for the byte 0xFF

    const ToolRun alone = runRender({"--json", cut});
    EXPECT_EQ(alone.exitCode, 0) << alone.err;
    const nlohmann::json report = nlohmann::json::parse(alone.out, nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << alone.out;
    EXPECT_EQ(report["input"]["file"], shown);
    EXPECT_EQ(report["output"]["frames"], held);
    EXPECT_NE(alone.err.find(cut + ": its header promises 44100 frames, the file holds " +
                             std::to_string(held)),
              std::string::npos)
        << alone.err;

    const ToolRun batch =
        runRender({"--json", cut, folder.path("whole.wav"), "--out-dir", folder.path("out")});
    EXPECT_EQ(batch.exitCode, 0) << batch.err;
    const nlohmann::json files = nlohmann::json::parse(batch.out, nullptr, false);
    ASSERT_FALSE(files.is_discarded()) << batch.out;
    EXPECT_EQ(files["files"][0]["input"], shown);
    EXPECT_EQ(files["files"][1]["status"], "ok");
}
