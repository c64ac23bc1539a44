// The sizes the toolkit draws at. A scale is the size of one toolkit pixel
// in device pixels, in percent: views, mouse positions and parameter
// gestures stay in toolkit pixels, and only what reaches the system is
// multiplied. The plug-in carries images and glyphs drawn for each of
// kScalePercents; other factors take the nearest of them.
#pragma once

#include <cmath>
#include <cstdint>

namespace VSTGUI {

constexpr std::int32_t kUnscaled = 100;
constexpr std::int32_t kScalePercents[] = {100, 150, 200};

// a / b rounded towards minus infinity (b > 0).
constexpr std::int32_t floorDivide(std::int64_t a, std::int64_t b) {
    return static_cast<std::int32_t>(a >= 0 ? a / b : -((-a + b - 1) / b));
}

// The device pixel where toolkit coordinate x begins: x times the scale,
// rounded down. Edges map alone, so that rectangles that meet in toolkit
// pixels meet in device pixels too.
constexpr std::int32_t toDevice(std::int32_t x, std::int32_t percent) {
    return floorDivide(std::int64_t(x) * percent, kUnscaled);
}

// The toolkit coordinate whose device pixels hold device pixel x: the last
// one that begins at or before it.
constexpr std::int32_t fromDevice(std::int32_t x, std::int32_t percent) {
    return floorDivide((std::int64_t(x) + 1) * kUnscaled - 1, percent);
}

// The carried scale nearest to a factor (1 is 100 %); halfway goes to the
// larger, so that 125 % screens get 150. A factor that is not a positive
// number gives 100.
inline std::int32_t nearestScale(double factor) {
    if (!(factor > 0.0) || !std::isfinite(factor)) return kUnscaled;
    std::int32_t nearest = kUnscaled;
    for (std::int32_t percent : kScalePercents)
        if (std::fabs(factor * kUnscaled - percent) <= std::fabs(factor * kUnscaled - nearest))
            nearest = percent;
    return nearest;
}

// The resource number of image id drawn at a scale: id itself unscaled,
// else id + 10 x the percentage (227 at 150 % is 1727).
constexpr std::int32_t scaledResourceId(std::int32_t id, std::int32_t percent) {
    return percent == kUnscaled ? id : id + 10 * percent;
}

} // namespace VSTGUI
