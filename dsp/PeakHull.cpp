#include "dsp/PeakHull.h"

#include <cmath>
#include <cstring>
#include <new>

// Exactness: peaks and envelopes are floats of at least about 0.999 and
// below 2^6, so they are whole multiples of 2^-24, and their differences are
// exact in double with at most 30 significant bits. Frames are whole numbers
// below 2^53, their distances within a window below 2^23, so every product
// of a peak difference with a distance, and every difference of two such
// products, is exact too: each orientation and each comparison of two rises
// over their distances below is decided without rounding.

namespace {

using Vertex = PeakHull::Vertex;

// The band around the steepest line: a quotient rounded twice in single
// precision moves by less than 2^-22 of itself, so a peak whose exact
// quotient is more than 2^-20 below the steepest cannot round to it.
constexpr double kBandShare = 0x1p-20;
// Scans this many frames apart or nearer count as scans on every frame;
// after kStreakToBuild of them in a row the hull is built.
constexpr std::uint64_t kNearScans = 2;
constexpr std::int32_t kStreakToBuild = 8;
// Without such a streak, the hull catches up by at most this share of the
// window, which costs about as much as a full scan.
constexpr std::uint64_t kCatchUpShare = 32;
// Windows shorter than this are always scanned in full.
constexpr std::int32_t kShortestWindow = 16;

inline Vertex point(std::uint64_t frame, float peak) {
    return {static_cast<double>(static_cast<std::int64_t>(frame)), static_cast<double>(peak)};
}

// Whether `middle` lies strictly above the segment from `left` to `right`
// (frames increasing): else it is no vertex of their upper hull.
inline bool bendsDown(const Vertex& left, const Vertex& middle, const Vertex& right) {
    return (middle.frame - left.frame) * (right.peak - middle.peak) <
           (middle.peak - left.peak) * (right.frame - middle.frame);
}

// Distances j from first to last (last < first: none).
struct Band {
    std::int32_t first;
    std::int32_t last;
};

// The line from the envelope at a frame, and one hull's vertices in frame order.
struct Sight {
    double frame;
    double envelope;
};
struct Hull {
    const Vertex* vertices;
    std::int32_t size;
};

// The line from `from` to `b` rises more steeply than the one to `a`.
inline bool steeperTo(const Sight& from, const Vertex& a, const Vertex& b) {
    return (b.peak - from.envelope) * (a.frame - from.frame) >
           (a.peak - from.envelope) * (b.frame - from.frame);
}

// The vertex of `hull` (not empty) that the steepest line from `from`
// touches, searched outward from `hint` with doubling steps, then by halves:
// the lines to the vertices grow steeper up to it, and no steeper after (a
// vertex on the line through two others is no vertex).
[[gnu::always_inline]] inline std::int32_t touchingVertex(const Hull& hull, const Sight& from,
                                                          std::int32_t hint) {
    const Vertex* v = hull.vertices;
    const std::int32_t last = hull.size - 1;
    const auto improves = [&](std::int32_t i) {
        return i < last && steeperTo(from, v[i], v[i + 1]);
    };
    const std::int32_t probe = hint < last ? hint : last;
    std::int32_t low, high, step = 1; // the vertex is in low .. high
    if (improves(probe)) {
        low = high = probe + 1;
        while (improves(high)) {
            low = high + 1;
            step *= 2;
            high = high + step < last ? high + step : last;
        }
    } else {
        high = probe;
        low = probe - 1;
        while (low >= 0 && !improves(low)) {
            high = low;
            step *= 2;
            low -= step;
        }
        low = low + 1 > 0 ? low + 1 : 0;
    }
    while (low < high) {
        const std::int32_t mid = low + (high - low) / 2;
        if (improves(mid))
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

// The distances at which a peak under `hull` may lie on or above the line
// from `from` with slope `slope`: the hull is concave, so it is above the
// line on one stretch around the touching vertex `touch`, if at all. The
// edges that leave that stretch are cut where they cross the line, rounded
// outward. A stretch longer than kMostCandidates frames gives a band at
// least that long, whatever its ends.
Band bandAbove(const Hull& hull, std::int32_t touch, const Sight& from, double slope) {
    const Vertex* v = hull.vertices;
    const auto height = [&](const Vertex& p) {
        return (p.peak - from.envelope) - slope * (p.frame - from.frame);
    };
    if (height(v[touch]) < 0.0) return {1, 0};
    const double span = PeakHull::kMostCandidates;
    std::int32_t left = touch, right = touch;
    while (left > 0 && height(v[left - 1]) >= 0.0) {
        if (v[touch].frame - v[--left].frame > span) return {1, PeakHull::kMostCandidates + 1};
    }
    while (right < hull.size - 1 && height(v[right + 1]) >= 0.0) {
        if (v[++right].frame - v[touch].frame > span) return {1, PeakHull::kMostCandidates + 1};
    }
    // Where the line crosses the edge from a to b, one end above it and the
    // other below (the distances are positive, so truncation is the floor).
    const auto crossing = [&](const Vertex& a, const Vertex& b) {
        const double ha = height(a);
        return (a.frame - from.frame) + (b.frame - a.frame) * (ha / (ha - height(b)));
    };
    double first = v[left].frame - from.frame, last = v[right].frame - from.frame;
    if (left > 0 && v[left].frame - v[left - 1].frame > 1.0) {
        const double cut =
            static_cast<double>(static_cast<std::int32_t>(crossing(v[left - 1], v[left])));
        const double after = v[left - 1].frame - from.frame + 1.0;
        first = cut > after ? cut : after;
    }
    if (right < hull.size - 1 && v[right + 1].frame - v[right].frame > 1.0) {
        const double cut =
            static_cast<double>(static_cast<std::int32_t>(crossing(v[right], v[right + 1])) + 1);
        const double before = v[right + 1].frame - from.frame - 1.0;
        last = cut < before ? cut : before;
    }
    return {static_cast<std::int32_t>(first), static_cast<std::int32_t>(last)};
}

} // namespace

bool PeakHull::allocate(std::int32_t newCapacity) {
    const auto size = static_cast<std::size_t>(newCapacity) + 1;
    std::unique_ptr<Vertex[]> newFront(new (std::nothrow) Vertex[size]);
    std::unique_ptr<Vertex[]> newBack(new (std::nothrow) Vertex[size]);
    std::unique_ptr<Undo[]> newUndo(new (std::nothrow) Undo[size]);
    if (!newFront || !newBack || !newUndo) return false;
    frontStorage = std::move(newFront);
    frontEnd = frontStorage.get() + size;
    back = std::move(newBack);
    undo = std::move(newUndo);
    capacity = newCapacity;
    clear();
    return true;
}

void PeakHull::clear() {
    frontSize = backSize = 0;
    heldLookAhead = 0;
    hints[0] = hints[1] = 0;
    nearestHint = 0;
    streak = 0;
}

void PeakHull::pushBack(std::uint64_t frame, float peak) {
    const Vertex p = point(frame, peak);
    std::int32_t k = backSize;
    while (k >= 2 && !bendsDown(back[k - 2], back[k - 1], p))
        --k;
    back[k] = p;
    backSize = k + 1;
}

void PeakHull::moveBackToFront(const float* peaks, std::uint64_t origin, std::uint64_t from) {
    // Pushed from the newest to the oldest; frontEnd[-1 - k] is the front's
    // k-th vertex from the newest, and each push records what it replaced.
    Vertex* const end = frontEnd;
    Undo* record = undo.get();
    std::int32_t size = 0;
    for (std::uint64_t f = newest; f-- > from; ++record) {
        const Vertex p = point(f, peaks[f - origin]);
        std::int32_t k = size;
        while (k >= 2 && !bendsDown(p, end[-k], end[1 - k]))
            --k;
        *record = {end[-1 - k], size};
        end[-1 - k] = p;
        size = k + 1;
    }
    frontSize = size;
    oldest = from;
    middle = newest;
    backSize = 0;
    hints[0] = hints[1];
    hints[1] = 0;
    nearestHint = 0;
}

void PeakHull::rebuild(const float* peaks, std::int32_t lookAhead, std::uint64_t now) {
    const std::uint64_t origin = now - static_cast<std::uint64_t>(lookAhead);
    newest = now;
    moveBackToFront(peaks, origin, origin + 1);
    heldLookAhead = lookAhead;
    hints[0] = 0;
}

[[gnu::always_inline]] inline void PeakHull::catchUp(const float* peaks, std::int32_t lookAhead,
                                                     std::uint64_t now) {
    const std::uint64_t origin = now - static_cast<std::uint64_t>(lookAhead);
    while (oldest <= origin) {
        if (oldest == middle) {
            // The front is empty: the back's points still in the window move over.
            moveBackToFront(peaks, origin, middle > origin ? middle : origin + 1);
            continue;
        }
        // The oldest point leaves: its push onto the front is undone.
        const Undo& record = undo[middle - 1 - oldest];
        frontEnd[-frontSize] = record.replaced;
        frontSize = record.size;
        ++oldest;
    }
    for (; newest < now; ++newest)
        pushBack(newest, peaks[newest - origin]);
}

[[gnu::always_inline]] inline bool PeakHull::follow(const float* peaks, std::int32_t lookAhead,
                                                    std::uint64_t now) {
    streak = now - lastScan > kNearScans ? 0 : streak < kStreakToBuild ? streak + 1 : streak;
    lastScan = now;
    const auto window = static_cast<std::uint64_t>(lookAhead);
    if (heldLookAhead == lookAhead && newest <= now && newest + window > now + 1) {
        const std::uint64_t behind = now - newest;
        if (behind <= window / kCatchUpShare || (streak >= kStreakToBuild && behind < window / 2)) {
            catchUp(peaks, lookAhead, now);
            return true;
        }
    }
    if (streak < kStreakToBuild) return false;
    rebuild(peaks, lookAhead, now);
    return true;
}

// The full scan answers the nearest peak when its quotient, the rise
// r_1 = p_1 - E, beats the release slope and no later quotient rounds above
// it. Let `limit` be the midpoint between r_1 and the float above it, and let
// every later peak lie strictly below the line from the nearest with that
// slope. A peak within a factor of two of E has an exact rise, and
// p_j - E < (j - 1) limit + r_1 < j limit, so its quotient rounds to r_1 or
// below. The line alone depends on E; the steepest line from the nearest
// peak to the later ones depends on the window alone, so neither a band nor a
// division is needed. Equality with the line is left to the full query.
[[gnu::always_inline]] inline bool PeakHull::settleAtNearest(std::int32_t lookAhead,
                                                             float nearestPeak, float envelope,
                                                             float& target,
                                                             std::int32_t& steepest) {
    const float rise = nearestPeak - envelope;
    if (frontSize == 0 || !(rise > target) || rise == 0.0f) return false;
    // The midpoint between the rise and the float above it (nearer zero
    // for a fall): an exact quotient below it rounds to the rise or lower.
    std::uint32_t riseBits;
    std::memcpy(&riseBits, &rise, sizeof(riseBits));
    riseBits += rise > 0.0f ? 1u : ~0u;
    float above;
    std::memcpy(&above, &riseBits, sizeof(above));
    const double limit = (static_cast<double>(rise) + static_cast<double>(above)) * 0.5;
    // The peaks whose rises may be rounded cannot win. For r_1 > 0, every peak
    // lies below nearest + (lookAhead - 2) limit once the lines below are
    // checked: if that is within twice the envelope, no rise is rounded but
    // negative ones. For a fall, a peak below half the envelope has a quotient
    // of at most -E / (2 j), not above r_1 while j |r_1| stays within E / 2
    // (which also keeps the nearest peak above half the envelope).
    const Vertex& nearest = frontHull()[0];
    const double e = envelope;
    if (rise > 0.0f ? limit * (lookAhead - 2) > 2.0 * e - nearest.peak
                    : -static_cast<double>(rise) * (lookAhead - 1) > 0.5 * e)
        return false;
    // The nearest peak is the front's oldest point; the steepest line from it
    // to a later peak runs to its successor on the front's hull, or touches
    // the back's.
    const auto below = [&](const Vertex& v) {
        return v.peak - nearest.peak < limit * (v.frame - nearest.frame);
    };
    if (frontSize > 1 && !below(frontHull()[1])) return false;
    if (backSize > 0) {
        nearestHint =
            touchingVertex({back.get(), backSize}, {nearest.frame, nearest.peak}, nearestHint);
        if (!below(back[nearestHint])) return false;
    }
    target = rise;
    steepest = 1;
    return true;
}

bool PeakHull::settle(const float* peaks, std::int32_t lookAhead, std::uint64_t now, float envelope,
                      float& target, std::int32_t& steepest) {
    if (lookAhead < kShortestWindow || lookAhead > capacity || !follow(peaks, lookAhead, now))
        return false;
    if (settleAtNearest(lookAhead, peaks[1], envelope, target, steepest)) return true;
    const Sight from = {static_cast<double>(static_cast<std::int64_t>(now - lookAhead)),
                        static_cast<double>(envelope)};
    const Hull hulls[2] = {{frontHull(), frontSize}, {back.get(), backSize}};
    // The steepest line from the envelope to either hull, within a rounding.
    double steepestSlope = -HUGE_VAL;
    for (int h = 0; h < 2; ++h) {
        if (hulls[h].size == 0) continue;
        hints[h] = touchingVertex(hulls[h], from, hints[h]);
        const Vertex& v = hulls[h].vertices[hints[h]];
        const double slope = (v.peak - from.envelope) / (v.frame - from.frame);
        if (slope > steepestSlope) steepestSlope = slope;
    }
    const double bandSlope = steepestSlope - std::fabs(steepestSlope) * kBandShare;
    Band bands[2] = {{1, 0}, {1, 0}};
    std::int32_t candidates = 0;
    for (int h = 0; h < 2; ++h) {
        if (hulls[h].size == 0) continue;
        bands[h] = bandAbove(hulls[h], hints[h], from, bandSlope);
        if (bands[h].last >= bands[h].first) candidates += bands[h].last - bands[h].first + 1;
    }
    if (candidates > kMostCandidates) return false;
    // The candidates, older first, divided as the full scan divides them.
    float best = target;
    std::int32_t at = 0;
    for (const Band& band : bands) {
        for (std::int32_t j = band.first; j <= band.last; ++j) {
            const float quotient = (peaks[j] - envelope) / static_cast<float>(j);
            if (quotient > best) {
                best = quotient;
                at = j;
            }
        }
    }
    target = best;
    steepest = at;
    return true;
}
