// The command line of brelto-render.
#pragma once

#include "tools/render/RenderJob.h"

#include <string>

struct Options {
    RenderRequest request;
    bool json = false;
    bool help = false;
};

// Throws RenderError for an unknown option, a missing or bad value.
Options parseOptions(int argc, char** argv, const std::string& defaultPlugin);

std::string usageText();
