// The command line of brelto-render.
#pragma once

#include "tools/render/RenderJob.h"

#include <string>
#include <vector>

struct Options {
    RenderRequest request;           // the settings; input and output of a single render
    std::vector<std::string> inputs; // a batch's files, each rendered into outDir
    std::string outDir;              // empty: a single render
    bool album = false;              // the batch's files as one album: one gain and ceiling
    int jobs = 0;                    // renders at once in a batch; 0: one per core
    bool json = false;
    bool help = false;
};

// Throws RenderError for an unknown option, a missing or bad value.
Options parseOptions(int argc, char** argv, const std::string& defaultPlugin);

std::string usageText();
