// setChunk against many thousands of damaged chunks, each placed right against
// a no-access page: a read outside the given bytes ends the test program.
#include "tests/support/GuardedBytes.h"
#include "tests/support/InspectedBrelto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <random>

namespace {

constexpr int kRounds = 40000;
constexpr std::size_t kLargest = 3000;

class ChunkMaker {
public:
    explicit ChunkMaker(std::uint32_t seed) : random(seed) {
        InspectedBrelto source;
        source.setParameter(kGain, 0.4f);
        seeds[0] = source.chunk(false);
        seeds[1] = source.chunk(true);
    }

    std::string next(int round) {
        switch (round % 6) {
        case 0:
            return noise(1 + below(kLargest - 1));
        case 1:
            return seed().substr(0, 1 + below(Brelto::kBankChunkSize));
        case 2:
            return mutated(seed());
        case 3:
            return lines();
        case 4:
            return chunkText({std::string(260 + below(1200), letter()) + "=3f800000", line()});
        default:
            return chunkText({"00_Name_=" + std::string(300, letter()), line()})
                .substr(0, 4 + below(330));
        }
    }

private:
    std::size_t below(std::size_t bound) { return random() % bound; }
    char letter() { return static_cast<char>('A' + below(58)); }
    const std::string& seed() { return seeds[below(2)]; }

    std::string noise(std::size_t size) {
        std::string text(size, '\0');
        for (char& c : text)
            c = static_cast<char>(below(256));
        return text;
    }

    std::string mutated(std::string text) {
        for (std::size_t n = 1 + below(12); n > 0; --n) {
            const std::size_t at = below(text.size());
            switch (below(4)) {
            case 0:
                text[at] = static_cast<char>(below(256));
                break;
            case 1:
                text[at] = "=0\0x-"[below(5)];
                break;
            case 2:
                text.erase(at, 1 + below(20));
                break;
            default:
                text.insert(at, noise(1 + below(40)));
                break;
            }
            if (text.empty()) text = "2ii0";
        }
        return text.substr(0, 1 + below(text.size()));
    }

    // A line as a chunk might hold one, with damage of every kind.
    std::string line() {
        static const char* const keys[] = {"OutCeil", "gain",    "RELEASE", "Stereo",
                                           "ISP",     "MeterI0", "MeterO1", "_Name_",
                                           "LkAhd",   "_Gain",   ""};
        static const char* const numbers[] = {"00", "01", "-1", "0", "", "ff", " 0", "+0", "0x"};
        static const char* const values[] = {"3f800000", "7fc00000", "ff800000", "3fc00000",
                                             "-1",       "0x3f80",   "zz",       "",
                                             " 3e8",     "80000000", "7f7fffff", "00000001"};
        std::string text = numbers[below(9)];
        text += keys[below(11)];
        if (below(8) != 0) text += '=';
        text += values[below(12)];
        if (below(10) == 0) text += std::string(below(400), letter());
        return text;
    }

    std::string lines() {
        std::string text("2ii0", 4);
        for (std::size_t n = below(16); n > 0; --n)
            text += line() + '\0';
        if (below(3) != 0) text += '\0';
        return text.substr(0, text.size() - below(3));
    }

    std::mt19937 random;
    std::string seeds[2];
};

// Every value, program value and the name, to see whether a chunk changed anything.
struct Settings {
    std::uint32_t values[2 * kHostParameterCount];
    std::string name;
    bool operator==(const Settings& other) const {
        return std::equal(std::begin(values), std::end(values), std::begin(other.values)) &&
               name == other.name;
    }
};

Settings settingsOf(InspectedBrelto& plugin) {
    Settings settings;
    for (int i = 0; i < kHostParameterCount; ++i) {
        settings.values[i] = bitsOf(plugin.getParameter(i));
        settings.values[kHostParameterCount + i] = bitsOf(plugin.programValue(i));
    }
    settings.name = plugin.programName();
    return settings;
}

void expectEveryValueInRange(InspectedBrelto& plugin, int round) {
    for (int i = 0; i < kHostParameterCount; ++i) {
        const float value = plugin.getParameter(i);
        ASSERT_TRUE(value >= 0.0f && value <= 1.0f) << "parameter " << i << " round " << round;
        ASSERT_EQ(bitsOf(plugin.programValue(i)), bitsOf(value)) << "round " << round;
    }
    ASSERT_LE(plugin.programName().size(), 23u) << "round " << round;
}

TEST(ChunkFuzz, DamagedChunksStayInsideTheirBytesAndLeaveValuesInRange) {
    GuardedBytes memory(kLargest + Brelto::kBankChunkSize);
    ChunkMaker maker(0x5eed);
    InspectedBrelto plugin;
    for (int round = 0; round < kRounds; ++round) {
        const std::string chunk = maker.next(round);
        ASSERT_FALSE(chunk.empty());
        ASSERT_LE(chunk.size(), memory.capacity());
        unsigned char* data = (round / 6) % 2 == 0
                                  ? memory.placeAtEnd(chunk.data(), chunk.size())
                                  : memory.placeAtStart(chunk.data(), chunk.size());
        const bool programForm = (round / 12) % 2 == 1;
        const Settings before = settingsOf(plugin);
        const VstInt32 answer =
            plugin.setChunk(data, static_cast<VstInt32>(chunk.size()), programForm);
        ASSERT_TRUE(answer == 0 || answer == 1) << "round " << round;
        // Random bytes hold no line of ours; whatever holds none changes nothing.
        if (round % 6 == 0) {
            ASSERT_EQ(answer, 0) << "round " << round;
        }
        if (answer == 0) {
            ASSERT_TRUE(settingsOf(plugin) == before) << "round " << round;
        }
        expectEveryValueInRange(plugin, round);
    }
}

// A chunk cut at every byte, as a truncated preset file or a host's short
// buffer gives it: each value is either the one saved, when its eight digits
// arrived whole, or the one held before; never a number made of some digits.
TEST(ChunkFuzz, AChunkCutAnywhereSetsOnlyTheValuesThatArrivedWhole) {
    InspectedBrelto source, target;
    float saved[kHostParameterCount], held[kHostParameterCount];
    for (int i = 0; i < kHostParameterCount; ++i) {
        saved[i] = 0.03f + 0.0917f * static_cast<float>(i);
        held[i] = 0.97f - 0.0917f * static_cast<float>(i);
        source.setParameter(i, saved[i]);
    }
    source.setProgramName("Saved");
    for (const bool programForm : {false, true}) {
        const std::string whole = source.chunk(programForm);
        // Where the eight digits of each value end, and where the name line's key does.
        std::size_t valueEnd[kHostParameterCount];
        for (int i = 0; i < kHostParameterCount; ++i) {
            const std::string key =
                (programForm ? "" : "00") + std::string(source.paramRows()[i].name) + "=";
            valueEnd[i] = whole.find(key) + key.size() + 8;
        }
        const std::size_t nameStart = programForm ? whole.size() + 1 : whole.find("00_Name_=") + 9;
        GuardedBytes memory(whole.size());
        for (std::size_t size = 1; size <= whole.size(); ++size) {
            for (int i = 0; i < kHostParameterCount; ++i)
                target.setParameter(i, held[i]);
            target.setProgramName("Held");
            const unsigned char* data = memory.placeAtEnd(whole.data(), size);
            const VstInt32 answer = target.setChunk(const_cast<unsigned char*>(data),
                                                    static_cast<VstInt32>(size), programForm);
            bool anyWhole = size >= nameStart;
            for (int i = 0; i < kHostParameterCount; ++i) {
                const bool arrived = size >= valueEnd[i];
                anyWhole = anyWhole || arrived;
                ASSERT_EQ(bitsOf(target.getParameter(i)), bitsOf(arrived ? saved[i] : held[i]))
                    << (programForm ? "program" : "bank") << " form cut to " << size
                    << " bytes, parameter " << i << " reads " << target.getParameter(i);
            }
            ASSERT_EQ(answer, anyWhole ? 1 : 0) << "cut to " << size << " bytes";
            if (!anyWhole) {
                ASSERT_EQ(target.programName(), "Held") << "cut to " << size;
            }
        }
    }
}

// A host's size of 0 with text that has no empty line before the end of its
// memory: nothing may be read at all.
TEST(ChunkFuzz, ASizeOfZeroReadsNothingEvenWithoutAnEmptyLine) {
    GuardedBytes memory(64);
    const std::string text("2ii0Gain=3f800000", 17); // no terminator, no empty line
    unsigned char* data = memory.placeAtEnd(text.data(), text.size());
    InspectedBrelto plugin;
    EXPECT_EQ(plugin.setChunk(data, 0, true), 0);
    EXPECT_EQ(plugin.getParameter(kGain), 0.0f);
    EXPECT_EQ(plugin.dispatcher(effSetChunk, 1, 0, data, 0.0f), 0);
    EXPECT_EQ(plugin.getParameter(kGain), 0.0f);
}

// Shows that the guard pages fault, so that the test above can catch a stray read.
TEST(ChunkFuzzDeathTest, TheGuardPageBehindTheBytesFaults) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    GuardedBytes memory(16);
    const char text[] = "2ii0";
    volatile unsigned char* data = memory.placeAtEnd(text, 4);
    EXPECT_EQ(data[3], '0');
    EXPECT_DEATH(data[4] = data[4] + 1, "");
}

} // namespace
