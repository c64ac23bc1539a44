// The software backend draws text from glyphs rendered at build time: every
// font of the toolkit's table, in every style, must find its glyphs there.
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

TEST(GlyphText, EveryFontAndStyleDrawsItsGlyphs) {
    Ref<CFrame> frame(new CFrame(CRect(0, 0, 64, 24), nullptr, nullptr));
    for (int id = 0; id < kFontIds; ++id) {
        for (int style = 0; style < kStyles; ++style) {
            Ref<COffscreenContext> screen(new COffscreenContext(frame.get(), 64, 24, kBlackCColor));
            screen->setFontColor(kWhiteCColor);
            screen->setFont(id, style);
            screen->drawString("-0.5", CRect(0, 0, 64, 24), false, 0);
            EXPECT_GT(litPixels(screen.get(), 64, 24), 10) << "font " << id << " style " << style;
        }
    }
}

} // namespace
