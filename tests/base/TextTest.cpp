#include "base/Text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Text, OnlyAsciiLettersLoseTheirCase) {
    EXPECT_TRUE(base::sameIgnoringCase("OutCeil", "outceil"));
    EXPECT_TRUE(base::sameIgnoringCase("", ""));
    EXPECT_FALSE(base::sameIgnoringCase("Gain", "Gains"));
    // Characters 0x20 apart that are no letters stay apart.
    EXPECT_FALSE(base::sameIgnoringCase("[", "{"));
    EXPECT_FALSE(base::sameIgnoringCase("@", "`"));
    EXPECT_FALSE(base::sameIgnoringCase("\xC4", "\xE4"));
}

TEST(Text, CopiesAreCutAndTerminatedWithinTheirLength) {
    char buffer[8];
    std::memset(buffer, '#', sizeof(buffer));
    base::copyCut(buffer, "Release", 4);
    EXPECT_STREQ(buffer, "Rele");
    EXPECT_EQ(buffer[5], '#'); // nothing written after the terminator
    base::copyCut(buffer, "ISP", 4);
    EXPECT_STREQ(buffer, "ISP");
    base::copyCut(buffer, "Gain", 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(buffer[1], 'S');
}

} // namespace
