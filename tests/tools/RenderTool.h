// Runs brelto-render, built beside the test program, and makes and reads the
// audio files it works on.
#pragma once

#include "tests/support/TempFolder.h"
#include "tools/pluginhost/PluginLibrary.h"

#include <sndfile.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

struct ToolRun {
    // As a shell reports it: 128 + the signal's number for a program that a
    // signal ended.
    int exitCode = -1;
    std::string out, err;
    nlohmann::json json() const { return nlohmann::json::parse(out); }
};

// A program started with its standard output and error going to files.
class StartedTool {
public:
    StartedTool(const std::string& program, const std::vector<std::string>& args);
    StartedTool(const StartedTool&) = delete;
    StartedTool& operator=(const StartedTool&) = delete;
    ~StartedTool();

    pid_t pid() const { return id; }
    // Waits for the end; a run that a signal ended has the exit code -1.
    ToolRun wait();
    // The same, but a program still running after `patience` is killed.
    ToolRun waitAtMost(std::chrono::milliseconds patience);

private:
    ToolRun ended(int status);

    TempFolder streams;
    pid_t id = -1;
};

// Runs the program with `args` and waits for it.
ToolRun runTool(const std::string& program, const std::vector<std::string>& args);

inline ToolRun runRender(const std::vector<std::string>& args) {
    return runTool(PluginLibrary::programFolder() + "brelto-render", args);
}

struct Audio {
    int rate = 0;
    int channels = 0;
    int format = 0;
    std::vector<float> samples; // interleaved
    long long frames() const { return static_cast<long long>(samples.size()) / channels; }
};

void writeAudio(const std::string& path, const Audio& audio);
// An empty Audio when the file cannot be read.
Audio readAudio(const std::string& path);

// Integrated loudness (LUFS) and true peak (dBTP) of audio, by libebur128.
double loudnessOf(const Audio& audio);
double truePeakOf(const Audio& audio);
// Of files played one after another: their gating blocks pooled, as album gain is measured.
double albumLoudnessOf(const std::vector<Audio>& tracks);
// The true peak (dBTP) as the sample peak of the audio 8 times oversampled by
// libsoxr's very-high-quality resampler, flat to 95 % of the Nyquist frequency.
double oversampledPeakOf(const Audio& audio);

// The whole file; empty when it cannot be read.
std::vector<unsigned char> bytesOf(const std::string& path);

// Names of the files in the folder.
std::vector<std::string> filesIn(const TempFolder& folder);
