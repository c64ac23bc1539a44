// Batches of files rendered at once: each output exactly as its file renders
// alone, failures kept to their own file, and the plot of a render.
#include "RenderTool.h"
#include "tools/signals/TestSignals.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr int kRate = 44100;

struct BatchFile {
    const char* name;
    int format;
    int channels;
};

// Varied material in the common formats, mono and stereo.
constexpr BatchFile kBatch[] = {
    {"a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2},
    {"b.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2},
    {"c.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2},
    {"d.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1},
    {"e.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2},
    {"f.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1},
    {"g.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2},
    {"h.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2},
};

Audio varied(const BatchFile& file, std::uint32_t seed) {
    const std::vector<float> frames = signals::varied(kRate, seed);
    Audio audio{kRate, file.channels, file.format, {}};
    for (std::size_t i = 0; i < frames.size(); i += 2) {
        audio.samples.push_back(0.05f * frames[i]);
        if (file.channels == 2) audio.samples.push_back(0.05f * frames[i + 1]);
    }
    return audio;
}

struct Png {
    int width = 0, height = 0;
    std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> surface{nullptr,
                                                                         cairo_surface_destroy};

    explicit Png(const std::string& path) {
        surface.reset(cairo_image_surface_create_from_png(path.c_str()));
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return;
        width = cairo_image_surface_get_width(surface.get());
        height = cairo_image_surface_get_height(surface.get());
    }

    // Pixels of a colour in a band of rows, to a few levels of each primary.
    int count(int top, int bottom, unsigned red, unsigned green, unsigned blue) const {
        cairo_surface_flush(surface.get());
        const unsigned char* data = cairo_image_surface_get_data(surface.get());
        const int stride = cairo_image_surface_get_stride(surface.get());
        int found = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint32_t pixel;
                std::memcpy(&pixel, data + y * stride + 4 * x, sizeof(pixel));
                auto near = [](unsigned a, unsigned b) { return (a > b ? a - b : b - a) <= 8; };
                found += near((pixel >> 16) & 0xFF, red) && near((pixel >> 8) & 0xFF, green) &&
                         near(pixel & 0xFF, blue);
            }
        return found;
    }
};

} // namespace

TEST(RenderBatch, EightFilesOnTwoJobsEqualEightSingleRendersBitForBit) {
    TempFolder folder;
    std::vector<std::string> batch = {"--json", "--jobs",      "2", "--target-lufs",
                                      "-20",    "--true-peak", "-1"};
    std::uint32_t seed = 11;
    for (const BatchFile& file : kBatch) {
        writeAudio(folder.path(file.name), varied(file, seed++));
        batch.push_back(folder.path(file.name));
    }
    std::filesystem::create_directory(folder.path("out"));
    batch.insert(batch.end(), {"--out-dir", folder.path("out")});
    const ToolRun run = runRender(batch);
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    const nlohmann::json report = run.json();
    EXPECT_EQ(report["failed"], 0);
    ASSERT_EQ(report["files"].size(), 8u);
    for (const BatchFile& file : kBatch) {
        SCOPED_TRACE(file.name);
        const ToolRun alone = runRender({"--target-lufs", "-20", "--true-peak", "-1",
                                         folder.path(file.name), folder.path("alone")});
        ASSERT_EQ(alone.exitCode, 0) << alone.err;
        const Audio batched = readAudio(folder.path("out/") + file.name);
        ASSERT_EQ(batched.frames(), kRate);
        EXPECT_EQ(batched.format, file.format);
        EXPECT_TRUE(batched.samples == readAudio(folder.path("alone")).samples);
        // Float WAV files carry the time they were written in their PEAK chunk.
        if (file.format != (SF_FORMAT_WAV | SF_FORMAT_FLOAT)) {
            EXPECT_TRUE(bytesOf(folder.path("out/") + file.name) == bytesOf(folder.path("alone")));
        }
    }
    EXPECT_EQ(filesIn(folder).size(), 8u + 2u); // the inputs, out/ and alone: nothing left over
}

TEST(RenderBatch, AFileThatCannotBeRenderedFailsAloneAndLeavesNothingBehind) {
    TempFolder folder;
    writeAudio(folder.path("one.wav"), varied(kBatch[0], 1));
    writeAudio(folder.path("two.flac"), varied(kBatch[1], 2));
    std::filesystem::create_directory(folder.path("more"));
    writeAudio(folder.path("more/one.wav"), varied(kBatch[0], 3));
    folder.write("notes.wav", "these are not samples\n");
    // The output folder is made; an unreadable file and a second "one" fail.
    const std::string out = folder.path("new/out");
    const ToolRun run =
        runRender({"--jobs", "2", folder.path("one.wav"), folder.path("notes.wav"),
                   folder.path("two.flac"), folder.path("more/one.wav"), "--out-dir", out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("failed: cannot read " + folder.path("notes.wav")), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("failed: its output in " + out + " would take the name of " +
                           folder.path("one.wav")),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("4 files: 2 rendered, 2 failed"), std::string::npos) << run.out;
    EXPECT_EQ(filesIn(folder),
              (std::vector<std::string>{"more", "new", "notes.wav", "one.wav", "two.flac"}));
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(out))
        written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"one.wav", "two.flac"}));
    EXPECT_TRUE(readAudio(out + "/one.wav").samples.size() == 2u * kRate);

    // An output folder that is the inputs' own would overwrite them: refused per file.
    const ToolRun inPlace = runRender({folder.path("one.wav"), "--out-dir", folder.path("")});
    EXPECT_EQ(inPlace.exitCode, 1);
    EXPECT_NE(inPlace.out.find("failed: the output " + folder.path("one.wav") +
                               " is the same file as the input " + folder.path("one.wav")),
              std::string::npos)
        << inPlace.out;
}

TEST(RenderPlot, ThePictureIsAPngOfItsSizeWithTheOversMarkedOnlyWhereTheyAre) {
    TempFolder folder;
    Audio loud{kRate, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, signals::varied(2 * kRate, 3)};
    writeAudio(folder.path("in.wav"), loud);
    // Plain: true peaks over the ceiling; held: none over the limit.
    ASSERT_EQ(runRender({"--gain-db", "12", "--ceiling-db", "-1", "--plot",
                         folder.path("plain.png"), folder.path("in.wav")})
                  .exitCode,
              0);
    ASSERT_EQ(runRender({"--gain-db", "12", "--true-peak", "-1", "--plot", folder.path("held.png"),
                         folder.path("in.wav")})
                  .exitCode,
              0);
    const Png plain(folder.path("plain.png")), held(folder.path("held.png"));
    for (const Png* png : {&plain, &held}) {
        EXPECT_EQ(png->width, 1200);
        EXPECT_EQ(png->height, 500);
        // The output's envelope is drawn in the levels panel.
        EXPECT_GT(png->count(56, 318, 26, 89, 191), 500);
    }
    // The over markers sit just above the levels panel.
    EXPECT_GT(plain.count(46, 56, 217, 13, 13), 20);
    EXPECT_EQ(held.count(46, 56, 217, 13, 13), 0);

    const ToolRun two = runRender({"--plot", folder.path("p.png"), folder.path("in.wav"),
                                   folder.path("in.wav"), "--out-dir", folder.path("o")});
    EXPECT_EQ(two.exitCode, 2);
    EXPECT_NE(two.err.find("--plot draws one render"), std::string::npos) << two.err;
}
