// Programs kept as chunk text: both forms byte for byte, the rules of reading
// them back, the bounds of the given bytes, and the default bank resource.
#include "tests/support/InspectedBrelto.h"

#include "platform/ModuleServices.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;

// Records every value that setParameter receives, in order.
class RecordingBrelto : public InspectedBrelto {
public:
    void setParameter(VstInt32 index, float value) override {
        received.emplace_back(index, value);
        InspectedBrelto::setParameter(index, value);
    }
    using Brelto::loadDefaultBank;
    std::vector<std::pair<VstInt32, float>> received;
};

const char* const kDefaultBankLines[] = {
    "00_Name_=Default",  "00OutCeil=3f800000", "00Gain=00000000",    "00Release=3e800000",
    "00Stereo=3f800000", "00ISP=3f800000",     "00MeterI0=00000000", "00MeterI1=00000000",
    "00MeterR=00000000", "00MeterO0=00000000", "00MeterO1=00000000",
};

std::string padded(std::string text, std::size_t size) {
    text.resize(size, '\0');
    return text;
}

void expectSameSettings(InspectedBrelto& a, InspectedBrelto& b) {
    for (int i = 0; i < kHostParameterCount; ++i) {
        EXPECT_EQ(bitsOf(a.getParameter(i)), bitsOf(b.getParameter(i))) << "parameter " << i;
        EXPECT_EQ(bitsOf(a.programValue(i)), bitsOf(b.programValue(i))) << "program value " << i;
    }
}

TEST(Construction, LeavesTheDefaultBanksSettings) {
    InspectedBrelto plugin;
    EXPECT_EQ(plugin.getParameter(kStereo), 1.0f); // not in the bank: the table's default
    EXPECT_EQ(plugin.getParameter(kOutCeil), 1.0f);
    EXPECT_EQ(plugin.getParameter(kGain), 0.0f);
    EXPECT_EQ(plugin.getParameter(kRelease), 0.25f);
    EXPECT_EQ(plugin.getParameter(kIsp), 1.0f);
    for (int meter = kMeterI0; meter <= kMeterO1; ++meter)
        EXPECT_EQ(plugin.getParameter(meter), 0.0f);
    EXPECT_EQ(plugin.programName(), "Default");
}

TEST(Chunks, BankFormAfterConstructionByteForByte) {
    InspectedBrelto plugin;
    std::string expected("2ii0", 4);
    for (const char* line : kDefaultBankLines)
        expected += std::string(line) + '\0';
    EXPECT_EQ(plugin.chunk(false), padded(expected, Brelto::kBankChunkSize));
}

TEST(Chunks, ProgramFormHasNoNumbersAndNoName) {
    InspectedBrelto plugin;
    plugin.setParameter(kGain, 0.7f);
    std::string expected("2ii0", 4);
    for (const char* line : kDefaultBankLines)
        if (std::string(line).find("_Name_") == std::string::npos)
            expected += std::string(line + 2) + '\0';
    expected.replace(expected.find("Gain=00000000"), 13, "Gain=3f333333");
    EXPECT_EQ(plugin.chunk(true), padded(expected, Brelto::kProgramChunkSize));
}

TEST(Chunks, BothFormsRestoreEveryValueExactly) {
    InspectedBrelto source;
    const float values[kHostParameterCount] = {0.123f, 0.7f, 1e-30f, 0.0f, 0.5f,
                                               0.25f,  1.0f, 0.3f,   0.9f, 0.999999f};
    for (int i = 0; i < kHostParameterCount; ++i)
        source.setParameter(i, values[i]);
    source.setProgramName("Loud master");
    for (bool programForm : {false, true}) {
        InspectedBrelto target;
        EXPECT_EQ(target.load(source.chunk(programForm), programForm), 1);
        expectSameSettings(source, target);
        EXPECT_EQ(target.programName(), programForm ? "Default" : "Loud master");
    }
    InspectedBrelto unchanged;
    const std::string bank = unchanged.chunk(false);
    unchanged.load(bank, false);
    EXPECT_EQ(unchanged.chunk(false), bank);
}

TEST(Chunks, EachInstanceKeepsItsOwnChunkUntilItsNextRequest) {
    InspectedBrelto first, second;
    void* firstData = nullptr;
    const VstInt32 size = first.getChunk(&firstData, false);
    const std::string firstText(static_cast<const char*>(firstData), size);
    second.setParameter(kGain, 1.0f);
    void* secondData = nullptr;
    second.getChunk(&secondData, false);
    EXPECT_NE(firstData, secondData);
    EXPECT_EQ(std::string(static_cast<const char*>(firstData), size), firstText);
    EXPECT_EQ(first.getChunk(nullptr, false), 0);
}

TEST(Chunks, BankLinesOfOtherProgramsAndLowerCaseNameKeysAreSkipped) {
    RecordingBrelto plugin;
    plugin.load(
        chunkText({"01Gain=3f800000", "ffGain=3f800000", "-1Gain=3f800000", "00_name_=Other",
                   "00gain=3f000000", "00_Name_=Mixed", "00LkAhd=3f800000", "00_Gain=3f800000"}),
        false);
    EXPECT_EQ(plugin.getParameter(kGain), 0.5f);
    EXPECT_EQ(plugin.programName(), "Mixed");
    EXPECT_EQ(plugin.getParameter(10), 0.0f); // rows past the host's cannot be set
}

TEST(Chunks, BankValuesAreStoredAsTheyAreAndClampedByTheFinalPass) {
    RecordingBrelto plugin;
    plugin.received.clear();
    plugin.load(chunkText({"00Gain=3fc00000", "00Release=bf800000"}), false);
    ASSERT_EQ(plugin.received.size(), static_cast<std::size_t>(kHostParameterCount));
    EXPECT_EQ(plugin.received[kGain].second, 1.5f);
    EXPECT_EQ(plugin.received[kRelease].second, -1.0f);
    EXPECT_EQ(plugin.getParameter(kGain), 1.0f);
    EXPECT_EQ(plugin.programValue(kGain), 1.0f);
    EXPECT_EQ(plugin.getParameter(kRelease), 0.0f);
}

TEST(Chunks, ProgramLinesSetTheirParameterAtOnceAndIgnoreCase) {
    RecordingBrelto plugin;
    plugin.received.clear();
    plugin.load(chunkText({"gain=3f800000", "Release", "LkAhd=3f000000", "00Stereo=00000000"}),
                true);
    ASSERT_EQ(plugin.received.size(), static_cast<std::size_t>(kHostParameterCount + 1));
    EXPECT_EQ(plugin.received[0], std::make_pair(VstInt32(kGain), 1.0f));
    EXPECT_EQ(plugin.getParameter(kGain), 1.0f);
    EXPECT_EQ(plugin.getParameter(kRelease), 0.25f);
    EXPECT_EQ(plugin.getParameter(kStereo), 1.0f);
}

// Random bytes, another plug-in's text, a chunk of the other form or one
// whose first line is empty: the host learns that nothing was loaded, and
// nothing is, not even a resend of the values.
TEST(Chunks, AChunkWithNoLineOfOursChangesNothingAndAnswersZero) {
    RecordingBrelto plugin;
    plugin.setParameter(kGain, 0.3f);
    plugin.setProgramName("Mine");
    InspectedBrelto other;
    const std::pair<std::string, bool> foreign[] = {
        {chunkText({"", "00Gain=3f800000"}), false},
        {chunkText({"01Gain=3f800000", "00LkAhd=3f000000", "Gain", "00Gain=3f8"}), false},
        {"JUCE<?xml version=\"1.0\"?><PARAMS Gain=\"-3\" mode=\"2\"/>\0"s, false},
        {"\x93\x11=\xfe\x7fgain=3f80000\0\x01=\0"s, true},
        {other.chunk(true), false},
        {other.chunk(false), true},
    };
    for (const auto& [text, programForm] : foreign) {
        plugin.received.clear();
        EXPECT_EQ(plugin.load(text, programForm), 0) << text;
        EXPECT_TRUE(plugin.received.empty()) << text;
        EXPECT_EQ(plugin.getParameter(kGain), 0.3f) << text;
        EXPECT_EQ(plugin.programName(), "Mine") << text;
    }
    EXPECT_EQ(plugin.load(chunkText({"00LkAhd=3f000000", "00Gain=3f000000"}), false), 1);
    EXPECT_EQ(plugin.getParameter(kGain), 0.5f);
}

// Exactly the eight digits that getChunk writes, in either letter case: a
// value cut short or run on would otherwise become another number.
TEST(Chunks, ValuesAreExactlyEightHexadecimalDigits) {
    InspectedBrelto plugin;
    plugin.setParameter(kGain, 0.3f);
    EXPECT_EQ(plugin.load(chunkText({"00Gain=zz", "00Gain=3e99", "00Gain=", "00Gain= 3f000000",
                                     "00Gain=3e800000ff", "00Gain=0x3f800000", "00Gain=+3f80000",
                                     "00Gain=3f80000 ", "00Gain=3f80000g"}),
                          false),
              0);
    EXPECT_EQ(plugin.getParameter(kGain), 0.3f);
    EXPECT_EQ(plugin.load(chunkText({"00Gain=3F000000", "00Release=3e4CCCCD"}), false), 1);
    EXPECT_EQ(plugin.getParameter(kGain), 0.5f);
    EXPECT_EQ(plugin.getParameter(kRelease), 0.2f);
}

TEST(Chunks, OverlongLinesAreCutAndTheNextLineIsStillRead) {
    InspectedBrelto plugin;
    const std::string name(300, 'n');
    plugin.load(chunkText({"00_Name_=" + name, "00Gain=3f800000" + std::string(400, 'x'),
                           "00" + std::string(300, 'a') + "=3f800000", "00Release=3f000000"}),
                false);
    EXPECT_EQ(plugin.programName(), name.substr(0, 23));
    EXPECT_EQ(plugin.getParameter(kGain), 0.0f); // a value run on is no value
    EXPECT_EQ(plugin.getParameter(kRelease), 0.5f);
}

TEST(Chunks, NothingPastTheByteSizeIsRead) {
    InspectedBrelto plugin;
    std::string text = chunkText({"00Release=3f000000", "00Gain=3f800000"});
    const std::size_t secondLine = text.find("00Gain");
    plugin.setChunk(text.data(), static_cast<VstInt32>(secondLine), false);
    EXPECT_EQ(plugin.getParameter(kRelease), 0.5f);
    EXPECT_EQ(plugin.getParameter(kGain), 0.0f);

    // A last line without its zero byte ends with the data.
    std::string unterminated = "2ii0Gain=3f800000";
    plugin.setChunk(unterminated.data(), static_cast<VstInt32>(unterminated.size()), true);
    EXPECT_EQ(plugin.getParameter(kGain), 1.0f);
    unterminated = "2ii0Gain=3f00000";
    EXPECT_EQ(plugin.load(unterminated, true), 0); // cut inside the value
    EXPECT_EQ(plugin.getParameter(kGain), 1.0f);
}

TEST(Chunks, DataTooShortForItsIdentifierOrMissingChangesNothing) {
    RecordingBrelto plugin;
    std::string text = chunkText({"00Gain=3f800000"});
    plugin.received.clear();
    for (VstInt32 size : {1, 3, 4})
        EXPECT_EQ(plugin.setChunk(text.data(), size, false), 0);
    EXPECT_EQ(plugin.setChunk(nullptr, 100, true), 0);
    EXPECT_TRUE(plugin.received.empty());
}

// A size of 0 or less gives no bound to read within: nothing is read, nothing
// changes and the answer is 0.
TEST(Chunks, ASizeOfZeroOrLessReadsNothingAndAnswersZero) {
    RecordingBrelto plugin;
    plugin.setProgramName("Mine");
    plugin.received.clear();
    std::string text = chunkText({"00_Name_=Other", "00Gain=3f800000"});
    for (VstInt32 size : {0, -1, -100000}) {
        EXPECT_EQ(plugin.setChunk(text.data(), size, false), 0) << size;
        EXPECT_EQ(plugin.setChunk(text.data(), size, true), 0) << size;
    }
    EXPECT_EQ(plugin.setChunk(nullptr, 0, false), 0);
    // Exactly the bytes of one unterminated line, on the heap.
    const std::string line = "2ii0Gain=3f800000";
    std::vector<unsigned char> bare(line.begin(), line.end());
    EXPECT_EQ(plugin.setChunk(bare.data(), 0, true), 0);
    EXPECT_TRUE(plugin.received.empty());
    EXPECT_EQ(plugin.getParameter(kGain), 0.0f);
    EXPECT_EQ(plugin.programName(), "Mine");
}

TEST(DefaultBank, IsABankFileWithOneOpaqueChunk) {
    const platform::ResourceBytes bank =
        platform::findResource(Brelto::kBankResourceType, Brelto::kBankResourceId);
    ASSERT_EQ(bank.size, 1426u);
    const std::string bytes(reinterpret_cast<const char*>(bank.data), bank.size);
    EXPECT_EQ(bytes.substr(0, 4), "CcnK");
    EXPECT_EQ(bytes.substr(4, 4), std::string(4, '\0'));
    EXPECT_EQ(bytes.substr(8, 4), "FBCh");
    EXPECT_EQ(bytes.substr(12, 4), std::string("\0\0\0\1", 4));
    EXPECT_EQ(bytes.substr(16, 4), "0ii2");
    EXPECT_EQ(bytes.substr(20, 8), std::string("\0\0\0\1\0\0\0\1", 8));
    EXPECT_EQ(bytes.substr(28, 128), std::string(128, '\0'));
    EXPECT_EQ(bytes.substr(156, 4), std::string("\0\0\x04\xf2", 4));
    const std::string chunk = bytes.substr(Brelto::kBankChunkOffset);
    std::string lines("2ii0", 4);
    for (const char* line :
         {"00_Name_=Default", "00OutCeil=3f800000", "00Gain=00000000", "00Release=3e800000",
          "00ISP=3f800000", "00LkAhd=3f000000", "00MeterI0=00000000", "00MeterI1=00000000",
          "00MeterR=00000000", "00MeterO0=00000000", "00MeterO1=00000000"})
        lines += std::string(line) + '\0';
    EXPECT_EQ(chunk, padded(lines, Brelto::kBankChunkSize));
}

TEST(DefaultBank, MissingOrShortBankKeepsTheProgram) {
    RecordingBrelto plugin;
    plugin.setParameter(kGain, 0.6f);
    plugin.setProgramName("Mine");
    plugin.received.clear();
    plugin.loadDefaultBank({});
    const std::string header(Brelto::kBankChunkOffset, 'x');
    platform::ResourceBytes shortBank;
    shortBank.data = reinterpret_cast<const unsigned char*>(header.data());
    shortBank.size = header.size();
    plugin.loadDefaultBank(shortBank);
    EXPECT_TRUE(plugin.received.empty());
    EXPECT_EQ(plugin.getParameter(kGain), 0.6f);
    EXPECT_EQ(plugin.programName(), "Mine");

    plugin.loadDefaultBank(
        platform::findResource(Brelto::kBankResourceType, Brelto::kBankResourceId));
    EXPECT_EQ(plugin.getParameter(kGain), 0.0f);
    EXPECT_EQ(plugin.programName(), "Default");
}

} // namespace
