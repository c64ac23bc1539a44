// The search for the gain and ceiling that give an output of a loudness and
// under a true peak asked for, by rendering: the output's loudness rises with
// the gain, and the ceiling scales the limited output, so its loudness and
// true peak move with the ceiling decibel for decibel. The gain runs from an
// attenuation of kLowestGainDb before the plug-in to the plug-in's +30 dB.
#pragma once

#include <functional>

struct LevelGoal {
    bool loudness = false;
    double targetLufs = 0.0;
    bool truePeak = false;
    double truePeakDbtp = 0.0;
};

// What one render gave: the settings as the plug-in held them and the
// output's figures as written.
struct Attempt {
    double gainDb = 0.0, ceilingDb = 0.0;
    double loudnessLufs = 0.0, truePeakDbtp = 0.0;
};

// Deep enough to bring the loudest file to the quietest target.
constexpr double kLowestGainDb = -80.0;

// Renders at a gain of kLowestGainDb..30 dB and a ceiling of -30..0 dB.
using RenderAt = std::function<Attempt(double gainDb, double ceilingDb)>;

// The gain and ceiling at which the last render met the goal: the loudness
// within 0.05 LU of the target and the true peak at or below its limit,
// starting from the settings given and moving the ceiling only downwards.
// Returns the number of renders; throws RenderError when the goal is out of
// reach (naming the loudness range this file can reach) or is not met.
int searchLevels(const LevelGoal& goal, double startGainDb, double startCeilingDb,
                 const RenderAt& render);
