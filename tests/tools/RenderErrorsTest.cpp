// Bad arguments and unreadable input: a non-zero exit, a message that says
// what was wrong, and no file written.
#include "RenderTool.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct BadRun {
    std::vector<std::string> args; // "IN" stands for the input file's path
    const char* message;
};

void expectRefused(const BadRun& bad, const TempFolder& folder, const std::string& input) {
    std::vector<std::string> args;
    for (const std::string& arg : bad.args)
        args.push_back(arg == "IN" ? input : arg);
    const std::vector<std::string> before = filesIn(folder);
    const ToolRun run = runRender(args);
    std::string joined;
    for (const std::string& arg : bad.args)
        joined += arg + " ";
    SCOPED_TRACE(joined);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find(bad.message), std::string::npos) << run.err;
    EXPECT_EQ(filesIn(folder), before);
}

Audio someSound(int channels) {
    Audio audio{44100, channels, SF_FORMAT_WAV | SF_FORMAT_PCM_16, {}};
    for (int i = 0; i < 4410 * channels; ++i)
        audio.samples.push_back(0.5f * static_cast<float>(std::sin(i * 0.05)));
    return audio;
}

} // namespace

TEST(RenderErrors, BadValuesNameTheValidRangeAndWriteNothing) {
    TempFolder folder;
    const std::string input = folder.path("in.wav");
    writeAudio(input, someSound(2));
    const std::string state = folder.path("state.fxb");
    const BadRun runs[] = {
        {{"--gain-db", "31", "IN"}, "--gain-db 31: out of range; the valid range is 0..30 dB"},
        {{"--gain-db=-1", "--save-state", state, "IN"}, "valid range is 0..30 dB"},
        {{"--ceiling-db", "0.5", "IN"}, "valid range is -30..0 dB"},
        {{"--release-ms", "0.9", "IN"}, "valid range is 1..100 ms"},
        {{"--release-ms", "ten", "IN"}, "valid range is 1..100 ms"},
        {{"--release-ms", "nan", "IN"}, "valid range is 1..100 ms"},
        {{"--stereo", "yes", "IN"}, "--stereo yes: the valid values are on and off"},
        {{"--param", "Gain=1.01", "IN"}, "valid range is 0..1"},
        {{"--param", "Gain", "IN"}, "NAME=VALUE"},
        {{"--param", "Drive=0.5", "IN"},
         "Brelto has no parameter Drive; its parameters are OutCeil"},
        {{"--param", "10=0.5", "IN"}, "the valid indexes are 0..9"},
        {{"--loudness", "IN"}, "unknown option --loudness"},
        {{"--gain-db"}, "--gain-db needs a value"},
        {{"--format", "mp9", "IN"}, "--format mp9: unknown"},
        {{"--format", "wav:vorbis", "IN"}, "cannot write"},
        {{"--plugin", folder.path("none.so"), "IN"}, "cannot load the plug-in"},
        {{"--load-state", "IN", "IN"}, "not a VST bank file"},
        {{"--load-state", folder.path("none.fxb"), "IN"}, "cannot read"},
        {{"IN", folder.path("no/such/folder/out.wav")}, "cannot write"},
        {{}, "no input file"},
    };
    for (const BadRun& bad : runs)
        expectRefused(bad, folder, input);
}

TEST(RenderErrors, UnreadableInputIsRefusedBeforeAnythingIsWritten) {
    TempFolder folder;
    writeAudio(folder.path("surround.wav"), someSound(3));
    folder.write("notes.wav", "these are not samples\n");
    expectRefused({{"IN"}, "cannot read"}, folder, folder.path("missing.wav"));
    expectRefused({{"IN"}, "cannot read"}, folder, folder.path("notes.wav"));
    expectRefused({{"--save-state", folder.path("s.fxb"), "IN"},
                   "has 3 channels; brelto-render takes mono or stereo files"},
                  folder, folder.path("surround.wav"));
}
