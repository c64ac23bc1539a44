#include "tools/render/Options.h"

#include "tools/render/UserUnits.h"

#include <cmath>
#include <cstdlib>

namespace {

// "--name=value" or "--name value".
struct Arguments {
    int argc;
    char** argv;
    int at = 1;

    bool done() const { return at >= argc; }
    std::string next() { return argv[at++]; }
    std::string valueOf(const std::string& option, std::string& inline_) {
        if (!inline_.empty()) return inline_;
        if (done()) throw RenderError(option + " needs a value");
        return next();
    }
};

bool isIndex(const std::string& key) {
    if (key.empty() || key.size() > 9) return false;
    for (char c : key)
        if (c < '0' || c > '9') return false;
    return true;
}

ParameterSetting parseParam(const std::string& text) {
    ParameterSetting setting;
    setting.given = "--param " + text;
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        throw RenderError(setting.given + ": give NAME=VALUE or INDEX=VALUE");
    const std::string key = text.substr(0, equals);
    if (isIndex(key))
        setting.index = std::atoi(key.c_str());
    else
        setting.name = key;
    setting.value = static_cast<float>(
        numberInRange(setting.given, text.substr(equals + 1), 0.0, 1.0, "0..1 (normalised)"));
    return setting;
}

constexpr double kQuietestTargetLufs = -70.0; // the absolute gate of the loudness measure
constexpr double kLowestTruePeakDbtp = -30.0; // the lowest ceiling
constexpr int kMostJobs = 256;
constexpr double kLowestRate = 8000, kHighestRate = 384000;

// The published delivery targets: integrated loudness and true-peak limit.
struct DeliveryPreset {
    const char* name;
    const char* source;
    double loudnessLufs;
    double truePeakDbtp;
};
constexpr DeliveryPreset kPresets[] = {
    {"streaming", "streaming services", -14.0, -1.0},
    {"ebu-r128", "EBU R128 broadcast", -23.0, -1.0},
    {"atsc-a85", "ATSC A/85 broadcast", -24.0, -2.0},
    {"podcast", "podcasts", -16.0, -1.0},
};

const DeliveryPreset& findPreset(const std::string& name) {
    std::string names;
    for (const DeliveryPreset& preset : kPresets) {
        if (name == preset.name) return preset;
        names += (names.empty() ? "" : ", ") + std::string(preset.name);
    }
    throw RenderError("--preset " + name + ": unknown; the presets are " + names);
}

// A preset sets the halves of the goal that no option of their own set.
void applyPreset(const std::string& name, RenderRequest& request, bool loudnessGiven,
                 bool truePeakGiven) {
    const DeliveryPreset& preset = findPreset(name);
    request.preset = preset.name;
    if (!loudnessGiven) request.goal.targetLufs = preset.loudnessLufs;
    if (!truePeakGiven) request.goal.truePeakDbtp = preset.truePeakDbtp;
    request.goal.loudness = request.goal.truePeak = true;
}

double numberIn(const std::string& option, const std::string& text, double low, double high,
                const char* unit) {
    char range[64];
    std::snprintf(range, sizeof(range), "%g..%g %s", low, high, unit);
    return numberInRange(option + " " + text, text, low, high, range);
}

// Settings that contradict each other or that a batch cannot take.
void checkTogether(const Options& options, const std::vector<std::string>& files) {
    const RenderRequest& request = options.request;
    for (const ParameterSetting& setting : request.settings)
        if (request.goal.loudness && setting.breltoUnits && setting.name == "Gain")
            throw RenderError(setting.given + ": --target-lufs sets the gain; give one of them");
    if (options.outDir.empty()) {
        if (options.album) throw RenderError("--album renders into a folder: give --out-dir DIR");
        if (files.size() > 2)
            throw RenderError(
                "too many files: give INPUT and at most one OUTPUT, or --out-dir DIR");
        if (files.empty() && request.saveState.empty() && !options.help)
            throw RenderError("no input file");
        return;
    }
    if (files.empty() && !options.help) throw RenderError("--out-dir: no input file");
    if (options.album && !request.plot.empty())
        throw RenderError("--plot draws one render: an album takes no --plot");
    if (!request.saveState.empty())
        throw RenderError("--save-state takes no --out-dir: save the state in a run of its own");
    if (!request.plot.empty() && files.size() > 1)
        throw RenderError("--plot draws one render: give one input file, or no --plot");
}

std::string presetList() {
    std::string list;
    for (const DeliveryPreset& preset : kPresets) {
        char line[96];
        std::snprintf(line, sizeof(line), "                         %-10s %g LUFS, %g dBTP (%s)\n",
                      preset.name, preset.loudnessLufs, preset.truePeakDbtp, preset.source);
        list += line;
    }
    return list;
}

} // namespace

std::string usageText() {
    std::string units;
    for (const UserUnit& unit : kUserUnits)
        units += "  " + std::string(unit.option) + " " + rangeText(unit) + "\n";
    return "usage: brelto-render [OPTIONS] INPUT [OUTPUT]\n"
           "       brelto-render [OPTIONS] FILE... --out-dir DIR\n"
           "       brelto-render [OPTIONS] --save-state FILE\n"
           "Renders an audio file through a VST 2.4 plug-in (Brelto by default) into\n"
           "OUTPUT, by default INPUT.limited.EXT, and reports levels and loudness; with\n"
           "--out-dir, renders every FILE into DIR under its own name, several at once.\n"
           "Brelto's parameters in their units:\n" +
           units +
           "Any plug-in's parameters, by name (letter case ignored) or index:\n"
           "  --param NAME=VALUE | INDEX=VALUE   VALUE normalised, 0..1\n"
           "  --plugin PATH        a VST 2.4 effect file (default: Brelto.so beside this program)\n"
           "  --load-state FILE    settings from a bank file (.fxb) first\n"
           "  --save-state FILE    the settings, as a bank file (.fxb)\n"
           "  --format F           output format: TYPE, SAMPLE or TYPE:SAMPLE, e.g. flac,\n"
           "                       float, wav:pcm24 (default: the input's)\n"
           "  --no-align           keep the plug-in's delay in the output\n"
           "Mastering (Brelto):\n"
           "  --target-lufs L      find the gain that gives an integrated loudness of L LUFS\n"
           "                       (within 0.1 LU; below 0 dB an attenuation before the\n"
           "                       plug-in); -70..0\n"
           "  --true-peak DBTP     lower the ceiling until the output's true peak, as written,\n"
           "                       is at most DBTP on libebur128 and 8x oversampled; -30..0\n"
           "  --preset NAME        a delivery target, both halves (--target-lufs and\n"
           "                       --true-peak override their own):\n" +
           presetList() +
           "  --rate HZ            convert the output to HZ (libsoxr), before dither and the\n"
           "                       measurements; 8000..384000\n"
           "  --dither tpdf|none   triangular dither of 1 LSB before rounding to integer\n"
           "                       samples (default: tpdf for 16 bits or fewer, else none)\n"
           "  --plot FILE.png      a picture of the levels and the gain reduction over time\n"
           "Batches:\n"
           "  --out-dir DIR        render every FILE into DIR, under its own name\n"
           "  --album              one gain and one ceiling for every FILE: the album, the\n"
           "                       files one after another, meets the goal\n"
           "  --jobs N             renders at once (default: one per core)\n"
           "  --json               the report (of a batch: every file's) as JSON\n";
}

Options parseOptions(int argc, char** argv, const std::string& defaultPlugin) {
    Options options;
    RenderRequest& request = options.request;
    request.plugin = defaultPlugin;
    request.progress = true;
    std::vector<std::string> files;
    std::string preset;
    Arguments args{argc, argv};
    while (!args.done()) {
        std::string option = args.next();
        std::string inlineValue;
        const std::size_t equals = option.find('=');
        if (option.rfind("--", 0) == 0 && equals != std::string::npos) {
            inlineValue = option.substr(equals + 1);
            option.resize(equals);
        }
        if (const UserUnit* unit = findUserUnit(option)) {
            const std::string text = args.valueOf(option, inlineValue);
            request.settings.push_back(
                {option + " " + text, unit->parameter, -1, normalisedValue(*unit, text), true});
        } else if (option == "--param") {
            request.settings.push_back(parseParam(args.valueOf(option, inlineValue)));
        } else if (option == "--plugin") {
            request.plugin = args.valueOf(option, inlineValue);
        } else if (option == "--load-state") {
            request.loadState = args.valueOf(option, inlineValue);
        } else if (option == "--save-state") {
            request.saveState = args.valueOf(option, inlineValue);
        } else if (option == "--format") {
            request.format = args.valueOf(option, inlineValue);
        } else if (option == "--target-lufs") {
            request.goal.loudness = true;
            request.goal.targetLufs = numberIn(option, args.valueOf(option, inlineValue),
                                               kQuietestTargetLufs, 0.0, "LUFS");
        } else if (option == "--true-peak") {
            request.goal.truePeak = true;
            request.goal.truePeakDbtp = numberIn(option, args.valueOf(option, inlineValue),
                                                 kLowestTruePeakDbtp, 0.0, "dBTP");
        } else if (option == "--preset") {
            preset = args.valueOf(option, inlineValue);
            findPreset(preset);
        } else if (option == "--rate") {
            const std::string text = args.valueOf(option, inlineValue);
            const double rate = numberIn(option, text, kLowestRate, kHighestRate, "Hz");
            if (rate != std::floor(rate)) throw RenderError("--rate " + text + ": a whole number");
            request.rate = static_cast<int>(rate);
        } else if (option == "--album") {
            options.album = true;
        } else if (option == "--dither") {
            request.dither = parseDither(args.valueOf(option, inlineValue));
        } else if (option == "--plot") {
            request.plot = args.valueOf(option, inlineValue);
        } else if (option == "--out-dir") {
            options.outDir = args.valueOf(option, inlineValue);
        } else if (option == "--jobs") {
            const std::string text = args.valueOf(option, inlineValue);
            const double jobs = numberIn(option, text, 1, kMostJobs, "jobs");
            if (jobs != std::floor(jobs)) throw RenderError("--jobs " + text + ": a whole number");
            options.jobs = static_cast<int>(jobs);
        } else if (option == "--no-align") {
            request.align = false;
        } else if (option == "--json") {
            options.json = true;
        } else if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option.size() > 1 && option[0] == '-') {
            throw RenderError("unknown option " + option);
        } else {
            files.push_back(option);
        }
    }
    if (!preset.empty()) applyPreset(preset, request, request.goal.loudness, request.goal.truePeak);
    checkTogether(options, files);
    if (!options.outDir.empty()) {
        options.inputs = files;
    } else {
        if (!files.empty()) request.input = files[0];
        if (files.size() == 2) request.output = files[1];
    }
    return options;
}
