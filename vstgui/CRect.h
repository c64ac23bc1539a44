// The toolkit's value types: points, rectangles and colours, with the three
// rectangle rules that hit tests, redraws and clipping share.
#pragma once

#include <algorithm>
#include <cstdint>

namespace VSTGUI {

struct CPoint {
    CPoint() = default;
    CPoint(std::int32_t h, std::int32_t v) : h(h), v(v) {}

    CPoint& offset(std::int32_t x, std::int32_t y) {
        h += x;
        v += y;
        return *this;
    }
    bool operator==(const CPoint& other) const { return h == other.h && v == other.v; }
    bool operator!=(const CPoint& other) const { return !(*this == other); }

    std::int32_t h = 0;
    std::int32_t v = 0;
};

struct CRect {
    CRect() = default;
    CRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
        : left(left), top(top), right(right), bottom(bottom) {}

    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }

    CRect& offset(std::int32_t x, std::int32_t y) {
        left += x;
        right += x;
        top += y;
        bottom += y;
        return *this;
    }
    // Keeps the size, puts the top-left at (x, y).
    CRect& moveTo(std::int32_t x, std::int32_t y) { return offset(x - left, y - top); }

    // Both edges are inside: a point on the right or bottom edge hits.
    bool pointInside(const CPoint& where) const {
        return left <= where.h && where.h <= right && top <= where.v && where.v <= bottom;
    }
    // Rectangles that only touch overlap.
    bool rectOverlap(const CRect& other) const {
        return !(other.right < left || right < other.left || other.bottom < top ||
                 bottom < other.top);
    }
    // Clips to other; an empty result keeps a zero width or height, never inverts.
    CRect& bound(const CRect& other) {
        left = std::max(left, other.left);
        top = std::max(top, other.top);
        right = std::min(right, other.right);
        bottom = std::min(bottom, other.bottom);
        if (bottom < top) bottom = top;
        if (right < left) right = left;
        return *this;
    }

    bool operator==(const CRect& other) const {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
    bool operator!=(const CRect& other) const { return !(*this == other); }

    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

struct CColor {
    bool operator==(const CColor& other) const {
        return red == other.red && green == other.green && blue == other.blue &&
               alpha == other.alpha;
    }
    bool operator!=(const CColor& other) const { return !(*this == other); }
    // The system's colour value: alpha is dropped.
    std::uint32_t native() const {
        return red | (static_cast<std::uint32_t>(green) << 8) |
               (static_cast<std::uint32_t>(blue) << 16);
    }

    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;
};

constexpr CColor kTransparentCColor = {255, 255, 255, 0};
constexpr CColor kBlackCColor = {0, 0, 0, 255};
constexpr CColor kWhiteCColor = {255, 255, 255, 255};
constexpr CColor kGreyCColor = {127, 127, 127, 255};
constexpr CColor kRedCColor = {255, 0, 0, 255};
constexpr CColor kGreenCColor = {0, 255, 0, 255};
constexpr CColor kBlueCColor = {0, 0, 255, 255};
constexpr CColor kYellowCColor = {255, 255, 0, 255};
constexpr CColor kMagentaCColor = {255, 0, 255, 255};
constexpr CColor kCyanCColor = {0, 255, 255, 255};

// Mouse buttons and modifier keys, as getMouseButtons and mouse report them.
enum CButton : std::int32_t {
    kLButton = 1,
    kMButton = 2,
    kRButton = 4,
    kShift = 8,
    kControl = 16,
    kAlt = 32,
    kApple = 64,
};

} // namespace VSTGUI
