#include "tools/render/LevelSearch.h"

#include "dsp/ParameterLaws.h"
#include "tools/render/PluginSession.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr double kLoudnessTolerance = 0.05; // LU: half of what is promised
constexpr double kCeilingMargin = 0.02;     // dB below the limit after a correction
constexpr int kMostRenders = 24;
constexpr double kLowestCeilingDb = -laws::kCeilingRangeDb;
constexpr double kHighestGainDb = laws::kGainRangeDb;
// Loudness rises by at most a decibel per decibel of gain, and by far less
// once the limiter works hard; estimates of the slope stay in this range.
constexpr double kShallowestSlope = 0.05, kSteepestSlope = 1.0;
// A bracket is never cut closer than this share of its width to an end.
constexpr double kBracketInset = 0.02;
constexpr double kNarrowestBracketDb = 1e-4;

// The loudness the limited output would have at a ceiling of 0 dB.
struct Point {
    double gainDb, loudness;
};

std::string figure(double value, const char* format) {
    if (!std::isfinite(value)) return "-inf";
    char text[32];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

std::string settingsText(double gainDb, double ceilingDb) {
    return "gain " + figure(gainDb, "%+.2f") + " dB, ceiling " + figure(ceilingDb, "%.2f") + " dB";
}

class Search {
public:
    Search(const LevelGoal& goal, const RenderAt& render) : goal(goal), render(render) {}

    int run(double gainDb, double ceilingDb) {
        if (goal.truePeak) ceilingDb = std::min(ceilingDb, goal.truePeakDbtp);
        for (int renders = 1; renders <= kMostRenders; ++renders) {
            const Attempt got = attempt(gainDb, ceilingDb);
            double nextCeiling = got.ceilingDb;
            if (goal.truePeak && got.truePeakDbtp > goal.truePeakDbtp) {
                if (got.ceilingDb <= kLowestCeilingDb)
                    throw RenderError("--true-peak " + figure(goal.truePeakDbtp, "%.2f") +
                                      ": out of reach: at the lowest ceiling, " +
                                      figure(kLowestCeilingDb, "%.0f") + " dB, the true peak is " +
                                      figure(got.truePeakDbtp, "%.2f") + " dBTP");
                nextCeiling = std::max(kLowestCeilingDb,
                                       got.ceilingDb - (got.truePeakDbtp - goal.truePeakDbtp) -
                                           kCeilingMargin);
            }
            const bool loudEnough =
                !goal.loudness ||
                std::fabs(got.loudnessLufs - goal.targetLufs) <= kLoudnessTolerance;
            if (loudEnough && nextCeiling == got.ceilingDb) return renders;
            const double nextGain =
                goal.loudness ? gainFor(goal.targetLufs - nextCeiling, nextCeiling) : got.gainDb;
            if (nextGain == gainDb && nextCeiling == ceilingDb)
                throw RenderError("no setting meets the target: the last render had " +
                                  settingsText(got.gainDb, got.ceilingDb) + ", " +
                                  figure(got.loudnessLufs, "%.2f") + " LUFS");
            gainDb = nextGain;
            ceilingDb = nextCeiling;
        }
        throw RenderError("the search did not settle in " + std::to_string(kMostRenders) +
                          " renders");
    }

private:
    Attempt attempt(double gainDb, double ceilingDb) {
        const Attempt got = render(gainDb, ceilingDb);
        points.push_back({got.gainDb, got.loudnessLufs - got.ceilingDb});
        return got;
    }

    // The gain whose limited loudness is `wanted`, from what is known.
    double gainFor(double wanted, double ceilingDb) {
        const Point* below = nullptr;
        const Point* above = nullptr;
        for (const Point& point : points) {
            if (point.loudness < wanted && (!below || point.gainDb > below->gainDb)) below = &point;
            if (point.loudness >= wanted && (!above || point.gainDb < above->gainDb))
                above = &point;
        }
        if (below && above) {
            const double width = above->gainDb - below->gainDb;
            if (width < kNarrowestBracketDb)
                throw RenderError("--target-lufs " + figure(goal.targetLufs, "%.2f") +
                                  ": the loudness jumps past it between gains of " +
                                  figure(below->gainDb, "%+.4f") + " and " +
                                  figure(above->gainDb, "%+.4f") + " dB");
            const double share = (wanted - below->loudness) / (above->loudness - below->loudness);
            return below->gainDb + width * std::clamp(share, kBracketInset, 1.0 - kBracketInset);
        }
        const Point& known = below ? *below : *above;
        const double end = below ? kHighestGainDb : kLowestGainDb;
        if (known.gainDb == end) throw outOfReach(end, known.loudness, ceilingDb);
        const double step =
            std::isfinite(known.loudness) ? (wanted - known.loudness) / slope() : kHighestGainDb;
        return std::clamp(known.gainDb + step, kLowestGainDb, kHighestGainDb);
    }

    // The slope of loudness over gain between the two loudest renders.
    double slope() const {
        std::vector<Point> sorted = points;
        std::sort(sorted.begin(), sorted.end(),
                  [](const Point& a, const Point& b) { return a.gainDb < b.gainDb; });
        for (std::size_t i = sorted.size(); i >= 2; --i) {
            const Point& low = sorted[i - 2];
            const Point& high = sorted[i - 1];
            if (high.gainDb - low.gainDb > kNarrowestBracketDb && std::isfinite(low.loudness))
                return std::clamp((high.loudness - low.loudness) / (high.gainDb - low.gainDb),
                                  kShallowestSlope, kSteepestSlope);
        }
        return kSteepestSlope;
    }

    // The error for a target beyond what the end of the gain reaches.
    RenderError outOfReach(double endDb, double loudness, double ceilingDb) const {
        return RenderError(
            "--target-lufs " + figure(goal.targetLufs, "%.2f") + ": out of reach: at a gain of " +
            figure(endDb, "%+.0f") + " dB and a ceiling of " + figure(ceilingDb, "%.2f") +
            " dB the output reaches " + figure(loudness + ceilingDb, "%.2f") + " LUFS");
    }

    const LevelGoal& goal;
    const RenderAt& render;
    std::vector<Point> points;
};

} // namespace

int searchLevels(const LevelGoal& goal, double startGainDb, double startCeilingDb,
                 const RenderAt& render) {
    return Search(goal, render).run(startGainDb, startCeilingDb);
}
