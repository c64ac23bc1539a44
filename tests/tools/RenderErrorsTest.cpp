// Bad arguments, unreadable input, one file given two roles and signals: a
// non-zero exit, a message that says what was wrong, and no file written.
#include "RenderTool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>

namespace {

struct BadRun {
    std::vector<std::string> args; // "IN" stands for the input file's path
    std::string message;
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
        {{"--release-ms", "ten", "IN"},
         "--release-ms ten: not a number; the valid range is 1..100"},
        {{"--release-ms", "nan", "IN"}, "--release-ms nan: not a number"},
        {{"--gain-db", "12abc", "IN"},
         "--gain-db 12abc: not a number; the valid range is 0..30 dB"},
        {{"--gain-db", "0x10", "IN"}, "--gain-db 0x10: not a number"},
        {{"--ceiling-db", "-inf", "IN"}, "--ceiling-db -inf: not a number"},
        {{"--gain-db", "1e999", "IN"}, "--gain-db 1e999: out of range"},
        {{"--jobs", "abc", "IN"}, "--jobs abc: not a number; the valid range is 1..256 jobs"},
        {{"--param", "Gain=0x0.8", "IN"}, "--param Gain=0x0.8: not a number"},
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

TEST(RenderErrors, OneFileInTwoRolesIsRefusedAndTheInputKeepsItsBytes) {
    TempFolder folder;
    const std::string input = folder.path("in.wav");
    writeAudio(input, someSound(2));
    const std::string state = folder.path("state.fxb");
    ASSERT_EQ(runRender({"--save-state", state}).exitCode, 0);
    const std::string hard = folder.path("hard.wav"), soft = folder.path("soft.wav");
    std::filesystem::create_hard_link(input, hard);
    std::filesystem::create_symlink("in.wav", soft);
    // The name the output of hard.wav takes when none is given.
    std::filesystem::create_symlink("in.wav", folder.path("hard.limited.wav"));
    std::filesystem::create_directory(folder.path("sub"));
    const std::vector<unsigned char> bytes = bytesOf(input);
    const std::string out = folder.path("out.wav"), plot = folder.path("plot.png");
    auto same = [](const std::string& role, const std::string& path, const std::string& other,
                   const std::string& otherPath) {
        return role + " " + path + " is the same file as " + other + " " + otherPath;
    };
    const BadRun runs[] = {
        {{"--gain-db", "6", "IN", "IN"}, same("the output", input, "the input", input)},
        {{"IN", hard}, same("the output", hard, "the input", input)},
        {{"IN", soft}, same("the output", soft, "the input", input)},
        {{hard}, same("the output", folder.path("hard.limited.wav"), "the input", hard)},
        {{"--plot", "IN", "IN", out}, same("the plot", input, "the input", input)},
        {{"--save-state", "IN", "IN", out}, same("the state saved", input, "the input", input)},
        {{"--save-state", out, "IN", out}, same("the state saved", out, "the output", out)},
        // Files still to be made are one file by any spelling of their folder.
        {{"--plot", plot, "IN", folder.path("sub/../plot.png")},
         same("the plot", plot, "the output", folder.path("sub/../plot.png"))},
        {{"--plot", plot, "--save-state", folder.path("./plot.png"), "IN", out},
         same("the state saved", folder.path("./plot.png"), "the plot", plot)},
        {{"--load-state", state, "IN", state},
         same("the output", state, "the state loaded", state)},
    };
    for (const BadRun& bad : runs) {
        expectRefused(bad, folder, input);
        EXPECT_TRUE(bytesOf(input) == bytes) << "the input changed";
    }
    // A state loaded and saved again in place is an update of that file.
    const ToolRun update =
        runRender({"--load-state", state, "--gain-db", "6", "--save-state", state, input, out});
    EXPECT_EQ(update.exitCode, 0) << update.err;
    EXPECT_TRUE(bytesOf(input) == bytes) << "the input changed";
}

namespace {

// Whether a thread of the process sleeps in the system call `number`.
bool sleepsIn(pid_t pid, long number) {
    std::error_code gone;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", gone)) {
        std::ifstream syscall(task.path() / "syscall"), stat(task.path() / "stat");
        long current = -1;
        syscall >> current;
        std::string stats;
        std::getline(stat, stats);
        const std::size_t state = stats.rfind(')') + 2;
        if (current == number && state < stats.size() && stats[state] == 'S') return true;
    }
    return false;
}

// Polls `ready` for up to half a minute.
template <typename Ready> bool waitFor(Ready ready) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace

TEST(RenderErrors, ASignalEndsTheRunWith128PlusItsNumberAndLeavesNoFile) {
    TempFolder folder;
    const std::string program = PluginLibrary::programFolder() + "brelto-render";
    const std::string fifo = folder.path("fifo.wav"), out = folder.path("out.wav");
    // A FIFO that no one writes holds the program in open(), alone or in a batch,
    // where another thread than the one waiting hears the signal.
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const bool batch : {false, true}) {
        const int signal = batch ? SIGTERM : SIGINT;
        StartedTool render(program, batch ? std::vector<std::string>{fifo, "--out-dir", out}
                                          : std::vector<std::string>{fifo, out});
        ASSERT_TRUE(waitFor([&] { return sleepsIn(render.pid(), SYS_openat); }));
        kill(render.pid(), signal);
        const ToolRun run = render.waitAtMost(std::chrono::seconds(10));
        EXPECT_EQ(run.exitCode, 128 + signal) << run.err;
        EXPECT_NE((batch ? run.out : run.err).find("stopped; " + fifo + " was not rendered"),
                  std::string::npos)
            << run.out << run.err;
    }
    std::filesystem::remove(out); // the batch's folder
    // A closed terminal's SIGHUP in the middle of a long render.
    Audio minute = someSound(2);
    minute.samples.resize(60 * 44100 * 2, 0.25f);
    writeAudio(folder.path("minute.wav"), minute);
    StartedTool render(program, {folder.path("minute.wav"), out});
    ASSERT_TRUE(waitFor([&] {
        for (const std::string& name : filesIn(folder))
            if (name.rfind(".out.wav.partial", 0) == 0) return true;
        return false;
    }));
    kill(render.pid(), SIGHUP);
    const ToolRun run = render.waitAtMost(std::chrono::seconds(60));
    EXPECT_EQ(run.exitCode, 128 + SIGHUP) << run.err;
    EXPECT_NE(run.err.find("stopped; " + out + " was not written"), std::string::npos) << run.err;
    EXPECT_EQ(filesIn(folder), (std::vector<std::string>{"fifo.wav", "minute.wav"}));
}
