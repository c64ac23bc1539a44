// Many files rendered at once, each by a thread of its own with its own
// instance of the plug-in, exactly as each would be rendered alone.
#pragma once

#include "tools/render/RenderJob.h"

#include <atomic>
#include <functional>
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

// Runs task(i) for every i below `count`, on up to `jobs` threads at once (0:
// one per core), and waits for all. Each task stores the share of its item
// done in shares[i] as it goes; the waiting thread draws one bar for all from
// them when `showBar`, with `what` before the count of items done, and hands a
// stop signal on to every thread still running.
void runEach(std::size_t count, int jobs, bool showBar, const std::string& what,
             std::atomic<double>* shares, const std::function<void(std::size_t)>& task);

// The threads on which runEach() runs `count` tasks `jobs` at a time.
std::size_t workerCount(std::size_t count, int jobs);

// One file's request in a batch: the batch's settings, the file as input, its
// output in `outDir` under its own name, its progress told to `share`; its
// meters on threads of their own only when the batch's `workers` leave cores idle.
RenderRequest requestFor(const RenderRequest& settings, const std::string& input,
                         const std::string& outDir, std::atomic<double>& share,
                         std::size_t workers);

// The output name of an input in a folder, without the extension that its format adds.
std::string stemOf(const std::string& input);
