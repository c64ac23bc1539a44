#include "tools/render/Report.h"

#include "core/Identity.h"
#include "dsp/ParameterLaws.h"
#include "tools/render/UserUnits.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace {

using Json = nlohmann::ordered_json;

// Levels of silence are minus infinity: "-inf" as text, null in JSON.
std::string level(double value, const char* unit) {
    if (!std::isfinite(value)) return std::string("-inf ") + unit;
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f %s", value, unit);
    return text;
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
                {"integrated_loudness_lufs", levelJson(figures.loudnessLufs)}};
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

} // namespace

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
    std::fprintf(out, "output           %s: %s\n", outFigures.path.c_str(),
                 outFigures.format.c_str());
    std::fprintf(out, "%-16s %16s %16s\n", "", "input", "output");
    std::fprintf(out, "%-16s %16s %16s\n", "sample peak", level(in.samplePeakDb, "dBFS").c_str(),
                 level(outFigures.samplePeakDb, "dBFS").c_str());
    std::fprintf(out, "%-16s %16s %16s\n", "true peak", level(in.truePeakDb, "dBTP").c_str(),
                 level(outFigures.truePeakDb, "dBTP").c_str());
    std::fprintf(out, "%-16s %16s %16s\n", "loudness", level(in.loudnessLufs, "LUFS").c_str(),
                 level(outFigures.loudnessLufs, "LUFS").c_str());
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
    }
    return json.dump(2);
}
