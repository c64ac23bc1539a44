// Settings saved by brelto-render as a bank file come back exactly, and the
// user-unit options land on the values the plug-in's laws give.
#include "RenderTool.h"
#include "tools/bank/BankFile.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>

namespace {

float parameterIn(const nlohmann::json& report, const char* name) {
    return report["parameters"][name].get<float>();
}

constexpr const char* kNames[] = {"OutCeil", "Gain",    "Release", "Stereo",  "ISP",
                                  "MeterI0", "MeterI1", "MeterR",  "MeterO0", "MeterO1"};

} // namespace

TEST(RenderState, EveryParameterSurvivesSavingAndLoading) {
    TempFolder folder;
    std::vector<std::string> args = {"--json", "--save-state", folder.path("first.fxb")};
    std::vector<float> values;
    for (int i = 0; i < 10; ++i) {
        values.push_back(0.05f + 0.0917f * static_cast<float>(i));
        // By index, or by name in any letter case, as the plug-in's lookup takes them.
        std::string key = i % 2 == 0 ? std::to_string(i) : kNames[i];
        if (i % 2 != 0)
            for (char& c : key)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        args.push_back("--param");
        args.push_back(key + "=" + nlohmann::json(values.back()).dump());
    }
    const ToolRun saved = runRender(args);
    ASSERT_EQ(saved.exitCode, 0) << saved.err;

    const ToolRun loaded = runRender({"--json", "--load-state", folder.path("first.fxb"),
                                      "--save-state", folder.path("second.fxb")});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(parameterIn(loaded.json(), kNames[i]), values[i]) << kNames[i];
    EXPECT_EQ(bytesOf(folder.path("first.fxb")), bytesOf(folder.path("second.fxb")));

    BankFile bank;
    std::string why;
    ASSERT_TRUE(decodeBankFile(bytesOf(folder.path("first.fxb")), bank, why)) << why;
    EXPECT_EQ(fourCharacters(bank.pluginId), "0ii2");
    EXPECT_EQ(bank.programCount, 1u);
    EXPECT_EQ(bank.chunk.size(), 1266u);
}

TEST(RenderState, TheDefaultBankLoadsAndUserUnitsFollowThePluginLaws) {
    TempFolder folder;
    const ToolRun defaults =
        runRender({"--json", "--gain-db", "30", "--load-state",
                   std::string(BRELTO_SOURCE_DIR) + "/resources/DefaultBank.fxb", "--save-state",
                   folder.path("s.fxb")});
    ASSERT_EQ(defaults.exitCode, 0) << defaults.err;
    // Options apply after the state: Gain is the option's, the rest the bank's.
    EXPECT_EQ(parameterIn(defaults.json(), "Gain"), 1.0f);
    EXPECT_EQ(parameterIn(defaults.json(), "Release"), 0.25f);
    EXPECT_EQ(parameterIn(defaults.json(), "OutCeil"), 1.0f);

    const ToolRun units =
        runRender({"--json", "--gain-db", "9", "--ceiling-db", "-0.3", "--release-ms", "10",
                   "--stereo", "off", "--isp=on", "--save-state", folder.path("s.fxb")});
    ASSERT_EQ(units.exitCode, 0) << units.err;
    const nlohmann::json report = units.json();
    EXPECT_EQ(parameterIn(report, "Gain"), 0.3f);
    EXPECT_EQ(parameterIn(report, "OutCeil"), static_cast<float>(29.7 / 30.0));
    EXPECT_EQ(parameterIn(report, "Release"), 0.5f);
    EXPECT_EQ(parameterIn(report, "Stereo"), 0.0f);
    EXPECT_EQ(parameterIn(report, "ISP"), 1.0f);
}

TEST(RenderState, ABankOfAnotherPluginIsRefused) {
    TempFolder folder;
    BankFile other;
    other.pluginId = 0x41424344; // 'ABCD'
    other.chunk = {'x', 0, 0};
    const std::vector<unsigned char> bytes = encodeBankFile(other, BankSizeField::Recorded);
    folder.write("other.fxb", std::string(bytes.begin(), bytes.end()));
    const ToolRun run =
        runRender({"--load-state", folder.path("other.fxb"), "--save-state", folder.path("s.fxb")});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find("settings of the plug-in 'ABCD', not of Brelto ('0ii2')"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"other.fxb"});
}

// The tool sets the parameters before the file's rate: at 48 kHz the release
// asked for must still be the one heard.
TEST(RenderState, TheReleaseAskedForIsHeardAtFortyEightKilohertz) {
    TempFolder folder;
    Audio drums{48000, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, {}};
    for (int i = 0; i < 48000; ++i) {
        const float hit = (i % 4800 < 40) ? 0.9f : 0.0f;
        const float tone = 0.3f * std::sin(0.05f * static_cast<float>(i));
        drums.samples.insert(drums.samples.end(), {hit + tone, hit - tone});
    }
    writeAudio(folder.path("in.wav"), drums);
    for (const char* ms : {"1", "100"}) {
        const ToolRun run =
            runRender({"--gain-db", "12", "--release-ms", ms, "--format", "wav:float",
                       folder.path("in.wav"), folder.path(std::string(ms) + ".wav")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }
    const Audio fast = readAudio(folder.path("1.wav")), slow = readAudio(folder.path("100.wav"));
    ASSERT_EQ(fast.samples.size(), drums.samples.size());
    ASSERT_EQ(slow.samples.size(), drums.samples.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < fast.samples.size(); ++i)
        differing += fast.samples[i] != slow.samples[i];
    EXPECT_GT(differing, drums.samples.size() / 4)
        << differing << " of " << drums.samples.size() << " samples differ";
}

// A bank file of Brelto's ID whose chunk holds no line of Brelto's (damaged,
// or written by something else): the settings would silently stay at their
// defaults, so it is an error, and nothing is written.
TEST(RenderState, ABankOfBreltoWithoutAnySettingIsRefused) {
    TempFolder folder;
    BankFile damaged;
    damaged.pluginId = 0x30696932; // '0ii2'
    damaged.programCount = 1;
    std::uint32_t noise = 12345;
    for (int i = 0; i < 1266; ++i) {
        noise = noise * 1103515245u + 12345u;
        damaged.chunk.push_back(static_cast<unsigned char>(noise >> 24));
    }
    const std::vector<unsigned char> bytes = encodeBankFile(damaged, BankSizeField::Recorded);
    folder.write("damaged.fxb", std::string(bytes.begin(), bytes.end()));
    const ToolRun run = runRender(
        {"--load-state", folder.path("damaged.fxb"), "--save-state", folder.path("s.fxb")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(folder.path("damaged.fxb") + ": it holds no settings of Brelto"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"damaged.fxb"});
}
