// The processing frame: chunking of host blocks, control ticks, MIDI event
// timing and the set-up calls, observed through a module that records.
#include "tools/pluginhost/RecordingHost.h"

#include "core/SynthCore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>
#include <xmmintrin.h>

namespace {

struct Call {
    int frames;
    int tick;
};

// Copies its input to its output and records every call.
class RecordingModule final : public Module {
public:
    explicit RecordingModule(ModuleList& list) : list(list) { list.append(this); }
    std::int32_t kind() override { return 7; }
    void setSampleRate(std::int32_t rate) override { rates.push_back(rate); }
    void parameterChanged(std::int32_t, float) override { ++parameterChanges; }
    void process(std::int32_t frames, std::int32_t tick) override {
        calls.push_back({frames, tick});
        floatModes.push_back(_mm_getcsr());
        for (int i = 0; i < 2 * frames; ++i)
            output.frames[i] = list.input().frames[i];
    }
    void reset() override { ++resets; }

    ModuleList& list;
    SignalBlock output;
    std::vector<Call> calls;
    std::vector<std::int32_t> rates;
    std::vector<unsigned> floatModes; // the SSE control register in each call
    int parameterChanges = 0;
    int resets = 0;
};

// A core with the recording module as its only module.
class FrameCore : public SynthCore {
public:
    explicit FrameCore(audioMasterCallback host = RecordingHost::callback) : SynthCore(host) {
        module = std::make_unique<RecordingModule>(modules());
        modules().setOutputSource(&module->output);
        setSampleRate(44100.0f);
        module->rates.clear();
    }
    void onTextEdited(int, const char*) override {}
    VstTimeInfo* getTimeInfo(VstInt32 filter) override {
        hostFloatModes.push_back(_mm_getcsr());
        return SynthCore::getTimeInfo(filter);
    }
    void handleMidiEvent(const VstMidiEvent& event) override {
        handled.push_back({event.deltaFrames, static_cast<int>(module->calls.size())});
    }
    // Runs a block of n frames of a ramp; returns the output of channel 0.
    std::vector<float> run(int n) {
        std::vector<float> left(n), right(n);
        for (int i = 0; i < n; ++i)
            left[i] = right[i] = static_cast<float>(i);
        float* in[2] = {left.data(), right.data()};
        processReplacing(in, in, n);
        return left;
    }
    std::vector<int> chunkSizes() const {
        std::vector<int> sizes;
        for (const Call& call : module->calls)
            sizes.push_back(call.frames);
        return sizes;
    }
    // A MIDI event (deltaFrames, chunks processed when it was handled).
    struct Handled {
        int deltaFrames;
        int afterChunks;
    };
    std::vector<Handled> handled;
    std::vector<unsigned> hostFloatModes; // the register whenever the host was asked
    using SynthCore::advanceEventClock;
    using SynthCore::transport;
    std::unique_ptr<RecordingModule> module;
};

VstMidiEvent midiAt(int deltaFrames) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(0xB0);
    return event;
}

void send(FrameCore& core, std::vector<VstMidiEvent>& events) {
    std::vector<char> storage(sizeof(VstEvents) + events.size() * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = static_cast<VstInt32>(events.size());
    for (std::size_t i = 0; i < events.size(); ++i)
        list->events[i] = reinterpret_cast<VstEvent*>(&events[i]);
    EXPECT_EQ(core.processEvents(list), 1);
}

TEST(ProcessingFrame, BlocksAreCutIntoChunksOfAtMostTwoMilliseconds) {
    RecordingHost host;
    FrameCore core;
    EXPECT_EQ(core.chunkLimit(), 88);
    core.run(200);
    EXPECT_EQ(core.chunkSizes(), (std::vector<int>{88, 88, 24}));
    // Each chunk asks the host for tempo and position.
    const auto times = host.callsOf(audioMasterGetTime);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(times[0].value, 0x600);
}

TEST(ProcessingFrame, AudioPassesThroughUnchangedAndInPlace) {
    RecordingHost host;
    FrameCore core;
    const std::vector<float> out = core.run(1000);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(out[i], static_cast<float>(i));
}

TEST(ProcessingFrame, EmptyBlockDoesNothing) {
    RecordingHost host;
    FrameCore core;
    host.calls.clear();
    core.run(0);
    EXPECT_TRUE(core.module->calls.empty());
    EXPECT_TRUE(host.calls.empty());
}

TEST(ProcessingFrame, FirstTickComesWithTheThirdChunkAfterARateChange) {
    RecordingHost host;
    FrameCore core;
    core.run(88 * 4);
    ASSERT_EQ(core.module->calls.size(), 4u);
    EXPECT_EQ(core.module->calls[0].tick, 0);
    EXPECT_EQ(core.module->calls[1].tick, 0);
    EXPECT_EQ(core.module->calls[2].tick, 1);

    FrameCore faster;
    faster.setSampleRate(48000.0f);
    EXPECT_EQ(faster.chunkLimit(), 96);
    faster.run(96 * 3);
    EXPECT_EQ(faster.module->calls[0].tick, 0);
    EXPECT_EQ(faster.module->calls[1].tick, 1);
}

TEST(ProcessingFrame, TicksAverageOnePerTwoMillisecondsWhateverTheBlockSize) {
    RecordingHost host;
    for (int block : {1, 7, 64, 1000}) {
        FrameCore core;
        const int total = 44100;
        for (int done = 0; done < total; done += block)
            core.run(std::min(block, total - done));
        int ticks = 0;
        for (const Call& call : core.module->calls)
            ticks += call.tick;
        // 44,100 frames at 88.2 frames per tick; the first tick waits a period.
        EXPECT_NEAR(ticks, 500, 1) << "block " << block;
    }
}

TEST(ProcessingFrame, ChunkLimitFollowsTheRate) {
    RecordingHost host;
    FrameCore core;
    core.setSampleRate(96000.0f);
    EXPECT_EQ(core.chunkLimit(), 192);
    EXPECT_EQ(core.integerRate(), 96000);
    core.setSampleRate(128000.0f);
    EXPECT_EQ(core.chunkLimit(), 256);
    core.setSampleRate(192000.0f);
    EXPECT_EQ(core.chunkLimit(), 256);
    core.setSampleRate(44099.5f); // ties go to even
    EXPECT_EQ(core.integerRate(), 44100);
    EXPECT_EQ(core.module->rates.back(), 44100);
}

TEST(ProcessingFrame, RatesThatCouldStallProcessingAreClamped) {
    RecordingHost host;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float rate : {0.0f, -44100.0f, 100.0f, 499.0f, nan, -inf}) {
        FrameCore core;
        core.setSampleRate(rate);
        EXPECT_EQ(core.integerRate(), 8000) << rate;
        EXPECT_GE(core.chunkLimit(), 1);
        core.run(100);
        EXPECT_EQ(core.chunkSizes().size(), 7u);
    }
    FrameCore core;
    core.setSampleRate(inf);
    EXPECT_EQ(core.integerRate(), 768000);
    EXPECT_EQ(core.chunkLimit(), 256);
}

TEST(ProcessingFrame, EventsAreHandedOutAtTheFirstChunkBoundaryAtOrAfterThem) {
    RecordingHost host;
    FrameCore core;
    std::vector<VstMidiEvent> events = {midiAt(0), midiAt(50), midiAt(88), midiAt(89)};
    send(core, events);
    core.run(200);
    ASSERT_EQ(core.handled.size(), 4u);
    EXPECT_EQ(core.handled[0].afterChunks, 1);
    EXPECT_EQ(core.handled[1].afterChunks, 1);
    EXPECT_EQ(core.handled[2].afterChunks, 1);
    EXPECT_EQ(core.handled[3].afterChunks, 2);
}

TEST(ProcessingFrame, LateEventsWaitForTheNextBlockOrTheNextEventList) {
    RecordingHost host;
    FrameCore core;
    std::vector<VstMidiEvent> events = {midiAt(300)};
    send(core, events);
    core.run(200);
    EXPECT_TRUE(core.handled.empty());
    core.run(200); // the clock keeps counting
    ASSERT_EQ(core.handled.size(), 1u);
    EXPECT_EQ(core.handled[0].afterChunks, 5);

    std::vector<VstMidiEvent> more = {midiAt(1000)};
    send(core, more);
    std::vector<VstMidiEvent> next = {midiAt(0)};
    send(core, next); // the earlier list is handed out first, at once
    ASSERT_EQ(core.handled.size(), 2u);
    EXPECT_EQ(core.handled[1].deltaFrames, 1000);
}

// Hours without an event list take the clock to its largest value, where it
// stays: it never wraps to a negative count that would hold events back.
TEST(ProcessingFrame, TheEventClockStopsAtItsLargestValue) {
    RecordingHost host;
    FrameCore core;
    constexpr int kLargest = std::numeric_limits<std::int32_t>::max();
    std::vector<VstMidiEvent> events = {midiAt(kLargest - 50), midiAt(kLargest)};
    send(core, events);
    core.advanceEventClock(kLargest - 100);
    core.run(88);
    EXPECT_EQ(core.handled.size(), 1u);
    core.run(88); // past 2^31 - 1 frames
    ASSERT_EQ(core.handled.size(), 2u);
    EXPECT_EQ(core.handled[1].deltaFrames, kLargest);
    core.advanceEventClock(kLargest);
    events = {midiAt(kLargest)};
    send(core, events); // the clock restarts from 0
    core.run(88);
    EXPECT_EQ(core.handled.size(), 2u);
    core.advanceEventClock(kLargest);
    core.run(10);
    EXPECT_EQ(core.handled.size(), 3u);
}

// A tempo that is not a finite positive number gets the values used when the
// host gives no transport; a huge one is kept inside the stored types.
TEST(ProcessingFrame, TempoFromTheHostIsCheckedBeforeItIsConverted) {
    RecordingHost host;
    VstTimeInfo time{};
    host.timeInfo = &time;
    FrameCore core;
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    const float fallbackScaled = 0.004f;
    const std::int32_t fallbackBeat = 88200; // 120 per minute at 44.1 kHz
    struct Case {
        double tempo;
        float scaled;
        std::int32_t beatFrames;
    };
    const Case cases[] = {
        {140.0, static_cast<float>(140.0 * 3.3333337e-5), 102900},
        {kNaN, fallbackScaled, fallbackBeat},
        {kInfinity, fallbackScaled, fallbackBeat},
        {-kInfinity, fallbackScaled, fallbackBeat},
        {0.0, fallbackScaled, fallbackBeat},
        {-1.0, fallbackScaled, fallbackBeat},
        {1e30, static_cast<float>(1e30 * 3.3333337e-5), std::numeric_limits<std::int32_t>::max()},
        {1e300, std::numeric_limits<float>::max(), std::numeric_limits<std::int32_t>::max()},
    };
    for (const Case& c : cases) {
        time.tempo = c.tempo;
        time.ppqPos = 12.5;
        core.run(10);
        EXPECT_EQ(core.transport().tempoScaled, c.scaled) << c.tempo;
        EXPECT_EQ(core.transport().beatFrames, c.beatFrames) << c.tempo;
        EXPECT_EQ(core.transport().quarterPosition, 12.5f) << c.tempo;
    }
    for (double position : {kNaN, kInfinity, 1e300}) {
        time.tempo = 120.0;
        time.ppqPos = position;
        core.run(10);
        EXPECT_TRUE(std::isfinite(core.transport().quarterPosition)) << position;
    }
}

TEST(ProcessingFrame, OnlyMidiEventsAreQueuedAndAFullQueueDropsTheRest) {
    RecordingHost host;
    FrameCore core;
    std::vector<VstMidiEvent> events(700, midiAt(0));
    events[3].type = kVstSysExType;
    send(core, events);
    core.run(10);
    EXPECT_EQ(core.handled.size(), 600u);
}

TEST(ProcessingFrame, SuspendResetsTheModulesAndKeepsTheClock) {
    RecordingHost host;
    FrameCore core;
    core.run(100);
    core.suspend();
    EXPECT_EQ(core.module->resets, 1);
    core.run(100);
    // The countdown was not restarted: the tick falls on the third chunk overall.
    EXPECT_EQ(core.module->calls[2].tick, 1);
}

TEST(ProcessingFrame, BlockSizeIsStoredButChangesNothing) {
    RecordingHost host;
    FrameCore core;
    core.setBlockSize(7);
    core.run(200);
    EXPECT_EQ(core.chunkSizes(), (std::vector<int>{88, 88, 24}));
}

// The host's floating-point mode is its own: modules run with flush-to-zero,
// denormals-are-zero and underflows masked, the host's callbacks in between
// see its own mode, and the call leaves the register as it found it.
TEST(ProcessingFrame, FlushToZeroHoldsOnlyWhileModulesRun) {
    RecordingHost host;
    FrameCore core;
    const unsigned before = _mm_getcsr();
    constexpr unsigned kFlushToZero = 0x8000, kUnderflowMask = 0x0800, kRoundDown = 0x2000,
                       kDenormalsAreZero = 0x0040;
    constexpr unsigned kControl = ~0x3fu; // the rest are sticky exception flags
    for (unsigned hostMode : {0x1f80u, 0x1f80u | kRoundDown, 0x1f80u & ~kUnderflowMask}) {
        _mm_setcsr(hostMode);
        core.run(300);
        const unsigned after = _mm_getcsr();
        _mm_setcsr(before);
        EXPECT_EQ(after, hostMode);
        ASSERT_EQ(core.module->floatModes.size(), 4u);
        for (unsigned mode : core.module->floatModes)
            EXPECT_EQ(mode & kControl,
                      hostMode | kFlushToZero | kDenormalsAreZero | kUnderflowMask);
        ASSERT_EQ(core.hostFloatModes.size(), 4u);
        for (unsigned mode : core.hostFloatModes)
            EXPECT_EQ(mode & kControl, hostMode);
        core.module->floatModes.clear();
        core.hostFloatModes.clear();
    }
}

TEST(ProcessingFrame, ResumeAsksForNothing) {
    RecordingHost host;
    FrameCore core;
    host.calls.clear();
    core.dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    EXPECT_TRUE(host.callsOf(audioMasterWantMidi).empty());
}

} // namespace
