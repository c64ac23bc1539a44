// Many files rendered at once, each by a thread of its own with its own
// instance of the plug-in, exactly as each would be rendered alone.
#pragma once

#include "tools/render/RenderJob.h"

#include <string>
#include <vector>

struct BatchItem {
    std::string input;
    bool done = false;    // rendered and in place; otherwise `error` says why not
    bool skipped = false; // refused before the batch started
    std::string error;
    RenderReport report;
};

// Renders every input into `outDir` with the settings of `settings`, `jobs`
// at a time (0: one per core), with one progress bar for all on a terminal
// when `settings.progress`. A failure stops only its own file, and so does
// a name that another file's output takes already. Makes `outDir` if need
// be; throws RenderError when it cannot.
std::vector<BatchItem> runBatch(const RenderRequest& settings,
                                const std::vector<std::string>& inputs, const std::string& outDir,
                                int jobs);
