#include "tools/render/Album.h"

#include "tools/render/Measurements.h"
#include "tools/render/StopSignals.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>

namespace {

using Files = std::vector<std::unique_ptr<FileRender>>;

// Every file opened, checked and its plug-in set up, before anything is
// written; the reasons of all that fail together.
Files openAll(const RenderRequest& settings, const std::vector<std::string>& inputs,
              const std::string& outDir, int jobs, std::atomic<double>* shares) {
    std::string failures;
    std::map<std::string, std::string> firsts;
    Files files;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto [first, isNew] = firsts.emplace(stemOf(inputs[i]), inputs[i]);
        if (!isNew) {
            failures += "\n  " + inputs[i] + ": its output in " + outDir +
                        " would take the name of " + first->second + "'s";
            continue;
        }
        try {
            files.push_back(std::make_unique<FileRender>(requestFor(
                settings, inputs[i], outDir, shares[i], workerCount(inputs.size(), jobs))));
        } catch (const RenderError& error) {
            failures += "\n  " + inputs[i] + ": " + error.what();
        }
    }
    throwIfStopped("the album was not rendered");
    if (!failures.empty()) throw RenderError("the album was not rendered:" + failures);
    return files;
}

// One pass of every file at once; a file that fails fails the album.
void renderAll(Files& files, int jobs, bool showBar, const std::string& what,
               std::atomic<double>* shares, const std::function<void(FileRender&)>& render) {
    std::vector<std::string> errors(files.size());
    runEach(files.size(), jobs, showBar, what, shares, [&](std::size_t i) {
        try {
            render(*files[i]);
        } catch (const std::exception& error) {
            errors[i] = error.what();
        }
    });
    std::string failures;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!errors[i].empty()) failures += "\n  " + files[i]->inputPath() + ": " + errors[i];
    throwIfStopped("the album was not written");
    if (!failures.empty()) throw RenderError("the album was not rendered:" + failures);
}

AlbumFigures figuresOf(const Files& files, bool output) {
    std::vector<const LevelMeter*> meters;
    AlbumFigures figures;
    figures.truePeakDb = -HUGE_VAL;
    for (const auto& file : files) {
        meters.push_back(output ? &file->outputMeter() : &file->inputMeter());
        const RenderReport& report = file->report();
        figures.truePeakDb =
            std::max(figures.truePeakDb,
                     output ? report.output.highestTruePeakDb() : report.input.highestTruePeakDb());
    }
    figures.loudnessLufs = LevelMeter::loudnessLufs(meters);
    figures.loudnessRangeLu = LevelMeter::loudnessRangeLu(meters);
    return figures;
}

} // namespace

Album runAlbum(const RenderRequest& settings, const std::vector<std::string>& inputs,
               const std::string& outDir, int jobs) {
    const auto shares = std::make_unique<std::atomic<double>[]>(inputs.size());
    Files files = openAll(settings, inputs, outDir, jobs, shares.get());
    std::error_code why;
    std::filesystem::create_directories(outDir, why);
    if (why) throw RenderError("cannot make the folder " + outDir + ": " + why.message());

    Album album;
    album.goal = settings.goal;
    album.preset = settings.preset;
    const LevelGoal& goal = settings.goal;
    auto pass = [&](const std::function<void(FileRender&)>& render) {
        ++album.renders;
        renderAll(files, jobs, settings.progress, "render " + std::to_string(album.renders) + ": ",
                  shares.get(), render);
    };
    if (goal.loudness || goal.truePeak) {
        searchLevels(goal, files.front()->startGainDb(), files.front()->startCeilingDb(),
                     [&](double gainDb, double ceilingDb) {
                         pass([&](FileRender& file) { file.renderAt(gainDb, ceilingDb); });
                         const AlbumFigures output = figuresOf(files, true);
                         const RenderReport& first = files.front()->report();
                         return Attempt{first.gainDb, first.ceilingDb, output.loudnessLufs,
                                        output.truePeakDb};
                     });
    } else {
        pass([](FileRender& file) { file.renderAsSet(); });
    }
    album.input = figuresOf(files, false);
    album.output = figuresOf(files, true);
    album.gainDb = files.front()->report().gainDb;
    album.ceilingDb = files.front()->report().ceilingDb;
    for (auto& file : files)
        file->commit();
    for (auto& file : files) {
        BatchItem track;
        track.input = file->inputPath();
        track.done = true;
        track.report = file->report();
        album.tracks.push_back(std::move(track));
    }
    return album;
}
