#include "tools/render/Options.h"

#include "tools/render/UserUnits.h"

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
    double value = 0.0;
    if (!parseNumber(text.substr(equals + 1), value) || value < 0.0 || value > 1.0)
        throw RenderError(setting.given + ": out of range; the valid range is 0..1 (normalised)");
    setting.value = static_cast<float>(value);
    return setting;
}

} // namespace

std::string usageText() {
    std::string units;
    for (const UserUnit& unit : kUserUnits)
        units += "  " + std::string(unit.option) + " " + rangeText(unit) + "\n";
    return "usage: brelto-render [OPTIONS] INPUT [OUTPUT]\n"
           "       brelto-render [OPTIONS] --save-state FILE\n"
           "Renders an audio file through a VST 2.4 plug-in (Brelto by default) into\n"
           "OUTPUT, by default INPUT.limited.EXT, and reports levels and loudness.\n"
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
           "  --json               the report as JSON\n";
}

Options parseOptions(int argc, char** argv, const std::string& defaultPlugin) {
    Options options;
    RenderRequest& request = options.request;
    request.plugin = defaultPlugin;
    request.progress = true;
    std::vector<std::string> files;
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
    if (files.size() > 2) throw RenderError("too many files: give INPUT and at most one OUTPUT");
    if (!files.empty()) request.input = files[0];
    if (files.size() == 2) request.output = files[1];
    if (files.empty() && request.saveState.empty() && !options.help)
        throw RenderError("no input file");
    return options;
}
