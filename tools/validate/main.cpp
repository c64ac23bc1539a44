// brelto-validate: examines any VST 2.4 effect file through its entry point
// and record only, the way strict hosts and validators do, and prints one
// line of figures per check with PASS, FAIL or SKIP. Each check runs in a
// process of its own, so a crash is reported as that check's failure.
//   brelto-validate [--seed N] [--short] [--checks 1,4,13] [--known-faults 6,13]
//                   [--figures FILE] PLUGIN
#include "tools/validate/Check.h"
#include "tools/validate/Interposer.h"
#include "tools/validate/Platform.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

// A check's process says how it went by its exit code.
constexpr int kExitPass = 10;
constexpr int kExitFail = 11;
constexpr int kExitSkip = 12;
constexpr int kExitUsage = 2;
// A check's process that runs longer is ended: a hang is a failure.
constexpr int kCheckSeconds = 300;
constexpr int kShortCheckSeconds = 60;

struct Options {
    std::string plugin;
    std::uint64_t seed = 0;
    bool seedGiven = false;
    bool quick = false;
    std::set<int> checks;      // empty: all
    std::set<int> knownFaults; // failures that do not fail the run
    std::string figures;       // tab-separated figures appended here
    int child = 0;             // the check this process runs, 0 in the parent
    std::string steps;         // where a check's process notes the step it is on
};

const char* statusName(Status status) {
    return status == Status::Pass ? "PASS" : status == Status::Fail ? "FAIL" : "SKIP";
}

bool parseList(const char* text, std::set<int>& into) {
    for (const char* at = text; *at != 0;) {
        char* end = nullptr;
        const long number = std::strtol(at, &end, 10);
        if (end == at || number < 1 || number > static_cast<long>(allChecks().size())) return false;
        into.insert(static_cast<int>(number));
        at = *end == ',' ? end + 1 : end;
        if (*end != ',' && *end != 0) return false;
    }
    return true;
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--short") {
            options.quick = true;
        } else if (arg == "--seed" && hasValue) {
            char* end = nullptr;
            options.seed = std::strtoull(argv[++i], &end, 10);
            if (*end != 0) return false;
            options.seedGiven = true;
        } else if (arg == "--checks" && hasValue) {
            if (!parseList(argv[++i], options.checks)) return false;
        } else if (arg == "--known-faults" && hasValue) {
            if (!parseList(argv[++i], options.knownFaults)) return false;
        } else if (arg == "--figures" && hasValue) {
            options.figures = argv[++i];
        } else if (arg == "--child" && hasValue) {
            options.child = std::atoi(argv[++i]);
        } else if (arg == "--steps" && hasValue) {
            options.steps = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return false;
        } else if (options.plugin.empty()) {
            options.plugin = arg;
        } else {
            return false;
        }
    }
    return !options.plugin.empty();
}

void appendFigures(const Options& options, const CheckInfo& check, Status status,
                   const std::string& figure) {
    if (options.figures.empty()) return;
    std::FILE* file = std::fopen(options.figures.c_str(), "ab");
    if (file == nullptr) return;
    std::fprintf(file, "%d\t%s\t%s\t%s\n", check.number, check.name, statusName(status),
                 figure.c_str());
    std::fclose(file);
}

void printLine(const CheckInfo& check, Status status, const std::string& figure) {
    std::printf("%2d %-20s %s  %s\n", check.number, check.name, statusName(status), figure.c_str());
}

// In a check's own process: load the plug-in, run the check, report.
int runChild(const Options& options) {
    platform::prepareChild();
    const CheckInfo& check = allChecks()[static_cast<std::size_t>(options.child - 1)];
    PluginFile plugin(options.plugin);
    CheckResult result;
    if (!plugin.error().empty()) {
        result.status = Status::Fail;
        result.figure = plugin.error();
    } else {
        interposer::watch(plugin.entry());
        CheckContext context{plugin, options.seed * 1000003u + static_cast<unsigned>(check.number),
                             options.quick};
        const long reportsBefore = sanitizers::reports();
        result = check.run(context);
        const long reports = sanitizers::reports() - reportsBefore;
        if (reportsBefore >= 0 && reports > 0)
            result.fail(format("%ld sanitizer reports (above)", reports));
    }
    printLine(check, result.status, result.figure);
    for (const std::string& detail : result.details)
        std::printf("      %s\n", detail.c_str());
    std::fflush(stdout);
    // The table shows why a check failed beside its figures.
    constexpr std::size_t kReasonsShown = 3;
    std::string figures = result.figure;
    for (std::size_t i = 0; i < result.details.size() && result.status == Status::Fail; ++i)
        figures += i == kReasonsShown  ? "; ..."
                   : i > kReasonsShown ? ""
                                       : (i == 0 ? " - " : "; ") + result.details[i];
    appendFigures(options, check, result.status, figures);
    // An effect may still crash as its module goes (a thread of its own left
    // running): the parent then reports this step.
    progress("unloading the plug-in after the check", true);
    return result.status == Status::Pass   ? kExitPass
           : result.status == Status::Fail ? kExitFail
                                           : kExitSkip;
}

std::vector<std::string> childArguments(const Options& options, int check) {
    std::vector<std::string> args = {"--child", std::to_string(check),
                                     "--seed",  std::to_string(options.seed),
                                     "--steps", options.steps};
    if (options.quick) args.push_back("--short");
    if (!options.figures.empty()) {
        args.push_back("--figures");
        args.push_back(options.figures);
    }
    args.push_back(options.plugin);
    return args;
}

} // namespace

const std::vector<CheckInfo>& allChecks() {
    static const std::vector<CheckInfo> checks = {
        {1, "lifecycle", checkLifecycle},
        {2, "many instances", checkManyInstances},
        {3, "binary hygiene", checkBinary},
        {4, "rates x blocks", checkRatesAndBlocks},
        {5, "block splits", checkBlockSplits},
        {6, "poisoned input", checkPoisonedInput},
        {7, "denormals", checkDenormals},
        {8, "in place", checkInPlace},
        {9, "real-time safety", checkRealTime},
        {10, "threads", checkThreads},
        {11, "parameter fuzz", checkParameterFuzz},
        {12, "string buffers", checkTextBuffers},
        {13, "state", checkState},
        {14, "editor", checkEditor},
    };
    return checks;
}

namespace {
std::string stepsFile; // set in a check's process
}

void progress(const std::string& step, bool quietly) {
    if (!quietly) {
        std::printf("      ... %s\n", step.c_str());
        std::fflush(stdout);
    }
    if (std::FILE* file = std::fopen(stepsFile.c_str(), "w")) {
        std::fputs(step.c_str(), file);
        std::fclose(file);
    }
}

namespace {

// The last step a check's process noted, or empty.
std::string lastStep(const std::string& path) {
    std::string step;
    if (std::FILE* file = std::fopen(path.c_str(), "r")) {
        char text[256];
        if (std::fgets(text, sizeof(text), file) != nullptr) step = text;
        std::fclose(file);
    }
    std::remove(path.c_str());
    return step;
}

} // namespace

std::string format(const char* pattern, ...) {
    char text[1024];
    va_list arguments;
    va_start(arguments, pattern);
    std::vsnprintf(text, sizeof(text), pattern, arguments);
    va_end(arguments);
    return text;
}

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options) || options.child < 0 ||
        options.child > static_cast<int>(allChecks().size())) {
        std::fprintf(stderr, "usage: brelto-validate [--seed N] [--short] [--checks LIST] "
                             "[--known-faults LIST] [--figures FILE] PLUGIN\n");
        return kExitUsage;
    }
    if (options.child > 0) {
        stepsFile = options.steps;
        return runChild(options);
    }

    if (!options.seedGiven)
        options.seed = static_cast<std::uint64_t>(
                           std::chrono::steady_clock::now().time_since_epoch().count()) %
                       1000000000u;
    const std::string folder = platform::temporaryFolder();
    options.steps = folder + "steps";
    std::printf("brelto-validate %s\n", options.plugin.c_str());
    std::printf("seed %llu (replay with --seed %llu)%s; %s\n",
                static_cast<unsigned long long>(options.seed),
                static_cast<unsigned long long>(options.seed), options.quick ? ", short run" : "",
                interposer::technique());
    std::fflush(stdout);

    int passed = 0, failed = 0, skipped = 0, known = 0;
    for (const CheckInfo& check : allChecks()) {
        if (!options.checks.empty() && options.checks.count(check.number) == 0) continue;
        std::string abnormal;
        const int code =
            platform::runSelf(childArguments(options, check.number),
                              options.quick ? kShortCheckSeconds : kCheckSeconds, abnormal);
        const std::string step = lastStep(options.steps);
        Status status = code == kExitPass   ? Status::Pass
                        : code == kExitSkip ? Status::Skip
                                            : Status::Fail;
        if (code != kExitPass && code != kExitFail && code != kExitSkip) {
            const std::string during = step.empty() ? "" : " during: " + step;
            const std::string figure =
                code < 0 ? "ended" + during + ": " + abnormal
                         : format("ended%s with exit code %d (a report above says why)",
                                  during.c_str(), code);
            printLine(check, status, figure);
            appendFigures(options, check, status, figure);
        }
        const bool listed = options.knownFaults.count(check.number) != 0;
        if (status == Status::Fail && listed) {
            std::printf("      a known fault: not counted\n");
            ++known;
        } else if (status == Status::Fail) {
            ++failed;
        } else if (listed && status == Status::Pass) {
            std::printf("      listed as a known fault but passes: take it off the list\n");
            ++failed;
        } else {
            ++(status == Status::Pass ? passed : skipped);
        }
        std::fflush(stdout);
    }
    platform::removeFolder(folder);
    std::printf("brelto-validate: %d passed, %d failed, %d skipped, %d known faults\n", passed,
                failed, skipped, known);
    return failed == 0 ? 0 : 1;
}
