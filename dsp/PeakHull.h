// The look-ahead scan of one channel answered from the upper convex hull of
// its coming peaks, points (frame, peak), kept as the window slides: points
// enter at the newest end and leave at the oldest. The steepest line from the
// envelope touches the hull at a vertex, found by a search outward from the
// last answer; every peak that could round to the same or a larger quotient
// lies close to that line, under the few hull edges that stay within 2^-20
// of its slope, and those peaks alone are divided as the full scan divides
// them.
//
// The window is a queue of two stacks. The back holds the newer points and
// the upper hull of them, built as they come (a point that falls inside
// stays inside until the whole back moves on). The front holds the older
// points and the hull of them, built from the newest to the oldest when the
// back moves over, with a record per point of what its push replaced, so the
// oldest point leaves by undoing its push. A scan takes the best of both.
#pragma once

#include <cstdint>
#include <memory>

class PeakHull {
public:
    // Room for windows of up to `capacity` peaks; false when memory is short
    // (the hull is then left as it was).
    bool allocate(std::int32_t capacity);
    // Forgets every point: the peak lines were cleared.
    void clear();

    // The scan of peaks[1 .. lookAhead - 1] against `envelope`, where peak j
    // was written at frame now - lookAhead + j (frames counted on), with
    // `target` entering as the release slope: sets target and steepest as
    // the full scan would and answers true, or answers false and leaves the
    // scan to the vector kernels. The hull follows the window only while
    // scans come on most frames; otherwise it is left behind, and catching up
    // would cost more than a full scan.
    bool settle(const float* peaks, std::int32_t lookAhead, std::uint64_t now, float envelope,
                float& target, std::int32_t& steepest);

    // Peaks within the band of the steepest line that are divided at most;
    // a window with more (a straight run of peaks on that line) is scanned in
    // full.
    static constexpr std::int32_t kMostCandidates = 48;

    // A point: its frame and its peak, both exact in double.
    struct Vertex {
        double frame;
        double peak;
    };

private:
    // What a push onto the front's hull replaced: the vertex at the slot it
    // took, and the hull's size before.
    struct Undo {
        Vertex replaced;
        std::int32_t size;
    };

    bool follow(const float* peaks, std::int32_t lookAhead, std::uint64_t now);
    void rebuild(const float* peaks, std::int32_t lookAhead, std::uint64_t now);
    void catchUp(const float* peaks, std::int32_t lookAhead, std::uint64_t now);
    void moveBackToFront(const float* peaks, std::uint64_t origin, std::uint64_t from);
    void pushBack(std::uint64_t frame, float peak);
    const Vertex* frontHull() const { return frontEnd - frontSize; }

    // capacity: the most points the window holds. back: the back's hull,
    // in frame order; frontEnd: the end of the front's, which grows toward
    // lower addresses as older points come, so it too lies in frame order;
    // undo: a record per front point, the newest first, so the oldest's is
    // at middle - 1 - oldest. Points held are the frames oldest .. newest - 1,
    // the front's up to middle, the back's from middle on; heldLookAhead: the
    // window length they were taken for (0: none held). hints: the touching
    // vertices of the last scan, front and back. lastScan, streak: the frame
    // of the last scan asked of the hull, and how many came one after
    // another, each within a frame or two.
    std::int32_t capacity = 0;
    std::unique_ptr<Vertex[]> frontStorage, back;
    Vertex* frontEnd = nullptr;
    std::unique_ptr<Undo[]> undo;
    std::int32_t frontSize = 0, backSize = 0;
    std::uint64_t oldest = 0, middle = 0, newest = 0;
    std::int32_t heldLookAhead = 0;
    std::int32_t hints[2] = {0, 0};
    std::uint64_t lastScan = 0;
    std::int32_t streak = 0;
};
