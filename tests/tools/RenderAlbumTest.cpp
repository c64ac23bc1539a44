// Albums: one gain and one ceiling for every file, the album on target, the
// tracks' levels relative to each other kept and every file within the
// true-peak limit; an album that cannot be read whole is not written at all.
#include "RenderTool.h"
#include "tools/demo/MusicSignal.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr int kRate = 44100;

struct Track {
    const char* name;
    float peak; // of its loudest drum hit
};

// A quiet track, a middle one and a loud one whose peaks need limiting.
constexpr Track kTracks[] = {{"one.wav", 0.12f}, {"two.wav", 0.3f}, {"three.wav", 1.0f}};

} // namespace

TEST(RenderAlbum, OneGainPutsTheAlbumOnTargetKeepsTheTracksApartAndHoldsTheLimitInEach) {
    TempFolder folder;
    std::vector<std::string> args = {"--json",      "--album", "--target-lufs", "-11",
                                     "--true-peak", "-1",      "--jobs",        "2"};
    std::vector<Audio> inputs;
    for (const Track& track : kTracks) {
        inputs.push_back(Audio{kRate, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_24,
                               musicExcerpt(kRate, 2.0, track.peak)});
        writeAudio(folder.path(track.name), inputs.back());
        args.push_back(folder.path(track.name));
    }
    args.insert(args.end(), {"--out-dir", folder.path("album")});
    const ToolRun run = runRender(args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<Audio> outputs;
    for (const Track& track : kTracks) {
        SCOPED_TRACE(track.name);
        outputs.push_back(readAudio(folder.path("album/") + track.name));
        ASSERT_EQ(outputs.back().frames(), 2 * kRate);
        EXPECT_LE(truePeakOf(outputs.back()), -1.0);
        EXPECT_LE(oversampledPeakOf(outputs.back()), -1.0);
    }
    EXPECT_NEAR(albumLoudnessOf(outputs), -11.0, 0.1);
    // The two tracks below the limiter's threshold keep their distance.
    EXPECT_NEAR(loudnessOf(outputs[1]) - loudnessOf(outputs[0]),
                loudnessOf(inputs[1]) - loudnessOf(inputs[0]), 0.02);
    EXPECT_GT(loudnessOf(outputs[0]), loudnessOf(inputs[0]) + 3.0);

    const nlohmann::json report = run.json();
    const nlohmann::json& album = report["album"];
    EXPECT_NEAR(album["output"]["integrated_loudness_lufs"].get<double>(), albumLoudnessOf(outputs),
                0.01);
    EXPECT_NEAR(album["input"]["integrated_loudness_lufs"].get<double>(), albumLoudnessOf(inputs),
                0.01);
    ASSERT_EQ(report["files"].size(), 3u);
    for (const nlohmann::json& file : report["files"]) {
        EXPECT_EQ(file["report"]["mastering"]["gain_db"], album["gain_db"]);
        EXPECT_EQ(file["report"]["mastering"]["ceiling_db"], album["ceiling_db"]);
        EXPECT_EQ(file["report"]["mastering"]["renders"], album["renders"]);
    }
    EXPECT_GT(report["files"][2]["report"]["gain_reduction_db"]["largest"].get<double>(), 1.0);

    // The summary: a line per track and one for the album.
    args.erase(args.begin());
    const ToolRun text = runRender(args);
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("\nalbum "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("album of 3 files to -11.00 LUFS, -1.00 dBTP: gain +"),
              std::string::npos)
        << text.out;
}

TEST(RenderAlbum, AnAlbumWithAFileThatCannotBeReadIsRefusedAndNothingIsWritten) {
    TempFolder folder;
    writeAudio(folder.path("one.wav"),
               Audio{kRate, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, musicExcerpt(kRate, 1.0, 0.5f)});
    folder.write("two.wav", "these are not samples\n");
    const std::vector<std::string> before = filesIn(folder);
    const ToolRun run = runRender({"--album", "--preset", "streaming", folder.path("one.wav"),
                                   folder.path("two.wav"), "--out-dir", folder.path("album")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("the album was not rendered:\n  " + folder.path("two.wav") +
                           ": cannot read " + folder.path("two.wav")),
              std::string::npos)
        << run.err;
    EXPECT_EQ(filesIn(folder), before);

    const ToolRun noFolder = runRender({"--album", folder.path("one.wav")});
    EXPECT_EQ(noFolder.exitCode, 2);
    EXPECT_NE(noFolder.err.find("--album renders into a folder: give --out-dir DIR"),
              std::string::npos)
        << noFolder.err;
}
