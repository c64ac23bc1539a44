// The search for gain and ceiling on a model of a limiter: loudness that
// rises a decibel per decibel of gain up to a knee and 0.4 dB per dB
// beyond it, true peaks that overshoot the ceiling more the harder it works.
#include "tools/render/LevelSearch.h"
#include "tools/render/PluginSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct ModelLimiter {
    double inputLufs = -24.0;
    double kneeLufs = -14.0;
    double overshootPerDb = 0.1; // dB of true peak over the ceiling per dB past the knee
    std::vector<Attempt> attempts;

    Attempt operator()(double gainDb, double ceilingDb) {
        EXPECT_GE(gainDb, kLowestGainDb);
        EXPECT_LE(gainDb, 30.0);
        EXPECT_GE(ceilingDb, -30.0);
        EXPECT_LE(ceilingDb, 0.0);
        const double raised = inputLufs + gainDb;
        const double past = std::max(0.0, raised - kneeLufs);
        const double loudness = std::min(raised, kneeLufs + 0.4 * past) + ceilingDb;
        attempts.push_back({gainDb, ceilingDb, loudness, ceilingDb + overshootPerDb * past});
        return attempts.back();
    }
};

std::string failureOf(const LevelGoal& goal, ModelLimiter& model) {
    try {
        searchLevels(goal, 0.0, 0.0, std::ref(model));
    } catch (const RenderError& error) {
        return error.what();
    }
    return "";
}

} // namespace

TEST(LevelSearch, LoudnessTargetsAcrossTheKneeLandWithinTheToleranceInAFewRenders) {
    for (double target = -23.0; target <= -7.0; target += 1.5) {
        for (double start : {0.0, 12.0, 30.0}) {
            SCOPED_TRACE(std::to_string(target) + " LUFS from " + std::to_string(start) + " dB");
            ModelLimiter model;
            LevelGoal goal;
            goal.loudness = true;
            goal.targetLufs = target;
            const int renders = searchLevels(goal, start, -0.3, std::ref(model));
            EXPECT_EQ(renders, static_cast<int>(model.attempts.size()));
            EXPECT_LE(renders, 8);
            EXPECT_NEAR(model.attempts.back().loudnessLufs, target, 0.05);
            EXPECT_EQ(model.attempts.back().ceilingDb, -0.3); // no true-peak goal: left alone
        }
    }
}

TEST(LevelSearch, WithBothGoalsTheCeilingOnlyFallsAndBothHoldAtTheEnd) {
    for (double target : {-16.0, -12.0, -10.0}) {
        SCOPED_TRACE(target);
        ModelLimiter model;
        LevelGoal goal{true, target, true, -1.0};
        searchLevels(goal, 0.0, 0.0, std::ref(model));
        const Attempt& last = model.attempts.back();
        EXPECT_NEAR(last.loudnessLufs, target, 0.05);
        EXPECT_LE(last.truePeakDbtp, -1.0);
        EXPECT_EQ(model.attempts.front().ceilingDb, -1.0); // starts at the limit
        for (std::size_t i = 1; i < model.attempts.size(); ++i)
            EXPECT_LE(model.attempts[i].ceilingDb, model.attempts[i - 1].ceilingDb);
    }
    // True peak alone: one render to see the overshoot, one to take it off.
    ModelLimiter model;
    const LevelGoal peakOnly{false, 0.0, true, -1.0};
    EXPECT_EQ(searchLevels(peakOnly, 20.0, -0.3, std::ref(model)), 2);
    EXPECT_LE(model.attempts.back().truePeakDbtp, -1.0);
    EXPECT_GT(model.attempts.back().truePeakDbtp, -1.1);
    EXPECT_EQ(model.attempts.back().gainDb, 20.0);
}

// Louder than the target at 0 dB: an attenuation, found in one step where
// loudness follows the gain decibel for decibel.
TEST(LevelSearch, QuieterTargetsAreReachedByAttenuation) {
    for (double input : {-8.0, 3.0}) {
        SCOPED_TRACE(input);
        ModelLimiter loud;
        loud.inputLufs = input;
        loud.kneeLufs = 6.0;
        LevelGoal goal{true, -70.0, false, 0.0};
        EXPECT_EQ(searchLevels(goal, 0.0, 0.0, std::ref(loud)), 2);
        EXPECT_NEAR(loud.attempts.back().gainDb, -70.0 - input, 1e-9);
    }
}

TEST(LevelSearch, GoalsOutOfReachNameWhatTheFileCanReach) {
    ModelLimiter model;
    model.inputLufs = -60.0;
    model.kneeLufs = 0.0;
    EXPECT_EQ(failureOf({true, -10.0, false, 0.0}, model),
              "--target-lufs -10.00: out of reach: at a gain of +30 dB and a ceiling of 0.00 dB "
              "the output reaches -30.00 LUFS");

    ModelLimiter wild;
    wild.overshootPerDb = 5.0;
    wild.inputLufs = 0.0;
    EXPECT_EQ(failureOf({false, 0.0, true, -1.0}, wild).rfind("--true-peak -1.00: out of reach", 0),
              0u);
}
