#include "RenderTool.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

// A shell's exit status for a program ended by a signal: this plus its number.
constexpr int kSignalled = 128;

std::string contentOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

StartedTool::StartedTool(const std::string& program, const std::vector<std::string>& args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, streams.path("stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, streams.path("stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&id, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) id = -1;
    posix_spawn_file_actions_destroy(&actions);
}

StartedTool::~StartedTool() {
    if (id > 0) waitAtMost(std::chrono::milliseconds(0));
}

ToolRun StartedTool::wait() {
    int status = -1;
    if (id > 0) waitpid(id, &status, 0);
    return ended(status);
}

ToolRun StartedTool::waitAtMost(std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    int status = -1;
    while (id > 0 && waitpid(id, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(id, SIGKILL);
            waitpid(id, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return ended(status);
}

ToolRun StartedTool::ended(int status) {
    ToolRun run;
    if (id <= 0) return run;
    id = -1;
    if (WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        run.exitCode = kSignalled + WTERMSIG(status);
    run.out = contentOf(streams.path("stdout"));
    run.err = contentOf(streams.path("stderr"));
    return run;
}

ToolRun runTool(const std::string& program, const std::vector<std::string>& args) {
    return StartedTool(program, args).wait();
}

void writeAudio(const std::string& path, const Audio& audio) {
    SF_INFO info{};
    info.samplerate = audio.rate;
    info.channels = audio.channels;
    info.format = audio.format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    EXPECT_EQ(sf_writef_float(file, audio.samples.data(), audio.frames()), audio.frames());
    sf_close(file);
}

Audio readAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    Audio audio;
    if (file == nullptr) return audio;
    audio.rate = info.samplerate;
    audio.channels = info.channels;
    audio.format = info.format;
    audio.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, audio.samples.data(), info.frames);
    sf_close(file);
    return audio;
}

namespace {

// The figure `read` gives of the whole of `audio` (the loudest channel's, for peaks).
double measured(const Audio& audio, int mode, bool perChannel,
                int (*read)(ebur128_state*, unsigned int, double*)) {
    ebur128_state* state = ebur128_init(static_cast<unsigned>(audio.channels),
                                        static_cast<unsigned long>(audio.rate), mode);
    ebur128_add_frames_float(state, audio.samples.data(), static_cast<std::size_t>(audio.frames()));
    double result = -HUGE_VAL;
    for (int c = 0; c < (perChannel ? audio.channels : 1); ++c) {
        double value = 0.0;
        read(state, static_cast<unsigned>(c), &value);
        result = std::max(result, value);
    }
    ebur128_destroy(&state);
    return result;
}

int globalLoudness(ebur128_state* state, unsigned int, double* value) {
    return ebur128_loudness_global(state, value);
}

} // namespace

double loudnessOf(const Audio& audio) {
    return measured(audio, EBUR128_MODE_I, false, globalLoudness);
}

double truePeakOf(const Audio& audio) {
    return 20.0 * std::log10(measured(audio, EBUR128_MODE_TRUE_PEAK, true, ebur128_true_peak));
}

std::vector<unsigned char> bytesOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::string> filesIn(const TempFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(folder.path(""))))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
