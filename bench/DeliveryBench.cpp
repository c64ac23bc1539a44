// brelto-delivery-bench: brelto-render against a two-pass ffmpeg loudnorm
// (linear mode, the first pass's measurements handed to the second) on the
// same generated material at two loudness targets, both at a true-peak limit
// of -1 dBTP into 16-bit FLAC at 44.1 kHz. For every output: the loudness
// error and the loudness range, and the true peak on libebur128, on the 8
// times oversampled meter, on ffmpeg's ebur128 filter and on sox's
// very-high-quality 8x rate with stats; for every tool: the wall-clock time of
// its whole run, the median of several.
//   brelto-delivery-bench [--seconds S] [--repetitions N]
#include "tools/demo/MusicSignal.h"
#include "tools/pluginhost/PluginLibrary.h"
#include "tools/render/AudioFile.h"
#include "tools/render/Measurements.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kRate = 44100;
constexpr int kStereo = 2;
constexpr double kDefaultSeconds = 30.0;
constexpr int kDefaultRepetitions = 3;
constexpr double kTargets[] = {-14.0, -23.0};
constexpr double kTruePeakLimit = -1.0;
// loudnorm's widest loudness range: only the true peak sends it to its dynamic mode.
constexpr double kLoudnormRange = 20.0;
constexpr int kOversampledRate = kRate * OversampledPeak::kOversampling;
constexpr int kReadFrames = 4096;

namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "brelto-delivery-bench: %s\n", why.c_str());
    std::exit(1);
}

struct Material {
    const char* name;
    std::vector<float> frames;
};

// Music at three levels, one of them driven into clipping, and one whose
// second half is 20 dB quieter than its first.
std::vector<Material> material(double seconds) {
    std::vector<Material> all;
    all.push_back({"music, quiet", musicExcerpt(kRate, seconds, 0.25f)});
    all.push_back({"music, loud", musicExcerpt(kRate, seconds, 0.95f)});
    std::vector<float> clipped = musicExcerpt(kRate, seconds, 3.0f);
    for (float& sample : clipped)
        sample = std::clamp(sample, -1.0f, 1.0f);
    all.push_back({"music, clipped", clipped});
    std::vector<float> dynamic = musicExcerpt(kRate, seconds, 0.9f);
    for (std::size_t i = dynamic.size() / 2; i < dynamic.size(); ++i)
        dynamic[i] *= 0.1f;
    all.push_back({"music, soft second half", dynamic});
    return all;
}

void writeFlac(const std::string& path, const std::vector<float>& frames) {
    AudioWriter writer(path, {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, kStereo, kRate});
    writer.write(frames.data(), static_cast<int>(frames.size() / kStereo));
    writer.commit();
}

// Runs a program found on the PATH with its output streams in files; returns
// its standard error and the seconds it took.
std::string run(const std::vector<std::string>& args, const fs::path& folder, double* seconds) {
    const std::string out = (folder / "stdout").string(), err = (folder / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> words = args;
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const auto started = std::chrono::steady_clock::now();
    pid_t child = -1;
    if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        fail("cannot start " + args[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (seconds != nullptr)
        *seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    posix_spawn_file_actions_destroy(&actions);
    std::ifstream file(err);
    std::stringstream text;
    text << file.rdbuf();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) fail(args[0] + " failed:\n" + text.str());
    return text.str();
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f", value);
    return text;
}

// The measurements that loudnorm prints last.
nlohmann::json lastJsonIn(const std::string& text) {
    const std::size_t open = text.rfind('{');
    const std::size_t close = text.rfind('}');
    if (open == std::string::npos || close == std::string::npos || close < open)
        fail("loudnorm printed no measurements");
    return nlohmann::json::parse(text.substr(open, close - open + 1));
}

// Both passes; `mode` receives the second's "linear" or "dynamic".
double loudnorm(const std::string& in, const std::string& out, double target,
                const fs::path& folder, std::string& mode) {
    const std::string goal = "loudnorm=I=" + number(target) + ":TP=" + number(kTruePeakLimit) +
                             ":LRA=" + number(kLoudnormRange);
    double first = 0.0, second = 0.0;
    const nlohmann::json measured =
        lastJsonIn(run({"ffmpeg", "-hide_banner", "-nostats", "-i", in, "-af",
                        goal + ":print_format=json", "-f", "null", "-"},
                       folder, &first));
    const std::string filter = goal + ":measured_I=" + measured["input_i"].get<std::string>() +
                               ":measured_TP=" + measured["input_tp"].get<std::string>() +
                               ":measured_LRA=" + measured["input_lra"].get<std::string>() +
                               ":measured_thresh=" + measured["input_thresh"].get<std::string>() +
                               ":offset=" + measured["target_offset"].get<std::string>() +
                               ":linear=true:print_format=json";
    const nlohmann::json done =
        lastJsonIn(run({"ffmpeg", "-y", "-hide_banner", "-nostats", "-i", in, "-af", filter, "-ar",
                        std::to_string(kRate), "-c:a", "flac", "-sample_fmt", "s16", out},
                       folder, &second));
    mode = done["normalization_type"].get<std::string>();
    return first + second;
}

double brelto(const std::string& in, const std::string& out, double target,
              const fs::path& folder) {
    double seconds = 0.0;
    run({PluginLibrary::programFolder() + "brelto-render", "--target-lufs", number(target),
         "--true-peak", number(kTruePeakLimit), in, out},
        folder, &seconds);
    return seconds;
}

struct Readings {
    double loudness, range, libebur128, oversampled, ffmpeg, sox;
};

// The number after `label` in the last place it appears.
double numberAfter(const std::string& text, const std::string& label) {
    const std::size_t at = text.rfind(label);
    if (at == std::string::npos) fail("no '" + label + "' in:\n" + text);
    return std::strtod(text.c_str() + at + label.size(), nullptr);
}

Readings measure(const std::string& path, const fs::path& folder) {
    AudioReader reader(path);
    LevelMeter meter(reader.format().channels, reader.format().rate);
    std::vector<float> frames(static_cast<std::size_t>(kReadFrames * reader.format().channels));
    for (int got; (got = reader.read(frames.data(), kReadFrames)) > 0;)
        meter.add(frames.data(), got);
    meter.finish();
    Readings readings{meter.loudnessLufs(),
                      meter.loudnessRangeLu(),
                      meter.truePeakDb(),
                      meter.oversampledPeakDb(),
                      0.0,
                      0.0};
    const std::string ebur128 = run({"ffmpeg", "-hide_banner", "-nostats", "-i", path, "-af",
                                     "ebur128=peak=true", "-f", "null", "-"},
                                    folder, nullptr);
    readings.ffmpeg = numberAfter(ebur128.substr(ebur128.rfind("True peak:")), "Peak:");
    const std::string sox =
        run({"sox", path, "-n", "rate", "-v", std::to_string(kOversampledRate), "stats"}, folder,
            nullptr);
    readings.sox = numberAfter(sox, "Pk lev dB");
    return readings;
}

// The largest loudness error and the highest true peaks of one tool's outputs.
struct Worst {
    double error = 0.0, libebur128 = -HUGE_VAL, oversampled = -HUGE_VAL;
    void take(const Readings& r, double target) {
        error = std::max(error, std::fabs(r.loudness - target));
        libebur128 = std::max(libebur128, r.libebur128);
        oversampled = std::max(oversampled, r.oversampled);
    }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printRow(const char* tool, const char* file, double target, const Readings& r, double seconds,
              const std::string& note) {
    std::printf("  %-8s %-24s %+6.2f %7.2f %6.1f %7.2f %7.2f %7.2f %7.2f %7.2f  %s\n", tool, file,
                r.loudness - target, r.loudness, r.range, r.libebur128, r.oversampled, r.ffmpeg,
                r.sox, seconds, note.c_str());
}

} // namespace

int main(int argc, char** argv) {
    double seconds = kDefaultSeconds;
    int repetitions = kDefaultRepetitions;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--seconds") seconds = std::max(1.0, std::atof(argv[i + 1]));
        if (option == "--repetitions") repetitions = std::max(1, std::atoi(argv[i + 1]));
    }
    const fs::path folder =
        fs::temp_directory_path() / ("brelto-delivery-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::vector<Material> inputs = material(seconds);
    for (std::size_t i = 0; i < inputs.size(); ++i)
        writeFlac((folder / ("in" + std::to_string(i) + ".flac")).string(), inputs[i].frames);

    std::printf("%zu files of %.0f s, 44.1 kHz stereo 16-bit FLAC, to a true peak of %.0f dBTP; "
                "times: medians of %d runs\n",
                inputs.size(), seconds, kTruePeakLimit, repetitions);
    std::printf("  %-8s %-24s %6s %7s %7s %7s %7s %7s %7s\n", "tool", "file", "error", "LUFS", "TP",
                "TP 8x", "ffmpeg", "sox", "s");
    for (const double target : kTargets) {
        std::printf("target %.0f LUFS            LU\n", target);
        double breltoTotal = 0.0, loudnormTotal = 0.0;
        Worst breltoWorst, loudnormWorst;
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            const std::string in = (folder / ("in" + std::to_string(i) + ".flac")).string();
            const std::string ours = (folder / "brelto.flac").string();
            const std::string theirs = (folder / "loudnorm.flac").string();
            std::vector<double> breltoTimes, loudnormTimes;
            std::string mode;
            for (int run = 0; run < repetitions; ++run) {
                breltoTimes.push_back(brelto(in, ours, target, folder));
                loudnormTimes.push_back(loudnorm(in, theirs, target, folder, mode));
            }
            const Readings a = measure(ours, folder), b = measure(theirs, folder);
            printRow("brelto", inputs[i].name, target, a, median(breltoTimes), "");
            printRow("loudnorm", inputs[i].name, target, b, median(loudnormTimes), mode);
            breltoTotal += median(breltoTimes);
            loudnormTotal += median(loudnormTimes);
            breltoWorst.take(a, target);
            loudnormWorst.take(b, target);
        }
        std::printf("  largest error: brelto %.2f LU, loudnorm %.2f LU\n", breltoWorst.error,
                    loudnormWorst.error);
        std::printf("  highest true peak, libebur128 / 8x: brelto %.2f / %.2f dBTP, loudnorm "
                    "%.2f / %.2f dBTP\n",
                    breltoWorst.libebur128, breltoWorst.oversampled, loudnormWorst.libebur128,
                    loudnormWorst.oversampled);
        std::printf("  time: brelto %.2f s, loudnorm %.2f s, brelto / loudnorm %.2f\n", breltoTotal,
                    loudnormTotal, breltoTotal / loudnormTotal);
    }
    fs::remove_all(folder);
    return 0;
}
