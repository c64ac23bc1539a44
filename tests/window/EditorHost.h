// What the window tests' small hosts share, whatever window system shows the
// plug-in's editor: the host callback that reports the plug-in's edits and
// resizes the editor's window when asked, the audio that the host keeps
// running through the plug-in, the scale it tells, and the report of the
// parameters at the end. One line each:
//   begin I, end I           the plug-in began or ended an edit of parameter I
//   value I VALUE            the plug-in reported a new value of parameter I
//   sized W H                the plug-in asked for a window of W x H
//   final V0 V1 V2 V3 V4     the five control parameters at the end
#pragma once

#include "host/vst2.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace editorhost {

constexpr VstIntPtr kHostVersion = 2400;
constexpr int kControlParameters = 5;

// What the host program does with its window when the plug-in asks for
// another size; set before the editor opens.
inline std::function<void(int width, int height)>& windowResizer() {
    static std::function<void(int, int)> resize;
    return resize;
}

// The options before a host's own arguments: "--scale FACTOR", the scale it
// tells the plug-in once the editor is open (none: 0), and "--idle MS", the
// time between its idle calls.
struct Options {
    float scale = 0.0f;
    int idleMilliseconds = 40;
};
// Takes the options out of the arguments.
inline Options takeOptions(int& argc, char**& argv) {
    Options options;
    while (argc >= 3 && std::strncmp(argv[1], "--", 2) == 0) {
        if (std::strcmp(argv[1], "--scale") == 0)
            options.scale = std::strtof(argv[2], nullptr);
        else if (std::strcmp(argv[1], "--idle") == 0)
            options.idleMilliseconds = std::atoi(argv[2]);
        else
            break;
        argv[2] = argv[0];
        argc -= 2;
        argv += 2;
    }
    return options;
}

// Tells the plug-in the scale of the host's windows, as some hosts do.
inline void tellScale(AEffect* effect, float factor) {
    if (factor > 0.0f)
        effect->dispatcher(effect, effVendorSpecific, kVendorScaleIndex, kVendorScaleRequest,
                           nullptr, factor);
}

inline VstIntPtr VSTCALLBACK answer(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                    void* ptr, float opt) {
    switch (opcode) {
    case audioMasterVersion:
        return kHostVersion;
    case audioMasterAutomate:
        std::printf("value %d %.6f\n", index, double(opt));
        break;
    case audioMasterBeginEdit:
        std::printf("begin %d\n", index);
        break;
    case audioMasterEndEdit:
        std::printf("end %d\n", index);
        break;
    case audioMasterCanDo:
        return ptr != nullptr && std::strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0;
    case audioMasterSizeWindow:
        std::printf("sized %d %d\n", index, static_cast<int>(value));
        if (windowResizer()) windowResizer()(index, static_cast<int>(value));
        break;
    default:
        return 0;
    }
    std::fflush(stdout);
    return 1;
}

// The host's audio thread: blocks of a loud sine through the plug-in, in real
// time, while the file signalFile exists, and of silence otherwise (the
// meters then fall back to rest). Made after the editor has opened; stopped
// before the plug-in is closed.
class AudioPlayer {
public:
    AudioPlayer(AEffect* effect, const char* signalFile) : effect(effect), signalFile(signalFile) {
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, kRate);
        effect->dispatcher(effect, effSetBlockSize, 0, kBlock, nullptr, 0.0f);
        effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
        thread = std::thread([this] { play(); });
    }
    ~AudioPlayer() {
        running.store(false);
        thread.join();
        effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
    }
    AudioPlayer(const AudioPlayer&) = delete;
    AudioPlayer& operator=(const AudioPlayer&) = delete;

private:
    static constexpr int kBlock = 512;
    static constexpr float kRate = 44100.0f;
    static constexpr float kAmplitude = 0.9f;          // about -1 dBFS
    static constexpr double kRadiansPerFrame = 0.0627; // 440 Hz at 44.1 kHz

    bool signalWanted() const {
        std::FILE* file = signalFile != nullptr ? std::fopen(signalFile, "rb") : nullptr;
        if (file == nullptr) return false;
        std::fclose(file);
        return true;
    }

    void play() {
        std::vector<float> left(kBlock), right(kBlock), outLeft(kBlock), outRight(kBlock);
        float* inputs[2] = {left.data(), right.data()};
        float* outputs[2] = {outLeft.data(), outRight.data()};
        const auto blockTime = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(kBlock / kRate));
        auto due = std::chrono::steady_clock::now();
        long long frame = 0;
        while (running.load()) {
            const float amplitude = signalWanted() ? kAmplitude : 0.0f;
            for (int i = 0; i < kBlock; ++i, ++frame)
                left[i] = right[i] =
                    amplitude * static_cast<float>(std::sin(kRadiansPerFrame * frame));
            effect->processReplacing(effect, inputs, outputs, kBlock);
            due += blockTime;
            std::this_thread::sleep_until(due);
        }
    }

    AEffect* effect;
    const char* signalFile;
    std::atomic<bool> running{true};
    std::thread thread;
};

inline void sayFinal(AEffect* effect) {
    std::printf("final");
    for (int i = 0; i < kControlParameters; ++i)
        std::printf(" %.9g", double(effect->getParameter(effect, i)));
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace editorhost
