// brelto-validate on a small effect that is sound or carries one planted
// fault: each fault fails its check and only that one, a seed replays, and
// known faults are counted as the run is told.
//   brelto_validate_tests VALIDATOR FOLDER SUFFIX [RUNNER]
// FOLDER holds brelto-broken-effect, -editor (with an editor, opened on
// $DISPLAY) and -exports, each with SUFFIX (.so or .dll); RUNNER (wine) runs a
// Windows validator.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <sys/wait.h>

namespace {

std::string validator, effect, editorEffect, exportsEffect, runner;

struct Report {
    int exitCode = -1;
    std::string output;
    std::map<int, std::string> status; // check number to PASS, FAIL or SKIP
    std::map<int, std::string> line;   // check number to its whole line
};

// Runs the validator with the options given and the planted fault named (or
// none), and reads its report.
Report validate(const std::string& options, const char* fault = nullptr) {
    std::string command;
    if (fault != nullptr) command += std::string("BRELTO_PLANTED_FAULT=") + fault + " ";
    if (!runner.empty()) command += runner + " ";
    command += validator + " " + options + " " + effect + " 2>/dev/null";
    Report run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 4096> buffer;
    while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr)
        run.output += buffer.data();
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::regex result("^ ?([0-9]+) .{20} (PASS|FAIL|SKIP)  (.*?)\r?$");
    std::smatch match;
    std::size_t start = 0;
    while (start < run.output.size()) {
        std::size_t end = run.output.find('\n', start);
        if (end == std::string::npos) end = run.output.size();
        const std::string text = run.output.substr(start, end - start);
        if (std::regex_match(text, match, result)) {
            run.status[std::stoi(match[1])] = match[2];
            run.line[std::stoi(match[1])] = text;
        }
        start = end + 1;
    }
    return run;
}

TEST(Validator, PassesASoundEffectOnEveryCheck) {
    // Check 7 is a timing, judged elsewhere.
    Report run = validate("--short --seed 11 --checks 1,2,3,4,5,6,8,9,10,11,12,13,14");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    ASSERT_EQ(run.status.size(), 13u) << run.output;
    for (const auto& [number, status] : run.status)
        EXPECT_EQ(status, number == 14 ? "SKIP" : "PASS") << run.line.at(number);
    EXPECT_NE(run.line[14].find("no editor"), std::string::npos);
    EXPECT_NE(run.line[3].find("exports VSTPluginMain;"), std::string::npos) << run.line[3];
}

struct PlantedFault {
    const char* name;
    int check;
    const char* figure; // in the failing check's line
};

class PlantedFaults : public testing::TestWithParam<PlantedFault> {};

// Every check but the timing (7), the threads (10, races show only under
// ThreadSanitizer), linkage (3) and the editor (14), which have tests of their own.
TEST_P(PlantedFaults, FailTheirCheckAndNoOther) {
    const PlantedFault& fault = GetParam();
    // Under wine, where each check's process starts slowly, its own check only.
    const std::string checks =
        runner.empty() ? "1,2,4,5,6,8,9,11,12,13" : std::to_string(fault.check);
    Report run = validate("--short --seed 5 --checks " + checks, fault.name);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    ASSERT_EQ(run.status.size(), runner.empty() ? 10u : 1u) << run.output;
    for (const auto& [number, status] : run.status)
        EXPECT_EQ(status, number == fault.check ? "FAIL" : "PASS") << run.line.at(number);
    EXPECT_NE(run.line[fault.check].find(fault.figure), std::string::npos) << run.line[fault.check];
}

INSTANTIATE_TEST_SUITE_P(
    Validator, PlantedFaults,
    testing::Values(PlantedFault{"leak", 1, "heap growth"},
                    PlantedFault{"shared", 2, "random settings:"},
                    PlantedFault{"loud", 4, "worst peak / ceiling 1.200000"},
                    PlantedFault{"blocks", 5, ": differ"},
                    PlantedFault{"nan", 6, "194 non-finite outputs"},
                    PlantedFault{"inplace", 8, "in place differs from separate buffers"},
                    PlantedFault{"alloc", 9, "20000 allocations"},
                    PlantedFault{"params", 11, ": 10 stored values non-finite or outside 0..1"},
                    PlantedFault{"text", 12, ": 1 wrote past the interface's size (worst 4 bytes)"},
                    PlantedFault{"chunk", 13, "crashed"}),
    [](const testing::TestParamInfo<PlantedFault>& info) { return std::string(info.param.name); });

TEST(Validator, FindsExportsAndLibrariesBeyondTheEntryPoint) {
    const std::string plain = effect;
    effect = exportsEffect;
    Report run = validate("--short --seed 2 --checks 3");
    effect = plain;
    EXPECT_EQ(run.status[3], "FAIL") << run.output;
    EXPECT_NE(run.line[3].find("exports VSTPluginMain, brokenEffectVersion;"), std::string::npos)
        << run.line[3];
    EXPECT_NE(run.output.find("1 exports beyond the entry points, such as brokenEffectVersion"),
              std::string::npos)
        << run.output;
}

TEST(Validator, ReplaysFromItsSeed) {
    Report first = validate("--short --seed 123 --checks 5,13");
    Report again = validate("--short --seed 123 --checks 5,13");
    Report other = validate("--short --seed 124 --checks 5");
    ASSERT_EQ(first.status.size(), 2u) << first.output;
    EXPECT_NE(first.output.find("seed 123 (replay with --seed 123)"), std::string::npos);
    EXPECT_EQ(first.line, again.line);
    // The random block sizes, and so the frame count, come from the seed.
    EXPECT_NE(first.line[5], other.line[5]);
}

TEST(Validator, CountsKnownFaultsAsTold) {
    Report known = validate("--short --seed 3 --checks 6,13 --known-faults 6", "nan");
    EXPECT_EQ(known.exitCode, 0) << known.output;
    EXPECT_NE(known.output.find("a known fault: not counted"), std::string::npos);
    EXPECT_NE(known.output.find("1 passed, 0 failed, 0 skipped, 1 known faults"), std::string::npos)
        << known.output;

    Report mended = validate("--short --seed 3 --checks 6 --known-faults 6");
    EXPECT_EQ(mended.exitCode, 1) << mended.output;
    EXPECT_NE(mended.output.find("take it off the list"), std::string::npos);
}

TEST(Validator, RefusesWhatItCannotRead) {
    EXPECT_EQ(validate("--checks 15").exitCode, 2);
    EXPECT_EQ(validate("--seed x").exitCode, 2);
    const std::string kept = effect;
    effect = "no-such-plugin.so";
    Report missing = validate("--short --checks 1");
    effect = kept;
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.status[1], "FAIL");
    EXPECT_NE(missing.line[1].find("cannot load"), std::string::npos) << missing.output;
}

TEST(Validator, OpensAndClosesAnEditorAndSeesAWindowLeftBehind) {
    const std::string plain = effect;
    effect = editorEffect;
    Report sound = validate("--short --seed 9 --checks 3,14");
    Report leaking = validate("--short --seed 9 --checks 14", "editor-leak");
    effect = plain;
    EXPECT_EQ(sound.exitCode, 0) << sound.output;
    EXPECT_EQ(sound.status[14], "PASS") << sound.output;
    EXPECT_NE(sound.line[14].find("200x100, 10 open/close cycles"), std::string::npos)
        << sound.line[14];
    EXPECT_NE(sound.line[14].find("windows left after close: 0;"), std::string::npos);
    EXPECT_EQ(sound.status[3], "PASS") << sound.line[3]; // with an editor, Xlib may be needed
    EXPECT_EQ(leaking.status[14], "FAIL") << leaking.output;
    EXPECT_NE(leaking.line[14].find("windows left after close: 11;"), std::string::npos)
        << leaking.line[14];
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: brelto_validate_tests VALIDATOR FOLDER SUFFIX [RUNNER]\n");
        return 2;
    }
    validator = argv[1];
    const std::string folder = std::string(argv[2]) + "/brelto-broken-";
    effect = folder + "effect" + argv[3];
    editorEffect = folder + "editor" + argv[3];
    exportsEffect = folder + "exports" + argv[3];
    if (argc > 4) runner = argv[4];
    return RUN_ALL_TESTS();
}
