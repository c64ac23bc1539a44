// A chunk takes every parameter-derived value once, at its start: values
// written from another thread while it runs wait for the next chunk.
#include "tests/support/ReferenceMaximizer.h"
#include "tools/signals/TestSignals.h"

#include "dsp/MaximizerCore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>
#include <xmmintrin.h>

namespace {

bool sameGainComputers(const reference::Maximizer& a, const reference::Maximizer& b) {
    for (int c = 0; c < 2; ++c) {
        if (std::memcmp(&a.envelope[c], &b.envelope[c], sizeof(float)) != 0 ||
            std::memcmp(&a.slope[c], &b.slope[c], sizeof(float)) != 0 ||
            std::memcmp(&a.target[c], &b.target[c], sizeof(float)) != 0 || a.hold[c] != b.hold[c])
            return false;
    }
    return true;
}

// Another thread switches the release length between two values as fast as
// it can while chunks are processed. Each chunk must equal the reference run
// with one of the two lengths for the whole chunk; the states that fit are
// followed on (usually one, two when a chunk did not depend on the length).
TEST(ParameterSnapshot, AReleaseWrittenDuringAChunkWaitsForTheNextChunk) {
    _mm_setcsr(_mm_getcsr() | 0x8800);
    constexpr std::int32_t kShort = 50, kLong = 3000;
    constexpr int kChunk = 128, kChunks = 3000;
    // Quiet noise with a loud click every 61 frames: each click ends in a
    // scan that finds nothing and falls back on the release slope, and every
    // output frame shows the envelope.
    signals::Random random(77);
    std::vector<float> input(2 * kChunk * kChunks);
    for (std::size_t i = 0; i < input.size(); ++i)
        input[i] = (i / 2) % 61 == 0 ? random.bipolar() : 0.05f * random.bipolar();
    MaximizerCore core;
    reference::Maximizer start;
    core.setGain(10.0f);
    core.setSwitches(false, false);
    core.setReleaseFrames(kShort);
    start.gain = 10.0f;
    start.ispOn = start.linkOn = 0;
    start.releaseFrames = kShort;
    std::vector<reference::Maximizer> candidates{start};

    // All chunks first, in rounds that each start a writer of their own, so
    // that the scheduler gets several chances to run it beside the chunks;
    // then the comparison.
    constexpr int kRounds = 6;
    std::vector<float> out(input.size());
    for (int round = 0; round < kRounds; ++round) {
        std::atomic<bool> started{false}, stop{false};
        std::thread writer([&] {
            // Each length stays for a while, about as long as a few frames take.
            auto hold = [&] {
                for (int i = 0; i < 200; ++i)
                    if (stop.load(std::memory_order_relaxed)) return;
            };
            started = true;
            while (!stop.load(std::memory_order_relaxed)) {
                core.setReleaseFrames(kLong);
                hold();
                core.setReleaseFrames(kShort);
                hold();
            }
        });
        while (!started)
            std::this_thread::yield();
        for (int chunk = round * kChunks / kRounds; chunk < (round + 1) * kChunks / kRounds;
             ++chunk) {
            const std::size_t first = 2 * static_cast<std::size_t>(chunk) * kChunk;
            core.process(&input[first], &out[first], kChunk, 1.0f);
        }
        stop = true;
        writer.join();
    }

    int chunk = 0;
    for (; chunk < kChunks && !candidates.empty(); ++chunk) {
        const std::size_t first = 2 * static_cast<std::size_t>(chunk) * kChunk;
        std::vector<reference::Maximizer> next;
        for (const reference::Maximizer& candidate : candidates) {
            for (std::int32_t release : {kShort, kLong}) {
                reference::Maximizer ref = candidate;
                ref.releaseFrames = release;
                bool same = true;
                for (std::size_t i = first; i < first + 2 * kChunk; i += 2) {
                    float frame[2] = {input[i], input[i + 1]};
                    ref.process(frame);
                    same = same && std::memcmp(frame, &out[i], sizeof(frame)) == 0;
                }
                bool known = false;
                for (const reference::Maximizer& kept : next)
                    known = known || sameGainComputers(kept, ref);
                if (same && !known) next.push_back(ref);
            }
        }
        candidates.swap(next);
    }
    EXPECT_FALSE(candidates.empty()) << "chunk " << chunk - 1 << " mixed the two release lengths";
}

} // namespace
