// brelto-batch-bench: a batch of eight 60 s stereo files mastered by
// brelto-render's batch (to -14 LUFS and -1 dBTP, 16-bit FLAC with dither),
// one file after another and then on several jobs at once. Each figure is
// the median of several runs of the whole batch, wall-clock time.
//   brelto-batch-bench [--jobs N] [--repetitions N]
#include "tools/demo/MusicSignal.h"
#include "tools/render/Batch.h"
#include "tools/render/Options.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 60;
constexpr int kFiles = 8;
constexpr int kStereo = 2;
constexpr int kDefaultJobs = 2;
constexpr int kDefaultRepetitions = 3;
// Peaks of the files' loudest drum hits, so that each search has its own way to go.
constexpr float kLowestPeak = 0.3f, kPeakStep = 0.08f;

std::vector<std::string> writeInputs(const std::filesystem::path& folder) {
    std::vector<std::string> paths;
    for (int i = 0; i < kFiles; ++i) {
        const std::vector<float> music =
            musicExcerpt(kRate, kSeconds, kLowestPeak + kPeakStep * static_cast<float>(i));
        const std::string path = (folder / ("song" + std::to_string(i) + ".flac")).string();
        SF_INFO info{};
        info.samplerate = kRate;
        info.channels = kStereo;
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        const auto frames = static_cast<sf_count_t>(music.size() / kStereo);
        if (file == nullptr || sf_writef_float(file, music.data(), frames) != frames ||
            sf_close(file) != 0) {
            std::fprintf(stderr, "brelto-batch-bench: cannot write %s\n", path.c_str());
            std::exit(1);
        }
        paths.push_back(path);
    }
    return paths;
}

// Seconds for the whole batch on `jobs` jobs.
double timeBatch(const Options& options, const std::string& outDir, int jobs) {
    const auto started = std::chrono::steady_clock::now();
    const std::vector<BatchItem> items = runBatch(options.request, options.inputs, outDir, jobs);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (const BatchItem& item : items)
        if (!item.done) {
            std::fprintf(stderr, "brelto-batch-bench: %s: %s\n", item.input.c_str(),
                         item.error.c_str());
            std::exit(1);
        }
    return seconds;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    int jobs = kDefaultJobs, repetitions = kDefaultRepetitions;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--jobs") jobs = std::max(1, std::atoi(argv[i + 1]));
        if (option == "--repetitions") repetitions = std::max(1, std::atoi(argv[i + 1]));
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("brelto-batch-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "out");
    const std::vector<std::string> inputs = writeInputs(folder);

    const std::string outDir = (folder / "out").string();
    std::vector<std::string> arguments = {
        "brelto-batch-bench", "--target-lufs", "-14", "--true-peak", "-1", "--out-dir", outDir};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    std::vector<char*> argumentPointers;
    for (std::string& argument : arguments)
        argumentPointers.push_back(argument.data());
    const Options options =
        parseOptions(static_cast<int>(argumentPointers.size()), argumentPointers.data(),
                     PluginLibrary::programFolder() + "Brelto.so");
    std::vector<double> alone, together;
    for (int run = 0; run < repetitions; ++run) {
        alone.push_back(timeBatch(options, outDir, 1));
        together.push_back(timeBatch(options, outDir, jobs));
    }
    std::filesystem::remove_all(folder);
    const double one = median(alone), several = median(together);
    std::printf("batch of %d files of %d s, 44.1 kHz stereo 16-bit FLAC, to -14 LUFS and -1 dBTP\n",
                kFiles, kSeconds);
    std::printf("  one after another (--jobs 1)  %7.3f s\n", one);
    std::printf("  at once (--jobs %d)            %7.3f s  = %.2f x one after another\n", jobs,
                several, several / one);
    return 0;
}
