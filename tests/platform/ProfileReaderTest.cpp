// The profile reader of the Linux build against the Windows one: the same INI
// files, the same expected answers. In the Windows test program
// platform::profileInt is GetPrivateProfileIntA itself.
#include "tests/support/TempFolder.h"

#include "platform/ModuleServices.h"
#include "platform/ProfileText.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct ProfileCase {
    const char* text;
    const char* section;
    const char* key;
    int expected; // fallback 77
};

constexpr int kFallback = 77;

const ProfileCase kCases[] = {
    {"[midicc]\nGain=255\n", "midicc", "Gain", 255},
    {"[MIDICC]\r\n gain = 12abc \r\n", "midicc", "GAIN", 12},
    {"[midicc]\nRelease=-5\n", "midicc", "Release", -5},
    {"[midicc]\nRelease=-5\n", "midicc", "Gain", kFallback},
    {"[other]\nGain=3\n", "midicc", "Gain", kFallback},
    {"", "midicc", "Gain", kFallback},
    {"[midicc]\nGain=\nGain=4\n", "midicc", "Gain", kFallback},
    {"[midicc]\nGain=''\n", "midicc", "Gain", kFallback},
    {"[midicc]\nISP=  +7\n", "midicc", "ISP", 7},
    {"[s]\na=0x10\n", "s", "a", 16},
    {"[s]\na=0b101\n", "s", "a", 5},
    {"[s]\na=0o17\n", "s", "a", 15},
    {"[s]\na=017\n", "s", "a", 17},
    {"[s]\na=0X1f\n", "s", "a", 0},
    {"[s]\na=-0x10\n", "s", "a", -16},
    {"[s]\na=0xg\n", "s", "a", 0},
    {"[s]\na='42'\n", "s", "a", 42},
    {"[s]\na=' 7'\n", "s", "a", 7},
    {"[s]\na=\"8\n", "s", "a", 0},
    {"[s]\na=\"12\"3\"\n", "s", "a", 12},
    {"[s]\na=- 5\n", "s", "a", 0},
    {"[s]\na=--5\n", "s", "a", 0},
    {"[s]\na=4294967295\n", "s", "a", -1},
    {"[s]\na=99999999999\n", "s", "a", 1215752191},
    {"[s]\na=-2147483649\n", "s", "a", 2147483647},
    {"[s]\na=000000000000000000000000000000000012\n", "s", "a", 0},
    {"[s]\na=1 2\n", "s", "a", 1},
    {"[s]\na=5 ; note\n", "s", "a", 5},
    {"[s]\na=\x01"
     "5\n",
     "s", "a", 5},
    {"[s]\n\tb\t=\t16\t\n", "s", "b", 16},
    {"[s]\n\fb=3\n", "s", "b", 3},
    {"[s]\n;b=9\nb=10\n", "s", "b", 10},
    {"[s]\nb=1\nB=2\n", "s", "b", 1},
    {"[s]\nb=1\n[S]\nb=2\nc=3\n", "s", "c", kFallback},
    {"[t]\n[s]\nc=3\n[s]\nd=4\n", "s", "c", 3},
    {"b=1\n[s]\nc=2\n", "s", "b", kFallback},
    {"b=1\n[s]\nc=2\n", "", "b", 1},
    {"[ s ]\nb=1\n", "s", "b", 1},
    {"  [s] trailing\nb=2\n", "s", "b", 2},
    {"[a]b]\nx=1\n", "a]b", "x", 1},
    {"[s]\n[nc\nc=3\n", "s", "c", 3},
    {"\xEF\xBB\xBF[s]\r\nb=2\r\n", "s", "b", 2},
    {"[s]\rb=1\rc=2\r", "s", "c", 2},
    {"[s]\nb c=15\n", "s", "b c", 15},
    {"[k=v]\nx=17\n", "k=v", "x", 17},
};

TEST(ProfileReader, AnswersAsTheWindowsProfileReader) {
    TempFolder folder;
    int number = 0;
    for (const ProfileCase& c : kCases) {
        // Every case gets a file of its own: the system may keep files it has read.
        const std::string path = folder.write("case" + std::to_string(number++) + ".ini", c.text);
        EXPECT_EQ(platform::profileInt(c.section, c.key, kFallback, path.c_str()), c.expected)
            << "file: " << c.text;
        EXPECT_EQ(platform::profileIntFromText(c.text, c.section, c.key, kFallback), c.expected)
            << "text: " << c.text;
    }
    EXPECT_EQ(platform::profileInt("midicc", "Gain", kFallback, folder.path("none.ini").c_str()),
              kFallback);
}

// Random INI files in the shapes a user might write, read by both readers.
class ProfileMaker {
public:
    explicit ProfileMaker(std::uint32_t seed) : random(seed) {}

    std::string next() {
        static const char* const endings[] = {"\n", "\r\n", "\r"};
        const char* ending = endings[below(3)];
        std::string text = below(10) == 0 ? "\xEF\xBB\xBF" : "";
        for (std::size_t n = 1 + below(12); n > 0; --n)
            text += line() + ending;
        return text;
    }

    static constexpr const char* kKeys[] = {"OutCeil", "Gain", "Release", "Stereo", "ISP"};

private:
    std::size_t below(std::size_t bound) { return random() % bound; }
    const char* pick(std::initializer_list<const char*> words) {
        return words.begin()[below(words.size())];
    }

    std::string blanks() { return pick({"", "", " ", "\t", "  \t "}); }

    std::string cased(std::string word) {
        for (char& c : word)
            if (below(3) == 0 && c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            else if (below(3) == 0 && c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return word;
    }

    std::string value() {
        std::string text = pick({"", "", "-", "+", "--", "- "});
        text += pick({"", "0x", "0b", "0o", "0", "0X", "00"});
        for (std::size_t n = below(12); n > 0; --n)
            text += "0123456789abfxz7 ;"[below(18)];
        if (below(6) == 0) text = std::string(pick({"'", "\""})) + text + pick({"'", "\"", ""});
        return text;
    }

    std::string line() {
        switch (below(6)) {
        case 0:
            return blanks() + "[" + blanks() + cased(pick({"midicc", "midi", "other", ""})) +
                   blanks() + pick({"]", "]", "", "] x", "]]"});
        case 1:
            return pick({"", ";", "#", "junk"});
        default:
            return blanks() +
                   cased(pick({"OutCeil", "Gain", "Release", "Stereo", "ISP", "Gainx"})) +
                   blanks() + pick({"=", "=", "=", " ", "=="}) + blanks() + value() + blanks();
        }
    }

    std::mt19937 random;
};

TEST(ProfileReader, RandomFilesGetTheSameAnswersFromFileAndText) {
    TempFolder folder;
    ProfileMaker maker(0x1d1);
    for (int file = 0; file < 300; ++file) {
        const std::string text = maker.next();
        const std::string path = folder.write("random" + std::to_string(file) + ".ini", text);
        for (const char* key : ProfileMaker::kKeys)
            ASSERT_EQ(platform::profileInt("midicc", key, kFallback, path.c_str()),
                      platform::profileIntFromText(text, "midicc", key, kFallback))
                << "key " << key << " in file " << file << ":\n"
                << text;
    }
}

} // namespace
