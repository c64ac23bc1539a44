#include "RenderTool.h"

#include <ebur128.h>
#include <gtest/gtest.h>
#include <soxr.h>

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

double albumLoudnessOf(const std::vector<Audio>& tracks) {
    std::vector<ebur128_state*> states;
    for (const Audio& track : tracks) {
        states.push_back(ebur128_init(static_cast<unsigned>(track.channels),
                                      static_cast<unsigned long>(track.rate), EBUR128_MODE_I));
        ebur128_add_frames_float(states.back(), track.samples.data(),
                                 static_cast<std::size_t>(track.frames()));
    }
    double loudness = -HUGE_VAL;
    ebur128_loudness_global_multiple(states.data(), states.size(), &loudness);
    for (ebur128_state*& state : states)
        ebur128_destroy(&state);
    return loudness;
}

double oversampledPeakOf(const Audio& audio) {
    constexpr int kFactor = 8;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    quality.passband_end = 0.95;
    const auto frames = static_cast<std::size_t>(audio.frames());
    std::vector<float> upsampled((frames + 1) * kFactor * static_cast<std::size_t>(audio.channels));
    std::size_t made = 0;
    const soxr_error_t error = soxr_oneshot(
        audio.rate, audio.rate * kFactor, static_cast<unsigned>(audio.channels),
        audio.samples.data(), frames, nullptr, upsampled.data(),
        upsampled.size() / static_cast<std::size_t>(audio.channels), &made, &io, &quality, nullptr);
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(made, frames * kFactor);
    float peak = 0.0f;
    for (std::size_t i = 0; i < made * static_cast<std::size_t>(audio.channels); ++i)
        peak = std::max(peak, std::fabs(upsampled[i]));
    return 20.0 * std::log10(peak);
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
