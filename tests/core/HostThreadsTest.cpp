// One instance driven by a host's three threads at once: audio processed on
// one, automation setting a parameter every millisecond on another, and on a
// third what a host's window does: values, display texts and chunks read,
// with chunks loaded, suspends and changes of rate in between (for which the
// host stops its audio thread, as hosts do). Under ThreadSanitizer any value
// that two of them reach without order is a finding; in every build the
// output stays finite and below full scale, and every value and text sound.
#include "tests/support/InspectedBrelto.h"
#include "tools/signals/TestSignals.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kBlockFrames = 256;
constexpr int kWindowRounds = 300;
constexpr int kAutomationCalls = 300;
constexpr int kRoundsPerChunkLoad = 7;
constexpr int kRoundsPerRateChange = 20;
constexpr float kRates[] = {48000.0f, 22050.0f, 96000.0f, 44100.0f};

// The host's switch of its audio thread: the window's thread stops it
// between two blocks, changes what may not change while processing, and
// lets it go on.
class AudioSwitch {
public:
    // Window thread: returns once the audio thread stands between two blocks.
    void stop() {
        std::unique_lock<std::mutex> lock(mutex);
        stopWanted = true;
        changed.wait(lock, [this] { return stopped; });
    }
    void restart() {
        std::lock_guard<std::mutex> lock(mutex);
        stopWanted = false;
        changed.notify_all();
    }
    // Audio thread, between blocks.
    void betweenBlocks() {
        std::unique_lock<std::mutex> lock(mutex);
        if (!stopWanted) return;
        stopped = true;
        changed.notify_all();
        changed.wait(lock, [this] { return !stopWanted; });
        stopped = false;
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    bool stopWanted = false;
    bool stopped = false;
};

// A display text of a value in 0..1: eight characters that read back within 0..1.
bool soundDisplay(const char* text) {
    char* end = nullptr;
    const float value = std::strtof(text, &end);
    return std::strlen(text) == 8 && *end == 0 && value >= 0.0f && value <= 1.0f;
}

} // namespace

TEST(HostThreads, AudioAutomationAndTheWindowTogether) {
    InspectedBrelto plugin;
    plugin.setSampleRate(kRates[0]);
    // A chunk of other settings for the window to load now and then.
    InspectedBrelto other;
    for (int i = 0; i < kHostParameterCount; ++i)
        other.setParameter(i, 0.1f * static_cast<float>(i));
    const std::string otherChunk = other.chunk(false);

    AudioSwitch audioSwitch;
    std::atomic<bool> windowDone{false}, automationDone{false};
    std::atomic<int> automationCalls{0}, unsoundSamples{0}, blocks{0};

    std::thread audio([&] {
        const std::vector<float> input = signals::varied(1 << 16, 77);
        std::vector<float> left(kBlockFrames), right(kBlockFrames);
        for (std::size_t at = 0; !(windowDone && automationDone);) {
            audioSwitch.betweenBlocks();
            for (int i = 0; i < kBlockFrames; ++i, at = (at + 1) % (input.size() / 2)) {
                left[i] = input[2 * at];
                right[i] = input[2 * at + 1];
            }
            float* io[2] = {left.data(), right.data()};
            plugin.processReplacing(io, io, kBlockFrames);
            for (int i = 0; i < kBlockFrames; ++i)
                if (!(std::fabs(left[i]) < 1.0f) || !(std::fabs(right[i]) < 1.0f)) ++unsoundSamples;
            ++blocks;
        }
    });

    std::thread automation([&] {
        signals::Random random(5);
        while (!windowDone) {
            const int index = random.below(kHostParameterCount);
            plugin.setParameter(index, 1.2f * random.bipolar() + 0.5f);
            ++automationCalls;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        automationDone = true;
    });

    int unsoundValues = 0, refusedChunks = 0, rateChanges = 0;
    std::thread window([&] {
        for (int round = 0; round < kWindowRounds || automationCalls < kAutomationCalls; ++round) {
            for (int i = 0; i < kHostParameterCount; ++i) {
                const float value = plugin.getParameter(i);
                char text[kVstMaxParamStrLen + 1] = {};
                plugin.getParameterDisplay(i, text);
                if (!(value >= 0.0f && value <= 1.0f) || !soundDisplay(text)) ++unsoundValues;
            }
            const std::string bank = plugin.chunk(false), program = plugin.chunk(true);
            if (bank.compare(0, 4, "2ii0") != 0 || program.size() != Brelto::kProgramChunkSize)
                ++unsoundValues;
            if (round % kRoundsPerChunkLoad == 0) {
                refusedChunks += plugin.load(round % 2 ? otherChunk : program, round % 2 == 0) != 1;
            }
            if (round % kRoundsPerRateChange == 0) {
                audioSwitch.stop();
                plugin.suspend();
                plugin.setSampleRate(kRates[++rateChanges % std::size(kRates)]);
                audioSwitch.restart();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        windowDone = true;
    });

    window.join();
    automation.join();
    audio.join();
    EXPECT_EQ(unsoundSamples.load(), 0);
    EXPECT_EQ(unsoundValues, 0);
    EXPECT_EQ(refusedChunks, 0);
    EXPECT_GT(blocks.load(), 0);
}
