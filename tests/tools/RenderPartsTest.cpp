// The renderer's pieces on their own: the bank-file layout, the user-unit
// laws against the plug-in's own, the committed demonstration file, and the
// hand-over of frames to the meters' threads.
#include "RenderTool.h"
#include "core/Brelto.h"
#include "dsp/DaVivadozoz.h"
#include "dsp/ParameterLaws.h"
#include "tools/bank/BankFile.h"
#include "tools/render/FanOut.h"
#include "tools/render/PluginSession.h"
#include "tools/render/UserUnits.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const std::string kSourceDir = BRELTO_SOURCE_DIR;

} // namespace

TEST(BankFileLayout, TheDefaultBankReadsAndWritesBackByteForByte) {
    const std::vector<unsigned char> file = bytesOf(kSourceDir + "/resources/DefaultBank.fxb");
    BankFile bank;
    std::string why;
    ASSERT_TRUE(decodeBankFile(file, bank, why)) << why;
    EXPECT_EQ(fourCharacters(bank.pluginId), "0ii2");
    EXPECT_EQ(bank.pluginVersion, 1u);
    EXPECT_EQ(bank.programCount, 1u);
    ASSERT_EQ(bank.chunk.size(), 1266u);
    EXPECT_EQ(std::string(bank.chunk.begin(), bank.chunk.begin() + 4), "2ii0");
    EXPECT_STREQ(reinterpret_cast<const char*>(bank.chunk.data() + 4), "00_Name_=Default");
    EXPECT_EQ(encodeBankFile(bank, BankSizeField::Zero), file);

    // Files for hosts carry the size of what follows the size field.
    const std::vector<unsigned char> recorded = encodeBankFile(bank, BankSizeField::Recorded);
    EXPECT_EQ((recorded[4] << 24 | recorded[5] << 16 | recorded[6] << 8 | recorded[7]),
              static_cast<int>(recorded.size()) - 8);
}

TEST(BankFileLayout, DamagedOrForeignFilesAreRefusedWithAReason) {
    BankFile bank;
    bank.chunk.assign(100, 'x');
    std::vector<unsigned char> file = encodeBankFile(bank, BankSizeField::Recorded);
    BankFile read;
    std::string why;

    std::vector<unsigned char> cut(file.begin(), file.end() - 1);
    EXPECT_FALSE(decodeBankFile(cut, read, why));
    EXPECT_NE(why.find("cut short: 99 of 100 bytes"), std::string::npos) << why;

    std::vector<unsigned char> parameters = file;
    std::copy_n("FxBk", 4, parameters.begin() + 8);
    EXPECT_FALSE(decodeBankFile(parameters, read, why));
    EXPECT_NE(why.find("FxBk"), std::string::npos) << why;

    // Cut inside the header, the file says where it ends; without "CcnK" it is no bank.
    EXPECT_FALSE(
        decodeBankFile(std::vector<unsigned char>(file.begin(), file.begin() + 100), read, why));
    EXPECT_NE(why.find("the header is cut short: the file ends after 100 of its 160 bytes"),
              std::string::npos)
        << why;
    EXPECT_FALSE(
        decodeBankFile(std::vector<unsigned char>(file.begin(), file.begin() + 3), read, why));
    EXPECT_NE(why.find("not a VST bank file (no CcnK header)"), std::string::npos) << why;
}

// The renderer's inverse laws, set through the plug-in's interface, give the
// gain, ceiling and release the plug-in's limiter then works with.
TEST(UserUnitLaws, ValuesInUserUnitsArriveAsThoseUnitsInTheLimiter) {
    PluginModule module(PluginLibrary::programFolder() + "Brelto.so");
    auto instance = module.instantiate();
    PluginLibrary library(PluginLibrary::programFolder() + "Brelto.so");
    RecordingHost host;
    AEffect* effect = host.open(library.entry());
    ASSERT_NE(effect, nullptr);
    const auto& limiter =
        static_cast<Brelto*>(static_cast<AudioEffect*>(effect->object))->maximizerModule();

    for (double db : {0.0, 0.5, 9.0, 17.3, 30.0}) {
        effect->setParameter(effect, kGain,
                             normalisedValue(*findUserUnit("--gain-db"), std::to_string(db)));
        EXPECT_NEAR(20 * std::log10(limiter.limiter().linearGain()), db, 1e-4) << db;
    }
    for (double db : {-30.0, -12.5, -0.3, 0.0}) {
        effect->setParameter(effect, kOutCeil,
                             normalisedValue(*findUserUnit("--ceiling-db"), std::to_string(db)));
        EXPECT_NEAR(20 * std::log10(limiter.outputCeiling()), db, 1e-4) << db;
        EXPECT_NEAR(laws::linearCeiling(effect->getParameter(effect, kOutCeil)),
                    limiter.outputCeiling(), 1e-6);
    }
    for (double ms : {1.0, 3.5, 10.0, 100.0}) {
        effect->setParameter(effect, kRelease,
                             normalisedValue(*findUserUnit("--release-ms"), std::to_string(ms)));
        EXPECT_NEAR(limiter.releaseMilliseconds(), ms, ms * 1e-5) << ms;
    }
    for (const char* option : {"--stereo", "--isp"}) {
        const int index = std::string(option) == "--stereo" ? kStereo : kIsp;
        effect->setParameter(effect, index, normalisedValue(*findUserUnit(option), "off"));
        EXPECT_FALSE(std::string(option) == "--stereo" ? limiter.limiter().linkEnabled()
                                                       : limiter.limiter().ispEnabled());
        effect->setParameter(effect, index, normalisedValue(*findUserUnit(option), "on"));
        EXPECT_TRUE(std::string(option) == "--stereo" ? limiter.limiter().linkEnabled()
                                                      : limiter.limiter().ispEnabled());
    }
    EXPECT_NEAR(laws::linearGain(1.0f), std::pow(10.0, 1.5), 1e-9);
    host.close(effect);
}

TEST(DemoFile, TheCommittedExcerptIsWhatItsGeneratorMakes) {
    TempFolder folder;
    const ToolRun run =
        runTool(PluginLibrary::programFolder() + "brelto-make-demo", {folder.path("demo.flac")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Audio made = readAudio(folder.path("demo.flac"));
    const Audio committed = readAudio(kSourceDir + "/resources/DemoExcerpt.flac");
    EXPECT_EQ(committed.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    EXPECT_EQ(committed.rate, made.rate);
    EXPECT_EQ(committed.channels, 2);
    EXPECT_TRUE(committed.samples == made.samples);
}

TEST(FanOut, EveryConsumerTakesInEveryFrameInOrderAndAFailureComesBackAtTheEnd) {
    constexpr int kChannels = 2;
    constexpr int kBlockFrames = 1000; // no divisor of the slot's frames
    const int frames = 5 * FanOut::kSlotFrames + 123;
    std::vector<float> stream;
    for (int i = 0; i < frames * kChannels; ++i)
        stream.push_back(static_cast<float>(i));
    auto feed = [&](FanOut& fanOut) {
        for (int done = 0; done < frames; done += kBlockFrames)
            fanOut.add(stream.data() + done * kChannels, std::min(kBlockFrames, frames - done));
    };
    std::vector<float> first, second;
    auto into = [](std::vector<float>& taken) {
        return [&taken](const float* interleaved, int count) {
            taken.insert(taken.end(), interleaved, interleaved + count * kChannels);
        };
    };
    FanOut both(kChannels, {into(first), into(second)});
    feed(both);
    both.finish();
    EXPECT_TRUE(first == stream);
    EXPECT_TRUE(second == stream);

    // A consumer that fails holds up neither the producer nor the others.
    std::vector<float> third;
    int calls = 0;
    FanOut failing(kChannels, {[&calls](const float*, int) {
                                   if (++calls == 2) throw RenderError("cannot measure");
                               },
                               into(third)});
    feed(failing);
    EXPECT_THROW(failing.finish(), RenderError);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(third == stream);
}
