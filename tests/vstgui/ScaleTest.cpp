// The scales the toolkit draws at: toolkit pixels to device pixels and back,
// and the carried scale taken for any factor.
#include "vstgui/Scale.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace VSTGUI;

TEST(Scale, EveryDevicePixelBelongsToTheToolkitPixelThatCoversIt) {
    for (std::int32_t percent : kScalePercents)
        for (std::int32_t x = -300; x <= 300; ++x) {
            SCOPED_TRACE(std::to_string(x) + " at " + std::to_string(percent));
            EXPECT_EQ(fromDevice(toDevice(x, percent), percent), x);
            const std::int32_t owner = fromDevice(x, percent);
            EXPECT_LE(toDevice(owner, percent), x);
            EXPECT_GT(toDevice(owner + 1, percent), x);
        }
    EXPECT_EQ(toDevice(69, 150), 103);
    EXPECT_EQ(toDevice(-15, 150), -23);
    EXPECT_EQ(toDevice(432, 200), 864);
}

TEST(Scale, OtherFactorsTakeTheNearestCarriedScaleHalfwayGoingUp) {
    const double notANumber = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, std::int32_t> cases[] = {
        {1.0, 100}, {1.2, 100}, {1.25, 150}, {1.5, 150}, {1.74, 150}, {1.75, 200},
        {2.0, 200}, {3.0, 200}, {0.5, 100},  {0.0, 100}, {-2.0, 100}, {notANumber, 100}};
    for (const auto& [factor, percent] : cases)
        EXPECT_EQ(nearestScale(factor), percent) << factor;
}

} // namespace
