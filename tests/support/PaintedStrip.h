// A filmstrip painted by the test: frames stacked vertically, each in a
// colour of its own that tells its index back. With alpha, the right half
// of every frame is fully transparent.
#pragma once

#include "vstgui/CBitmap.h"

namespace guitest {

using namespace VSTGUI;

class PaintedStrip : public CBitmap {
public:
    PaintedStrip(std::int32_t frameWidth, std::int32_t frameHeight, std::int32_t frames,
                 bool withAlpha = false)
        : CBitmap(0) {
        std::uint32_t* pixels = nullptr;
        image = native::createImage32(frameWidth, frameHeight * frames, &pixels);
        if (image == nullptr) return;
        width = frameWidth;
        height = frameHeight * frames;
        noAlpha = !withAlpha;
        for (std::int32_t y = 0; y < height; ++y) {
            const CColor color = frameColor(y / frameHeight);
            const std::uint32_t opaque = 0xFF000000u | (std::uint32_t(color.red) << 16) |
                                         (std::uint32_t(color.green) << 8) | color.blue;
            for (std::int32_t x = 0; x < width; ++x)
                pixels[y * width + x] = withAlpha && x >= width / 2 ? 0u : opaque;
        }
    }

    static CColor frameColor(std::int32_t frame) {
        return CColor{std::uint8_t(frame * 2), std::uint8_t(255 - frame * 2), 60, 255};
    }
    // The frame whose colour a pixel has; -1 for none.
    static std::int32_t frameOf(const CColor& pixel) {
        if (pixel.blue != 60 || pixel.red % 2 != 0 || pixel.red + pixel.green != 255) return -1;
        return pixel.red / 2;
    }
};

} // namespace guitest
