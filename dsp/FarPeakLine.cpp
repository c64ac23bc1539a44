#include "dsp/FarPeakLine.h"

#include "dsp/SimdKernels.h"
#include "dsp/StereoLanes.h"

#include <cmath>
#include <emmintrin.h>

// Exactness: a far quotient is rounded twice in single precision, each time
// by at most 2^-24 of itself, so one whose exact value lies below the best
// by more than 2^-20 of the best cannot round above it. The line's height is
// the largest of the far peaks' heights over it at `base`, in double
// precision, and the bound is computed from it in a few more steps: each
// step is within 2^-52 of the magnitudes it handles (peaks, the envelope,
// the height, the slope times at most two look-aheads of frames), so a slack
// of 2^-46 of their sum covers all of them.

namespace {

constexpr double kBestShare = 0x1p-20;
constexpr double kSlackShare = 0x1p-46;
// A look-ahead is split where this share of it begins, but no nearer than
// kShortestNear: the peaks within rounding of the steepest line on the
// slowest swells all lie nearer, and the line lasts for about that many
// frames before it must be rebuilt.
constexpr std::int32_t kNearShare = 16;
constexpr std::int32_t kShortestNear = 32;
// The line waits at most this many look-aheads between tries that fail.
constexpr std::uint64_t kLongestBackOff = 16;

// The distances scanned peak by peak for a look-ahead of `lookAhead` (a
// multiple of kNearGrain), or 0 where the look-ahead is too short for the
// line to pay.
std::int32_t nearDistancesFor(std::int32_t lookAhead) {
    std::int32_t distances = lookAhead / kNearShare;
    if (distances < kShortestNear) distances = kShortestNear;
    distances -= distances % kNearGrain;
    return 4 * distances < lookAhead ? distances : 0;
}

double magnitude(double v) {
    return std::fabs(v);
}
__m128d magnitude(__m128d v) {
    return _mm_andnot_pd(_mm_set1_pd(-0.0), v);
}
// The farther of two distances where a line lies below the envelope, the
// nearer where it does not.
double farthestOf(double above, double nearer, double farther) {
    return above >= 0.0 ? nearer : farther;
}
__m128d farthestOf(__m128d above, double nearer, double farther) {
    const __m128d rising = _mm_cmpge_pd(above, _mm_setzero_pd());
    return _mm_or_pd(_mm_and_pd(rising, _mm_set1_pd(nearer)),
                     _mm_andnot_pd(rising, _mm_set1_pd(farther)));
}
bool below(double a, double b) {
    return a < b;
}
__m128d below(__m128d a, __m128d b) {
    return _mm_cmplt_pd(a, b);
}

// Whether a line `above` the envelope at the scan's frame, of slope `slope`,
// whose height at its base is `height`, shows every far quotient below
// `best`, the far peaks lying at distances nearest .. farthest: for one scan
// (D = double) or for two lane by lane (D = __m128d, a mask). `steady` is
// the part of the magnitudes in the slack that stays with the line.
template <class D>
auto showsBelow(D height, D slope, double steady, D above, D envelope, D best, double nearest,
                double farthestDistance) {
    const D farthest = farthestOf(above, nearest, farthestDistance);
    const D slack = kSlackShare * (steady + magnitude(height) + magnitude(envelope));
    // slope + above / farthest + slack below the bound, times farthest.
    return below((slope + slack) * farthest + above,
                 (best - magnitude(best) * kBestShare) * farthest);
}

} // namespace

void FarPeakLine::clear() {
    heldLookAhead = 0;
    coveredTo = 0;
    retryAt = 0;
    backOff = 0;
}

// Whether every peak at a distance near + 1 .. lookAhead - 1, the peak at
// distance j being that of frame origin + j, has a quotient of at most `best`.
bool FarPeakLine::bounds(std::int32_t lookAhead, std::uint64_t origin, float envelope,
                         float best) const {
    // The line covers the far peaks (it was built for a scan whose origin,
    // `base`, came no later), and is young enough for its frames' distances
    // from `base` to stay within two look-aheads.
    if (coveredTo < origin + static_cast<std::uint64_t>(lookAhead) ||
        origin - base > static_cast<std::uint64_t>(lookAhead))
        return false;
    const double e = envelope;
    const double above =
        height + slope * static_cast<double>(static_cast<std::int64_t>(origin - base)) - e;
    return showsBelow(height, slope, steady, above, e, static_cast<double>(best), near + 1,
                      heldLookAhead - 1);
}

__m128d FarPeakLine::boundsLanes(__m128d fromBase, __m128d envelope, __m128d best) const {
    const __m128d h = _mm_set1_pd(height);
    const __m128d b = _mm_set1_pd(slope);
    const __m128d above = h + b * fromBase - envelope;
    return showsBelow(h, b, steady, above, envelope, best, near + 1, heldLookAhead - 1);
}

void FarPeakLine::raiseOver(__m128 peaks, std::uint64_t first) {
    const double distance = static_cast<double>(static_cast<std::int64_t>(first - base));
    const __m128d step = _mm_set1_pd(slope);
    const __m128d low =
        _mm_sub_pd(_mm_cvtps_pd(peaks), _mm_mul_pd(step, _mm_setr_pd(distance, distance + 1.0)));
    const __m128d high = _mm_sub_pd(_mm_cvtps_pd(_mm_movehl_ps(peaks, peaks)),
                                    _mm_mul_pd(step, _mm_setr_pd(distance + 2.0, distance + 3.0)));
    const __m128d highest = _mm_max_pd(low, high);
    height = _mm_cvtsd_f64(
        _mm_max_sd(_mm_max_sd(highest, _mm_unpackhi_pd(highest, highest)), _mm_set_sd(height)));
}

void FarPeakLine::raise(const float* peaks, std::uint64_t origin, std::uint64_t first,
                        std::uint64_t last) {
    for (std::uint64_t f = first; f < last; ++f) {
        const double over = static_cast<double>(peaks[f - origin]) -
                            slope * static_cast<double>(static_cast<std::int64_t>(f - base));
        height = over > height ? over : height;
    }
}

// A new line over the far peaks, with the swell's slope half a near span
// beyond the nearest of them.
void FarPeakLine::rebuild(const SimdKernels& kernels, const float* peaks, std::int32_t lookAhead,
                          std::uint64_t origin, std::uint64_t now) {
    slope =
        (static_cast<double>(peaks[2 * near + 1]) - static_cast<double>(peaks[near + 1])) / near;
    base = origin;
    height = kernels.highestOverLine(peaks, near + 1, lookAhead, slope);
    steady = 1.0 + 4.0 * std::fabs(slope) * lookAhead;
    coveredTo = now;
}

void FarPeakLine::serve(std::int32_t lookAhead) {
    clear();
    heldLookAhead = lookAhead;
    near = nearDistancesFor(lookAhead);
}

bool FarPeakLine::confirms(const SimdKernels& kernels, const float* peaks, std::int32_t lookAhead,
                           std::uint64_t now, float envelope, float best) {
    const std::uint64_t origin = now - static_cast<std::uint64_t>(lookAhead);
    // The peaks that came since the line was last raised: mostly a frame or
    // two, so the last few are taken whatever their number, without a branch
    // on it. A line left far behind is built anew.
    if (coveredTo != 0 && coveredTo + kRecentFrames >= now) {
        raiseOver(_mm_loadu_ps(peaks + lookAhead - kRecentFrames), now - kRecentFrames);
        coveredTo = now;
    } else if (coveredTo != 0 && coveredTo + static_cast<std::uint64_t>(lookAhead / 4) >= now) {
        raise(peaks, origin, coveredTo, now);
        coveredTo = now;
    }
    if (!bounds(lookAhead, origin, envelope, best))
        return confirmsAnew(kernels, peaks, lookAhead, now, envelope, best);
    backOff = 0;
    return true;
}

bool FarPeakLine::confirmsAnew(const SimdKernels& kernels, const float* peaks,
                               std::int32_t lookAhead, std::uint64_t now, float envelope,
                               float best) {
    const std::uint64_t origin = now - static_cast<std::uint64_t>(lookAhead);
    rebuild(kernels, peaks, lookAhead, origin, now);
    if (!bounds(lookAhead, origin, envelope, best)) {
        // Scans that a new line cannot settle are left to the others for a
        // while, the longer the more often it failed.
        const auto longest = kLongestBackOff * static_cast<std::uint64_t>(lookAhead);
        backOff = backOff == 0        ? static_cast<std::uint64_t>(near)
                  : backOff < longest ? 2 * backOff
                                      : longest;
        retryAt = now + backOff;
        return false;
    }
    backOff = 0;
    return true;
}

bool FarPeakLine::settle(const SimdKernels& kernels, const float* peaks, const float* reciprocals,
                         std::int32_t lookAhead, std::uint64_t now, float envelope, float& target,
                         std::int32_t& steepest) {
    if (!tries(lookAhead, now)) return false;
    float best = target;
    const std::int32_t at =
        kernels.scanNearForSteepestRise(peaks, reciprocals, near, envelope, best);
    if (!confirms(kernels, peaks, lookAhead, now, envelope, best)) return false;
    target = best;
    steepest = at;
    return true;
}

__m128 FarPeakLine::confirmsFour(const float* recent, __m128 newest, std::int32_t lookAhead,
                                 std::uint64_t now, __m128 envelope, __m128 best) {
    const std::uint64_t origin = now - static_cast<std::uint64_t>(lookAhead);
    constexpr std::uint64_t kFrames = 4;
    if (lookAhead != heldLookAhead || coveredTo == 0 || coveredTo + kFrames < now || origin < base)
        return _mm_setzero_ps();
    raiseOver(_mm_loadu_ps(recent), now - kFrames);
    raiseOver(newest, now);
    coveredTo = now + kFrames;
    // Frames whose origins lie too far from `base` are left out.
    const __m128d first =
        _mm_setr_pd(static_cast<double>(origin - base), static_cast<double>(origin - base + 1));
    const __m128d third = _mm_add_pd(first, _mm_set1_pd(2.0));
    const __m128d oldest = _mm_set1_pd(lookAhead);
    const __m128d low = _mm_and_pd(_mm_cmple_pd(first, oldest),
                                   boundsLanes(first, _mm_cvtps_pd(envelope), _mm_cvtps_pd(best)));
    const __m128d high =
        _mm_and_pd(_mm_cmple_pd(third, oldest),
                   boundsLanes(third, _mm_cvtps_pd(_mm_movehl_ps(envelope, envelope)),
                               _mm_cvtps_pd(_mm_movehl_ps(best, best))));
    return stereo::fromDoubleMasks(low, high);
}
