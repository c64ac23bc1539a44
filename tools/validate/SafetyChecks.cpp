// Checks of what the audio thread may do and of two threads at once.
#include "tools/validate/Check.h"
#include "tools/validate/Interposer.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

constexpr int kSmallBlock = 64;
constexpr int kEventsEvery = 16; // blocks between MIDI event lists
constexpr unsigned char kControlChange = 0xB0;
// An effect that rebuilds itself on every parameter change may take long for
// all the calls; the check stops there and says how many it made.
constexpr double kRealTimeSeconds = 20.0;
constexpr int kClockEvery = 256; // calls between looks at the clock

// One controller message, as a host sends it before a block.
struct OneEvent {
    VstMidiEvent midi{};
    VstEvents list{};
    OneEvent(unsigned char controller, unsigned char value) {
        midi.type = kVstMidiType;
        midi.byteSize = sizeof(VstMidiEvent);
        midi.midiData[0] = static_cast<char>(kControlChange);
        midi.midiData[1] = static_cast<char>(controller);
        midi.midiData[2] = static_cast<char>(value);
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<VstEvent*>(&midi);
    }
};

long countNonFinite(Channels& out, int frames) {
    long count = 0;
    for (int c = 0; c < out.count(); ++c)
        for (int i = 0; i < frames; ++i)
            if (!std::isfinite(out[c][i])) ++count;
    return count;
}

} // namespace

CheckResult checkRealTime(CheckContext& context) {
    CheckResult result;
    Random random(context.seed);
    Effect effect(context.plugin.entry());
    effect.start(kRate, kSmallBlock);
    const int calls = context.size(100000, 10000);
    Channels in(effect.inputs(), kSmallBlock), out(effect.outputs(), kSmallBlock);
    for (int c = 0; c < in.count(); ++c)
        for (int i = 0; i < kSmallBlock; ++i)
            in[c][i] = 0.5f * random.bipolar();
    std::vector<int> indexes(static_cast<std::size_t>(calls));
    std::vector<float> values(static_cast<std::size_t>(calls));
    for (int i = 0; i < calls; ++i) {
        indexes[static_cast<std::size_t>(i)] =
            effect.parameters() > 0 ? random.below(effect.parameters()) : 0;
        values[static_cast<std::size_t>(i)] = random.uniform();
    }
    OneEvent event(1, 64);
    const bool withParameters = effect.parameters() > 0;

    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(kRealTimeSeconds));
    int made = 0;
    interposer::arm();
    for (int i = 0; i < calls; ++i, ++made) {
        if (i % kClockEvery == 0 && std::chrono::steady_clock::now() > deadline) break;
        if (i % kEventsEvery == 0) effect.dispatch(effProcessEvents, 0, 0, &event.list);
        effect.process(in.pointers(), out.pointers(), kSmallBlock);
        if (withParameters)
            effect.setParameter(indexes[static_cast<std::size_t>(i)],
                                values[static_cast<std::size_t>(i)]);
    }
    const interposer::Counts counts = interposer::disarm();

    if (counts.allocations > 0)
        result.fail(format("%ld allocations or releases on the audio thread", counts.allocations));
    if (counts.locks > 0) result.fail(format("%ld locks on the audio thread", counts.locks));
    const std::string locks =
        interposer::countsLocks() ? format("%ld locks", counts.locks) : "locks not counted here";
    const std::string stopped =
        made < calls ? format(" (stopped after %.0f s)", kRealTimeSeconds) : "";
    result.figure =
        format("%d process, %d setParameter, %d processEvents calls%s: %ld "
               "allocations, %s",
               made, withParameters ? made : 0, (made + kEventsEvery - 1) / kEventsEvery,
               stopped.c_str(), counts.allocations, locks.c_str());
    return result;
}

CheckResult checkThreads(CheckContext& context) {
    CheckResult result;
    Random random(context.seed);
    Effect effect(context.plugin.entry());
    effect.start(kRate, kSmallBlock);
    const std::vector<unsigned char> saved =
        effect.keepsChunks() ? effect.chunk() : std::vector<unsigned char>();
    const long reportsBefore = sanitizers::reports();

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0}, nonFinite{0};
    std::thread audio([&] {
        Random noise(context.seed + 1);
        Channels in(effect.inputs(), kSmallBlock), out(effect.outputs(), kSmallBlock);
        for (int c = 0; c < in.count(); ++c)
            for (int i = 0; i < kSmallBlock; ++i)
                in[c][i] = 0.5f * noise.bipolar();
        while (!stop.load()) {
            effect.process(in.pointers(), out.pointers(), kSmallBlock);
            nonFinite.fetch_add(countNonFinite(out, kSmallBlock));
            blocks.fetch_add(1);
        }
    });
    while (blocks.load() == 0)
        std::this_thread::yield();
    long parameterChanges = 0, chunkChanges = 0, programChanges = 0;
    char text[256];
    for (int i = 0; i < context.size(20000, 2000); ++i) {
        const int roll = random.below(10);
        if (roll < 6 && effect.parameters() > 0) {
            const int index = random.below(effect.parameters());
            effect.setParameter(index, random.uniform());
            effect.dispatch(effGetParamDisplay, index, 0, text);
            ++parameterChanges;
        } else if (roll < 8 && !saved.empty()) {
            effect.setChunk(saved.data(), static_cast<VstIntPtr>(saved.size()));
            effect.chunk();
            ++chunkChanges;
        } else {
            effect.dispatch(effSetProgram, 0, 0);
            effect.dispatch(effGetProgramName, 0, 0, text);
            ++programChanges;
        }
    }
    stop.store(true);
    audio.join();

    const long reports = reportsBefore < 0 ? -1 : sanitizers::reports() - reportsBefore;
    if (nonFinite.load() > 0) result.fail(format("%ld non-finite outputs", nonFinite.load()));
    if (!effect.parametersValid()) result.fail("parameters left outside 0..1");
    result.figure =
        format("%ld blocks while another thread made %ld parameter, %ld chunk and %ld "
               "program changes: %ld non-finite outputs; %s",
               blocks.load(), parameterChanges, chunkChanges, programChanges, nonFinite.load(),
               reports < 0 ? "races not watched in this build"
                           : format("%ld sanitizer reports", reports).c_str());
    return result;
}
