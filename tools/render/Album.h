// An album: several files mastered together with one gain and one ceiling,
// so that the files played one after another meet the loudness target and
// each file the true-peak limit, while the tracks keep their levels relative
// to each other (but for the peaks that limiting takes off).
#pragma once

#include "tools/render/Batch.h"

#include <string>
#include <vector>

// The figures of the files taken one after another.
struct AlbumFigures {
    double loudnessLufs = 0.0, loudnessRangeLu = 0.0;
    double truePeakDb = 0.0; // the highest of every file's readings
    double peakToLoudnessDb() const { return truePeakDb - loudnessLufs; }
};

struct Album {
    std::vector<BatchItem> tracks; // in the order given, every one done
    AlbumFigures input, output;
    LevelGoal goal;
    std::string preset;
    double gainDb = 0.0, ceilingDb = 0.0; // Brelto's, as rendered
    int renders = 0;                      // of the album, each a pass over every file
};

// Renders every input into `outDir` with the settings of `settings`, `jobs`
// at a time. Throws RenderError, and writes no file, when any file cannot be
// read or rendered, when two would take one name in `outDir`, or when the
// goal is out of reach.
Album runAlbum(const RenderRequest& settings, const std::vector<std::string>& inputs,
               const std::string& outDir, int jobs);
