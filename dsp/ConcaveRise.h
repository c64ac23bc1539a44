// Most look-ahead scans during a slow swell can be settled without visiting
// every coming peak. When the peaks of the scanned window form a concave run
// (their steps never grow) and all lie within a factor of two of the
// envelope, every difference involved is exact, so no later distance j can
// give a steeper rise (p_j - E) / j than the next frame's p_1 - E, provided
// the second frame's rise is at most twice the first's. The answer is then
// that of the full scan, bit for bit. Runs are tracked only while scans are
// frequent, which is when they pay.
#pragma once

#include "dsp/SignalBlock.h"

#include <cstdint>

class ConcaveRuns {
public:
    static constexpr int kMaxFrames = kMaxChunkFrames;

    // Forgets every run, with the peak lines that were just cleared.
    void clear();

    // peaks: the chunk's clamped peak estimates, interleaved, preceded by two
    // spare frames (filled here with the last two frames of the previous
    // chunk) and followed by one spare frame. When runs are tracked, fills
    // runBefore[c][i]: frames of a concave run ending just before frame i.
    void track(float* peaks, int frames);
    std::int32_t runBefore(int channel, int frame) const { return runs[channel][frame]; }
    bool tracking() const { return watching; }
    // Scans of the chunk just processed: the next chunk tracks runs when
    // scanning is frequent enough to pay for it.
    void scanned(int scans) { watching = scans >= kScansWorthTracking; }
    static constexpr int kScansWorthTracking = 8;

private:
    // recent: clamped peaks of the last two frames, interleaved, older first.
    // run: frames of the current run per channel; watching: this chunk tracks.
    float recent[4] = {};
    std::int32_t run[2] = {};
    bool watching = false;
    std::int32_t runs[2][kMaxFrames];
};

// Settles a scan of channel peaks[1 .. lookAhead - 1] against `envelope` when
// `run` (frames of a concave run ending just before this frame) covers the
// window and the window lies within a factor of two of the envelope; sets
// target and steepest as the full scan would and answers true.
bool settleConcaveRise(const float* peaks, std::int32_t lookAhead, std::int32_t run, float envelope,
                       float& target, std::int32_t& steepest);
