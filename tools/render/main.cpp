// brelto-render: renders audio files through a VST 2.4 plug-in and reports
// what it did to the levels. See usageText() for the command line.
#include "tools/pluginhost/PluginLibrary.h"
#include "tools/render/Options.h"
#include "tools/render/Report.h"
#include "tools/render/StopSignals.h"

#include <cstdio>

namespace {

constexpr int kFailed = 1;
constexpr int kBadUsage = 2;

} // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = parseOptions(argc, argv, PluginLibrary::programFolder() + "Brelto.so");
    } catch (const RenderError& error) {
        std::fprintf(stderr, "brelto-render: %s\n(brelto-render --help lists the options)\n",
                     error.what());
        return kBadUsage;
    }
    if (options.help) {
        std::printf("%s", usageText().c_str());
        return 0;
    }
    int status = 0;
    try {
        stopOnSignals();
        if (options.album) {
            const Album album =
                runAlbum(options.request, options.inputs, options.outDir, options.jobs);
            if (options.json)
                std::printf("%s\n", albumJson(album).c_str());
            else
                printAlbumSummary(stdout, album);
        } else if (!options.outDir.empty()) {
            const std::vector<BatchItem> items =
                runBatch(options.request, options.inputs, options.outDir, options.jobs);
            if (options.json)
                std::printf("%s\n", batchJson(items).c_str());
            else
                printBatchSummary(stdout, items);
            for (const BatchItem& item : items)
                if (!item.done) status = kFailed;
        } else {
            const RenderReport report = runRender(options.request);
            if (options.json)
                std::printf("%s\n", reportJson(report).c_str());
            else
                printReport(stdout, report);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "brelto-render: %s\n", error.what());
        status = kFailed;
    }
    // Ended by the signal itself, so that a shell sees 128 + its number and a
    // loop over files stops at Ctrl-C as it would for any other program.
    if (stopSignal() != 0) endBySignal(stopSignal());
    return status;
}
