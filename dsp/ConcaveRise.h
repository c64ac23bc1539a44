// Most look-ahead scans during a slow swell can be settled without visiting
// every coming peak. When the peaks of the scanned window form a concave run
// (their steps never grow) and all lie within a factor of two of the
// envelope, every difference involved is exact, so no later distance j can
// give a steeper rise (p_j - E) / j than the next frame's p_1 - E, provided
// the second frame's rise is at most twice the first's. The answer is then
// that of the full scan, bit for bit. Runs are tracked while scans are
// frequent, and for some frames after, so that the next swell of a slow wave
// is settled from its first scans on.
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
    // chunk) and followed by one spare frame. When `runsWanted`, fills
    // runBefore(c, i): frames of a concave run ending just before frame i;
    // otherwise forgets every run.
    void track(float* peaks, int frames, bool runsWanted);
    std::int32_t runBefore(int channel, int frame) const { return runs[frame][channel]; }
    // Both channels' runs before `frame`, channel 0 first.
    const std::int32_t* runsBefore(int frame) const { return runs[frame]; }
    bool tracking() const { return watching; }
    // Whether the next chunk should track runs: scans were frequent within
    // the last kFramesKept frames.
    bool worthTracking() const { return framesLeft > 0; }
    // Scans of the chunk of `frames` frames just processed; they are frequent
    // at one in kFramesPerFrequentScan frames or more, as on a swell, where
    // the nearest peak leads from frame to frame, and not on noise.
    void scanned(int scans, int frames) {
        framesLeft = scans * kFramesPerFrequentScan >= frames ? kFramesKept
                     : framesLeft > frames                    ? framesLeft - frames
                                                              : 0;
    }
    static constexpr int kFramesPerFrequentScan = 4;
    // Longer than the fall of a slow wave between two swells.
    static constexpr int kFramesKept = 8 * kMaxFrames;

private:
    // recent: clamped peaks of the last two frames, interleaved, older first.
    // run: frames of the current run per channel; watching: this chunk tracks.
    float recent[4] = {};
    std::int32_t run[2] = {};
    bool watching = false;
    int framesLeft = 0; // frames still tracked since scans were last frequent
    std::int32_t runs[kMaxFrames][2];
};

// Windows shorter than this are left to the full scan.
inline constexpr std::int32_t kShortestConcaveWindow = 4;

// Settles a scan of channel peaks[1 .. lookAhead - 1] against `envelope` when
// `run` (frames of a concave run ending just before this frame) covers the
// window and the window lies within a factor of two of the envelope; sets
// target and steepest as the full scan would and answers true. One channel
// of the settlement that the frame loop makes for both at once
// (ConcaveSettlement.h).
bool settleConcaveRise(const float* peaks, std::int32_t lookAhead, std::int32_t run, float envelope,
                       float& target, std::int32_t& steepest);
