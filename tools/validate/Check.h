// One check of the validator: what it is given, what it reports, and the
// table of all checks in the order they run.
#pragma once

#include "tools/validate/Effect.h"

#include <cstdint>
#include <string>
#include <vector>

enum class Status { Pass, Fail, Skip };

struct CheckResult {
    Status status = Status::Pass;
    std::string figure;               // the one line of figures
    std::vector<std::string> details; // what went wrong, or how it was measured

    void fail(const std::string& why) {
        status = Status::Fail;
        details.push_back(why);
    }
};

struct CheckContext {
    PluginFile& plugin;
    std::uint64_t seed; // this check's own stream, from the run's seed
    bool quick;         // the short run: fewer cases and frames, timing not judged strictly
    // Picks the full or the quick size of a loop.
    int size(int full, int shortRun) const { return quick ? shortRun : full; }
};

using CheckFunction = CheckResult (*)(CheckContext& context);

struct CheckInfo {
    int number;
    const char* name;
    CheckFunction run;
};

const std::vector<CheckInfo>& allChecks();

// Says at once what a check starts on, so that a crash shows where it was;
// quietly: only in the crash's report.
void progress(const std::string& step, bool quietly = false);

// printf into a string.
std::string format(const char* pattern, ...) __attribute__((format(gnu_printf, 1, 2)));

// The checks, by number.
CheckResult checkLifecycle(CheckContext& context);      // 1
CheckResult checkManyInstances(CheckContext& context);  // 2
CheckResult checkBinary(CheckContext& context);         // 3
CheckResult checkRatesAndBlocks(CheckContext& context); // 4
CheckResult checkBlockSplits(CheckContext& context);    // 5
CheckResult checkPoisonedInput(CheckContext& context);  // 6
CheckResult checkDenormals(CheckContext& context);      // 7
CheckResult checkInPlace(CheckContext& context);        // 8
CheckResult checkRealTime(CheckContext& context);       // 9
CheckResult checkThreads(CheckContext& context);        // 10
CheckResult checkParameterFuzz(CheckContext& context);  // 11
CheckResult checkTextBuffers(CheckContext& context);    // 12
CheckResult checkState(CheckContext& context);          // 13
CheckResult checkEditor(CheckContext& context);         // 14
