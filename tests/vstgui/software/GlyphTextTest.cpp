// The software backend draws text from glyphs rendered at build time: every
// font of the toolkit's table, in every style and at every scale, must find
// its glyphs there, and scaled text is drawn from the glyphs of the scaled
// height, not from the unscaled ones enlarged.
#include "tests/support/GuiTestSupport.h"

namespace {

using namespace guitest;

constexpr int kFontIds = 8;
constexpr int kStyles = 8; // bold, italic, underline in every combination

int litPixels(CDrawContext* context, int width, int height) {
    int lit = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (!sameColor(pixelAt(context, x, y), kBlackCColor)) ++lit;
    return lit;
}

TEST(GlyphText, EveryFontAndStyleDrawsItsGlyphsAtEveryScale) {
    for (std::int32_t percent : kScalePercents) {
        Ref<CFrame> frame(new CFrame(CRect(0, 0, 64, 24), nullptr, nullptr, percent));
        for (int id = 0; id < kFontIds; ++id) {
            for (int style = 0; style < kStyles; ++style) {
                Ref<COffscreenContext> screen(
                    new COffscreenContext(frame.get(), 64, 24, kBlackCColor));
                screen->setFontColor(kWhiteCColor);
                screen->setFont(id, style);
                screen->drawString("-0.5", CRect(0, 0, 64, 24), false, 0);
                EXPECT_GT(litPixels(screen.get(), toDevice(64, percent), toDevice(24, percent)),
                          10 * percent / kUnscaled)
                    << "font " << id << " style " << style << " at " << percent << " %";
            }
        }
    }
}

// Font 3 is 12 pixels high: at 200 % its text is the 24-pixel glyphs, drawn
// where the rectangle lies on the device pixels.
TEST(GlyphText, ScaledTextIsTheGlyphsOfTheScaledHeight) {
    constexpr std::int32_t kDouble = 200;
    Ref<CFrame> scaledFrame(new CFrame(CRect(0, 0, 48, 16), nullptr, nullptr, kDouble));
    Ref<COffscreenContext> scaled(new COffscreenContext(scaledFrame.get(), 48, 16, kBlackCColor));
    scaled->setFontColor(kWhiteCColor);
    scaled->setFont(kNormalFont);
    scaled->drawString("-12.5", CRect(2, 1, 46, 15), false, kCenterText);

    Ref<CFrame> plainFrame(new CFrame(CRect(0, 0, 96, 32), nullptr, nullptr));
    Ref<COffscreenContext> plain(new COffscreenContext(plainFrame.get(), 96, 32, kBlackCColor));
    plain->setFontColor(kWhiteCColor);
    native::FontRequest request{};
    request.height = -24;
    request.weight = 400;
    request.face = "Arial";
    native::Handle font = native::createFont(request);
    native::Handle previous = native::selectObject(plain->getSystemContext(), font);
    native::drawText(plain->getSystemContext(), "-12.5", CRect(4, 2, 92, 30), kCenterText);
    native::selectObject(plain->getSystemContext(), previous);
    native::deleteObject(font);

    int differing = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 96; ++x)
            if (!sameColor(pixelAt(scaled.get(), x, y), pixelAt(plain.get(), x, y))) ++differing;
    EXPECT_EQ(differing, 0);
    EXPECT_GT(litPixels(scaled.get(), 96, 32), 40);
}

} // namespace
