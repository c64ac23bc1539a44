#include "tools/render/Report.h"

#include "core/Identity.h"
#include "dsp/ParameterLaws.h"
#include "tools/render/UserUnits.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

namespace {

using Json = nlohmann::ordered_json;

constexpr int kJsonIndent = 2;

// File names are bytes, and the plug-in's names are whatever it gives: a byte
// that is not part of valid UTF-8 is written as U+FFFD, so that the report
// stays valid JSON.
std::string jsonText(const Json& json) {
    return json.dump(kJsonIndent, ' ', false, Json::error_handler_t::replace);
}

// Levels of silence are minus infinity: "-inf" as text, null in JSON.
std::string level(double value, const char* unit) {
    if (!std::isfinite(value)) return std::string("-inf ") + unit;
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f %s", value, unit);
    return text;
}

// A ratio of levels is unknown where either is: no number, as text "none".
std::string ratio(double value, const char* unit) {
    return std::isfinite(value) ? level(value, unit) : "none";
}

Json levelJson(double value) {
    return std::isfinite(value) ? Json(value) : Json(nullptr);
}

Json streamJson(const StreamFigures& figures) {
    return Json{{"file", figures.path},
                {"format", figures.format},
                {"sample_rate", figures.rate},
                {"channels", figures.channels},
                {"frames", figures.frames},
                {"sample_peak_dbfs", levelJson(figures.samplePeakDb)},
                {"true_peak_dbtp", levelJson(figures.truePeakDb)},
                {"true_peak_8x_dbtp", levelJson(figures.oversampledPeakDb)},
                {"integrated_loudness_lufs", levelJson(figures.loudnessLufs)},
                {"loudness_range_lu", figures.loudnessRangeLu},
                {"plr_db", levelJson(figures.peakToLoudnessDb())}};
}

// Brelto's settings in its units, when the plug-in is Brelto.
void printBreltoSettings(std::FILE* out, const RenderReport& report) {
    if (report.pluginName != identity::kEffectName) return;
    float gain = 0, ceiling = 0, release = 0, stereo = 0, isp = 0;
    for (const auto& [name, value] : report.parameters) {
        if (name == "Gain") gain = value;
        if (name == "OutCeil") ceiling = value;
        if (name == "Release") release = value;
        if (name == "Stereo") stereo = value;
        if (name == "ISP") isp = value;
    }
    std::fprintf(
        out,
        "settings         gain %+.1f dB, ceiling %.1f dB, release %.1f ms, stereo %s, ISP %s\n",
        laws::gainDb(gain), laws::ceilingDb(ceiling), laws::releaseMilliseconds(release),
        laws::switchedOn(stereo) ? "linked" : "unlinked", laws::switchedOn(isp) ? "on" : "off");
}

double framesPerSecond(const RenderReport& report) {
    return report.processSeconds > 0.0
               ? static_cast<double>(report.processedFrames) / report.processSeconds
               : 0.0;
}

// What the searches found, and the dither.
void printMastering(std::FILE* out, const RenderReport& report) {
    const LevelGoal& goal = report.goal;
    if (goal.loudness || goal.truePeak) {
        std::fprintf(out, "mastering        %s: gain %+.2f dB%s, ceiling %.2f dB, %d render%s\n",
                     goalText(goal, report.preset).c_str(), report.gainDb,
                     report.gainDb < 0.0 ? " (before the plug-in)" : "", report.ceilingDb,
                     report.renders, report.renders == 1 ? "" : "s");
    }
    std::fprintf(out, "dither           %s\n", report.dithered ? "TPDF, 1 LSB" : "none");
    if (!report.plot.empty()) std::fprintf(out, "plot             %s\n", report.plot.c_str());
}

Json masteringJson(const RenderReport& report) {
    const LevelGoal& goal = report.goal;
    return Json{{"preset", report.preset.empty() ? Json(nullptr) : Json(report.preset)},
                {"target_lufs", goal.loudness ? Json(goal.targetLufs) : Json(nullptr)},
                {"true_peak_limit_dbtp", goal.truePeak ? Json(goal.truePeakDbtp) : Json(nullptr)},
                {"gain_db", report.gainReductionKnown ? Json(report.gainDb) : Json(nullptr)},
                {"ceiling_db", report.gainReductionKnown ? Json(report.ceilingDb) : Json(nullptr)},
                {"renders", report.renders},
                {"dither", report.dithered ? "tpdf" : "none"},
                {"plot", report.plot.empty() ? Json(nullptr) : Json(report.plot)}};
}

Json reportObject(const RenderReport& report);

} // namespace

std::string goalText(const LevelGoal& goal, const std::string& preset) {
    std::string asked;
    if (goal.loudness) asked += level(goal.targetLufs, "LUFS");
    if (goal.truePeak) asked += (goal.loudness ? ", " : "") + level(goal.truePeakDbtp, "dBTP");
    if (!preset.empty()) asked += " (" + preset + ")";
    return asked;
}

void printReport(std::FILE* out, const RenderReport& report) {
    std::fprintf(out, "plug-in          %s (%s)\n", report.pluginName.c_str(),
                 report.pluginPath.c_str());
    if (!report.loadedState.empty())
        std::fprintf(out, "state loaded     %s\n", report.loadedState.c_str());
    std::fprintf(out, "parameters      ");
    for (const auto& [name, value] : report.parameters)
        std::fprintf(out, " %s=%.6g", name.c_str(), static_cast<double>(value));
    std::fprintf(out, "\n");
    printBreltoSettings(out, report);
    if (!report.savedState.empty())
        std::fprintf(out, "state saved      %s\n", report.savedState.c_str());
    if (!report.rendered) return;

    const StreamFigures& in = report.input;
    const StreamFigures& outFigures = report.output;
    std::fprintf(out, "input            %s: %s, %d Hz, %d channel%s, %.2f s\n", in.path.c_str(),
                 in.format.c_str(), in.rate, in.channels, in.channels == 1 ? "" : "s",
                 static_cast<double>(in.frames) / in.rate);
    std::fprintf(out, "output           %s: %s, %d Hz\n", outFigures.path.c_str(),
                 outFigures.format.c_str(), outFigures.rate);
    std::fprintf(out, "%-16s %16s %16s\n", "", "input", "output");
    std::fprintf(out, "%-16s %16s %16s\n", "sample peak", level(in.samplePeakDb, "dBFS").c_str(),
                 level(outFigures.samplePeakDb, "dBFS").c_str());
    std::fprintf(out, "%-16s %16s %16s\n", "true peak", level(in.truePeakDb, "dBTP").c_str(),
                 level(outFigures.truePeakDb, "dBTP").c_str());
    std::fprintf(out, "%-16s %16s %16s\n", "true peak 8x",
                 level(in.oversampledPeakDb, "dBTP").c_str(),
                 level(outFigures.oversampledPeakDb, "dBTP").c_str());
    std::fprintf(out, "%-16s %16s %16s\n", "loudness", level(in.loudnessLufs, "LUFS").c_str(),
                 level(outFigures.loudnessLufs, "LUFS").c_str());
    std::fprintf(out, "%-16s %16s %16s\n", "loudness range",
                 level(in.loudnessRangeLu, "LU").c_str(),
                 level(outFigures.loudnessRangeLu, "LU").c_str());
    std::fprintf(out, "%-16s %16s %16s\n", "PLR", ratio(in.peakToLoudnessDb(), "dB").c_str(),
                 ratio(outFigures.peakToLoudnessDb(), "dB").c_str());
    printMastering(out, report);
    if (report.gainReductionKnown)
        std::fprintf(out, "gain reduction   largest %.2f dB, average %.2f dB\n",
                     report.largestReductionDb, report.averageReductionDb);
    else
        std::fprintf(out, "gain reduction   not known for this plug-in\n");
    if (report.latencyFrames >= 0)
        std::fprintf(out, "latency          %d frames (%.2f ms), %s\n", report.latencyFrames,
                     1000.0 * report.latencyFrames / in.rate,
                     report.aligned ? "taken out of the output" : "left in the output");
    else
        std::fprintf(out, "latency          not measured: no impulse came through\n");
    const double speed = framesPerSecond(report);
    std::fprintf(out, "processing       %lld frames in %.4f s: %.3g frames/s, %.0fx real time\n",
                 report.processedFrames, report.processSeconds, speed, speed / in.rate);
}

std::string reportJson(const RenderReport& report) {
    return jsonText(reportObject(report));
}

namespace {

Json reportObject(const RenderReport& report) {
    Json parameters = Json::object();
    for (const auto& [name, value] : report.parameters)
        parameters[name] = value;
    Json json{
        {"plugin", {{"name", report.pluginName}, {"file", report.pluginPath}}},
        {"parameters", parameters},
        {"loaded_state", report.loadedState.empty() ? Json(nullptr) : Json(report.loadedState)},
        {"saved_state", report.savedState.empty() ? Json(nullptr) : Json(report.savedState)}};
    if (report.rendered) {
        json["input"] = streamJson(report.input);
        json["output"] = streamJson(report.output);
        json["gain_reduction_db"] = report.gainReductionKnown
                                        ? Json{{"largest", report.largestReductionDb},
                                               {"average", report.averageReductionDb}}
                                        : Json(nullptr);
        json["latency_frames"] =
            report.latencyFrames >= 0 ? Json(report.latencyFrames) : Json(nullptr);
        json["aligned"] = report.aligned;
        json["processing"] = {{"frames", report.processedFrames},
                              {"seconds", report.processSeconds},
                              {"frames_per_second", framesPerSecond(report)}};
        json["mastering"] = masteringJson(report);
    }
    return json;
}

std::string columnLevel(bool known, double value) {
    if (!known) return "";
    if (!std::isfinite(value)) return value < 0.0 ? "-inf" : "none";
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f", value);
    return text;
}

// One line of a batch's table; empty texts leave their column blank.
struct Row {
    std::string name, loudnessIn, loudnessOut, peakIn, peakOut, rangeOut, plrOut, gain, ceiling,
        renders, status;
};

void printRow(std::FILE* out, int width, const Row& row) {
    std::fprintf(out, "%-*s %8s %8s %8s %8s %8s %8s %8s %8s %7s  %s\n", width, row.name.c_str(),
                 row.loudnessIn.c_str(), row.loudnessOut.c_str(), row.peakIn.c_str(),
                 row.peakOut.c_str(), row.rangeOut.c_str(), row.plrOut.c_str(), row.gain.c_str(),
                 row.ceiling.c_str(), row.renders.c_str(), row.status.c_str());
}

Row rowOf(const BatchItem& item) {
    const RenderReport& r = item.report;
    const bool done = item.done;
    const bool brelto = done && r.gainReductionKnown;
    return Row{item.input,
               columnLevel(done, r.input.loudnessLufs),
               columnLevel(done, r.output.loudnessLufs),
               columnLevel(done, r.input.highestTruePeakDb()),
               columnLevel(done, r.output.highestTruePeakDb()),
               columnLevel(done, r.output.loudnessRangeLu),
               columnLevel(done, r.output.peakToLoudnessDb()),
               columnLevel(brelto, r.gainDb),
               columnLevel(brelto, r.ceilingDb),
               done ? std::to_string(r.renders) : "",
               done ? "ok: " + r.output.path : "failed: " + item.error};
}

// Prints the header and the files' lines; returns the width of the names.
int printTracks(std::FILE* out, const std::vector<BatchItem>& items, const std::string& extra) {
    std::size_t nameWidth = std::max<std::size_t>(4, extra.size());
    for (const BatchItem& item : items)
        nameWidth = std::max(nameWidth, item.input.size());
    const int width = static_cast<int>(nameWidth);
    printRow(out, width,
             Row{"file", "LUFS in", "LUFS out", "TP in", "TP out", "LRA out", "PLR out", "gain dB",
                 "ceil dB", "renders", "status"});
    for (const BatchItem& item : items)
        printRow(out, width, rowOf(item));
    return width;
}

Json albumFiguresJson(const AlbumFigures& figures) {
    return Json{{"integrated_loudness_lufs", levelJson(figures.loudnessLufs)},
                {"loudness_range_lu", figures.loudnessRangeLu},
                {"true_peak_dbtp", levelJson(figures.truePeakDb)},
                {"plr_db", levelJson(figures.peakToLoudnessDb())}};
}

} // namespace

void printBatchSummary(std::FILE* out, const std::vector<BatchItem>& items) {
    printTracks(out, items, "");
    int failed = 0;
    for (const BatchItem& item : items)
        failed += item.done ? 0 : 1;
    std::fprintf(out, "%zu files: %zu rendered, %d failed\n", items.size(),
                 items.size() - static_cast<std::size_t>(failed), failed);
}

void printAlbumSummary(std::FILE* out, const Album& album) {
    const std::string name = "album";
    const int width = printTracks(out, album.tracks, name);
    printRow(
        out, width,
        Row{name, columnLevel(true, album.input.loudnessLufs),
            columnLevel(true, album.output.loudnessLufs), columnLevel(true, album.input.truePeakDb),
            columnLevel(true, album.output.truePeakDb),
            columnLevel(true, album.output.loudnessRangeLu),
            columnLevel(true, album.output.peakToLoudnessDb()), columnLevel(true, album.gainDb),
            columnLevel(true, album.ceilingDb), std::to_string(album.renders), "ok"});
    const std::string asked = goalText(album.goal, album.preset);
    std::fprintf(out, "album of %zu files%s%s: gain %+.2f dB%s, ceiling %.2f dB, %d render%s\n",
                 album.tracks.size(), asked.empty() ? "" : " to ", asked.c_str(), album.gainDb,
                 album.gainDb < 0.0 ? " (before the plug-in)" : "", album.ceilingDb, album.renders,
                 album.renders == 1 ? "" : "s");
}

std::string albumJson(const Album& album) {
    Json tracks = Json::array();
    for (const BatchItem& track : album.tracks)
        tracks.push_back(Json{{"input", track.input}, {"report", reportObject(track.report)}});
    const LevelGoal& goal = album.goal;
    return jsonText(
        Json{{"album",
              {{"preset", album.preset.empty() ? Json(nullptr) : Json(album.preset)},
               {"target_lufs", goal.loudness ? Json(goal.targetLufs) : Json(nullptr)},
               {"true_peak_limit_dbtp", goal.truePeak ? Json(goal.truePeakDbtp) : Json(nullptr)},
               {"gain_db", album.gainDb},
               {"ceiling_db", album.ceilingDb},
               {"renders", album.renders},
               {"input", albumFiguresJson(album.input)},
               {"output", albumFiguresJson(album.output)}}},
             {"files", tracks}});
}

std::string batchJson(const std::vector<BatchItem>& items) {
    Json files = Json::array();
    int failed = 0;
    for (const BatchItem& item : items) {
        Json entry{{"input", item.input}, {"status", item.done ? "ok" : "failed"}};
        if (item.done)
            entry["report"] = reportObject(item.report);
        else
            entry["error"] = item.error;
        files.push_back(entry);
        failed += item.done ? 0 : 1;
    }
    return jsonText(Json{{"files", files}, {"failed", failed}});
}
