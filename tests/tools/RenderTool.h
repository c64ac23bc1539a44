// Runs brelto-render, built beside the test program, and makes and reads the
// audio files it works on.
#pragma once

#include "tests/support/TempFolder.h"
#include "tools/pluginhost/PluginLibrary.h"

#include <sndfile.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

struct ToolRun {
    int exitCode = -1;
    std::string out, err;
    nlohmann::json json() const { return nlohmann::json::parse(out); }
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

// The whole file; empty when it cannot be read.
std::vector<unsigned char> bytesOf(const std::string& path);

// Names of the files in the folder.
std::vector<std::string> filesIn(const TempFolder& folder);
