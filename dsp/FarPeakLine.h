// The look-ahead scan of one channel split at a distance `near`: the nearer
// peaks are scanned as usual, and the farther ones are shown unable to win by
// one straight line that none of them rises above. On a slow swell most
// scans end at one of the nearest few peaks, whose rounding alone decides
// between them, while the farther peaks fall below the swell's tangent by
// its curvature: a line over them, set with the swell's slope a little
// beyond the near distances, stays tight enough for many scans, and each
// scan only raises it over the peaks that came since.
//
// A line that no far peak rises above gives each of them a quotient of at
// most slope + K / j, K being the line's height above the envelope at the
// scan's frame: that is largest at the nearest far distance when K >= 0, at
// the farthest otherwise. When it lies below the near scan's answer by more
// than the rounding of a quotient, the near answer is the scan's.
#pragma once

#include <cstdint>
#include <emmintrin.h>

struct SimdKernels;

class FarPeakLine {
public:
    // Forgets the line: the peak lines were cleared or resized.
    void clear();

    // The scan of peaks[1 .. lookAhead - 1] against `envelope`, where peak j
    // was written at frame now - lookAhead + j, with `target` entering as the
    // release slope: sets target and steepest as the full scan would and
    // answers true, or answers false with both unchanged.
    bool settle(const SimdKernels& kernels, const float* peaks, const float* reciprocals,
                std::int32_t lookAhead, std::uint64_t now, float envelope, float& target,
                std::int32_t& steepest);

    // The same in two steps, so that the near scans of both channels may run
    // together: whether the line may be tried at all on the scan of frame
    // `now` (false: leave the scan to the others), then, given the near
    // scan's answer (target and steepest over peaks[1 .. near]), whether the
    // far peaks leave it standing.
    bool tries(std::int32_t lookAhead, std::uint64_t now) {
        if (lookAhead != heldLookAhead) serve(lookAhead);
        return near != 0 && now >= retryAt;
    }
    // The distances scanned peak by peak (a multiple of kNearGrain), set by
    // tries for its look-ahead.
    std::int32_t nearDistances() const { return near; }
    bool confirms(const SimdKernels& kernels, const float* peaks, std::int32_t lookAhead,
                  std::uint64_t now, float envelope, float best);

    // The scans of the four frames now .. now + 3 at once, each answered by
    // its nearest peak with the rise `best` from `envelope` (lane k for
    // frame now + k), without building the line anew: a mask of those whose
    // far peaks the line shows lower. `recent` holds the peaks of the four
    // frames before `now`, `newest` those of the four frames themselves; the
    // line is raised over both first, whichever frames the mask keeps.
    __m128 confirmsFour(const float* recent, __m128 newest, std::int32_t lookAhead,
                        std::uint64_t now, __m128 envelope, __m128 best);

    // Peaks that each scan raises the line over, whether or not they came
    // since the last (raising it twice over a peak changes nothing).
    static constexpr std::uint64_t kRecentFrames = 4;

private:
    // Starts the line over for scans of another look-ahead.
    void serve(std::int32_t lookAhead);
    bool bounds(std::int32_t lookAhead, std::uint64_t origin, float envelope, float best) const;
    // Lane by lane, for scans whose origins lie `fromBase` frames after
    // `base`: whether the line shows their far peaks lower.
    __m128d boundsLanes(__m128d fromBase, __m128d envelope, __m128d best) const;
    // Over the four peaks of the frames first .. first + 3.
    void raiseOver(__m128 peaks, std::uint64_t first);
    void raise(const float* peaks, std::uint64_t origin, std::uint64_t first, std::uint64_t last);
    // confirms where the line, as it stands, does not: built anew, then
    // checked. Kept out of line, so that the common check saves no registers.
    [[gnu::noinline]] bool confirmsAnew(const SimdKernels& kernels, const float* peaks,
                                        std::int32_t lookAhead, std::uint64_t now, float envelope,
                                        float best);
    void rebuild(const SimdKernels& kernels, const float* peaks, std::int32_t lookAhead,
                 std::uint64_t origin, std::uint64_t now);

    // heldLookAhead, near: the look-ahead the line serves and its near
    // distances, set when a scan brings another. slope: the line's rise per
    // frame; height: its height at frame `base`; the peaks of frames
    // base + near + 1 .. coveredTo - 1 lie on or below it (coveredTo 0: no
    // line).
    // retryAt: no scan before this frame is tried, after scans the line
    // could not settle even when built anew; backOff: the frames waited
    // after the last such scan, doubling while they fail. All change only
    // in the scans' calls (tries, confirms, settle, confirmsFour) and in
    // clear, on the audio thread.
    std::int32_t heldLookAhead = 0;
    std::int32_t near = 0;
    double slope = 0.0;
    double steady = 0.0; // 1 + 4 |slope| heldLookAhead, in the bound's slack
    double height = 0.0;
    std::uint64_t base = 0;
    std::uint64_t coveredTo = 0;
    std::uint64_t retryAt = 0;
    std::uint64_t backOff = 0;
};
