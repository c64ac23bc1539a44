// Drawing contexts and bitmaps, read back pixel by pixel from offscreens.
// The same tests run on the software surface and, under wine, on GDI.
#include "tests/support/GuiTestSupport.h"
#include "tests/support/ObjectCounts.h"

#include "platform/ModuleServices.h"

namespace {

using namespace guitest;

constexpr CColor kDarkGrey = {40, 40, 40, 255};

// The blending functions are looked up when a frame is made, so every test
// here draws with a (windowless) frame alive.
class Drawing : public ::testing::Test {
protected:
    Ref<CFrame> frame{new CFrame(CRect(0, 0, 32, 32), nullptr, nullptr)};
    Ref<COffscreenContext> screen{new COffscreenContext(frame.get(), 32, 32, kBlackCColor)};
};

TEST_F(Drawing, FillRectLeavesTheTopRowAndLeftColumnForAnOutline) {
    screen->setFillColor(kRedCColor);
    screen->fillRect(CRect(0, 0, 10, 10));
    for (int i = 0; i <= 10; ++i) {
        EXPECT_TRUE(sameColor(pixelAt(screen.get(), i, 0), kBlackCColor)) << "top row " << i;
        EXPECT_TRUE(sameColor(pixelAt(screen.get(), 0, i), kBlackCColor)) << "left column " << i;
        EXPECT_TRUE(sameColor(pixelAt(screen.get(), 10, i), kBlackCColor)) << "right of it " << i;
    }
    for (int y = 1; y <= 9; ++y)
        for (int x = 1; x <= 9; ++x)
            ASSERT_TRUE(sameColor(pixelAt(screen.get(), x, y), kRedCColor)) << x << "," << y;
}

TEST_F(Drawing, DrawRectOutlinesAlongTheInside) {
    screen->setFrameColor(kGreenCColor);
    screen->drawRect(CRect(0, 0, 10, 10));
    for (int i = 0; i <= 9; ++i) {
        EXPECT_TRUE(sameColor(pixelAt(screen.get(), i, 0), kGreenCColor)) << i;
        EXPECT_TRUE(sameColor(pixelAt(screen.get(), i, 9), kGreenCColor)) << i;
        EXPECT_TRUE(sameColor(pixelAt(screen.get(), 0, i), kGreenCColor)) << i;
        EXPECT_TRUE(sameColor(pixelAt(screen.get(), 9, i), kGreenCColor)) << i;
        EXPECT_TRUE(sameColor(pixelAt(screen.get(), 10, i), kBlackCColor)) << i;
        EXPECT_TRUE(sameColor(pixelAt(screen.get(), i, 10), kBlackCColor)) << i;
    }
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 5, 5), kBlackCColor));
}

TEST_F(Drawing, OffsetMovesEverythingDrawn) {
    screen->offset = CPoint(5, 7);
    screen->setFillColor(kBlueCColor);
    screen->fillRect(CRect(0, 0, 3, 3));
    screen->setFrameColor(kYellowCColor);
    screen->drawLine(CPoint(0, 10), CPoint(4, 10));
    screen->offset = CPoint();
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 6, 8), kBlueCColor));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 7, 9), kBlueCColor));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 5, 7), kBlackCColor));
    // A line stops before its end point.
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 5, 17), kYellowCColor));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 8, 17), kYellowCColor));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 9, 17), kBlackCColor));
}

TEST_F(Drawing, ClipRectIsKeptInDevicePixelsAndCutsDrawing) {
    screen->offset = CPoint(2, 2);
    screen->setClipRect(CRect(1, 1, 4, 4));
    CRect clip;
    EXPECT_EQ(screen->getClipRect(clip), CRect(1, 1, 4, 4));
    screen->offset = CPoint();
    EXPECT_EQ(screen->getClipRect(clip), CRect(3, 3, 6, 6));
    screen->setFillColor(kWhiteCColor);
    screen->fillRect(CRect(-1, -1, 20, 20));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 3, 3), kWhiteCColor));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 5, 5), kWhiteCColor));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 2, 3), kBlackCColor));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 6, 5), kBlackCColor));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 5, 6), kBlackCColor));
}

TEST_F(Drawing, SettersTouchThePlatformOnlyOnAChange) {
    const ObjectCounts before = objectCounts();
    screen->setFillColor(kDarkGrey);
    screen->setFillColor(kDarkGrey);
    EXPECT_EQ(objectCounts().brushes, before.brushes + 1);
    screen->setFillColor(CColor{40, 40, 40, 128}); // only alpha differs
    EXPECT_EQ(objectCounts().brushes, before.brushes + 2);

    screen->setFrameColor(kDarkGrey);
    screen->setFrameColor(kDarkGrey);
    screen->setLineWidth(1);
    EXPECT_EQ(objectCounts().pens, before.pens + 1);
    screen->setLineWidth(2);
    EXPECT_EQ(objectCounts().pens, before.pens + 2);

    screen->setFont(kNormalFont);
    screen->setFont(kNormalFont);
    EXPECT_EQ(objectCounts().fonts, before.fonts + 1);

    screen->setClipRect(CRect(0, 0, 8, 8));
    screen->setClipRect(CRect(0, 0, 8, 8));
    EXPECT_EQ(objectCounts().clips, before.clips + 1);
}

TEST_F(Drawing, FontIdsOutsideTheTableMeanTheBoldSystemFont) {
    for (std::int32_t id : {9, -1}) {
        Ref<COffscreenContext> system(new COffscreenContext(frame.get(), 32, 16, kBlackCColor));
        Ref<COffscreenContext> other(new COffscreenContext(frame.get(), 32, 16, kBlackCColor));
        system->setFont(kNormalFont);
        system->setFont(kSystemFont);
        other->setFont(id);
        EXPECT_EQ(other->getFont(), kSystemFont);
        EXPECT_EQ(other->getFontSize(), 12);
        const CRect line(0, 0, 32, 16);
        for (COffscreenContext* context : {system.get(), other.get()}) {
            context->setFontColor(kWhiteCColor);
            context->drawString("Hg", line);
        }
        int lit = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x) {
                const CColor a = pixelAt(system.get(), x, y);
                ASSERT_TRUE(sameColor(pixelAt(other.get(), x, y), a)) << x << "," << y;
                lit += a.red > 128;
            }
        EXPECT_GT(lit, 10);
    }
}

// First and last column with a lit pixel in a row band.
std::pair<int, int> litColumns(CDrawContext* context, int width, int height) {
    int first = width, last = -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (pixelAt(context, x, y).red > 128) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    return {first, last};
}

TEST_F(Drawing, TextAlignsLeftOnePixelInAndRightAgainstTheEdge) {
    Ref<COffscreenContext> left(new COffscreenContext(frame.get(), 60, 20, kBlackCColor));
    Ref<COffscreenContext> right(new COffscreenContext(frame.get(), 60, 20, kBlackCColor));
    for (COffscreenContext* context : {left.get(), right.get()}) {
        context->setFont(kNormalFont);
        context->setFontColor(kWhiteCColor);
    }
    left->drawString("LL", CRect(0, 0, 60, 20), false, kLeftText);
    right->drawString("LL", CRect(0, 0, 60, 20), false, kRightText);
    const auto [leftFirst, leftLast] = litColumns(left.get(), 60, 20);
    const auto [rightFirst, rightLast] = litColumns(right.get(), 60, 20);
    EXPECT_GE(leftFirst, 1);
    EXPECT_LE(leftFirst, 3);
    EXPECT_GE(rightLast, 55);
    EXPECT_LE(rightLast, 59);
    EXPECT_NEAR(leftLast - leftFirst, rightLast - rightFirst, 1);
}

TEST_F(Drawing, OpaqueTextFillsItsBackgroundWithTheFillColour) {
    screen->setFont(kNormalFont);
    screen->setFillColor(kBlueCColor);
    screen->drawString("i", CRect(0, 0, 32, 20), true, kCenterText);
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 16, 4), kBlueCColor));
    screen->drawString("i", CRect(0, 0, 32, 20), false, kCenterText);
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 0, 0), kBlackCColor));
}

TEST_F(Drawing, PngPixelsArePremultipliedByShiftingEightBits) {
    PngBytesBitmap strip(kStripPng, kStripPngSize);
    ASSERT_TRUE(strip.loaded);
    EXPECT_EQ(strip.getWidth(), 2);
    EXPECT_EQ(strip.getHeight(), 4);
    EXPECT_TRUE(strip.hasAlpha());
    // Over black, source-over shows the stored premultiplied colour itself.
    strip.draw(screen.get(), CRect(0, 0, 2, 2));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 0, 0), CColor{254, 254, 254, 255}));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 1, 0), kBlackCColor));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 0, 1), CColor{127, 0, 0, 255}));
    // Alpha 0 stores nothing, so the pixel leaves a white surface white.
    Ref<COffscreenContext> white(new COffscreenContext(frame.get(), 4, 4, kWhiteCColor));
    strip.drawTransparent(white.get(), CRect(0, 0, 2, 2));
    EXPECT_TRUE(sameColor(pixelAt(white.get(), 1, 0), kWhiteCColor));
    EXPECT_TRUE(sameColor(pixelAt(white.get(), 0, 1), CColor{254, 127, 127, 255}, 1));
}

TEST_F(Drawing, AStripFrameIsBlendedFromItsSourceOffset) {
    PngBytesBitmap strip(kStripPng, kStripPngSize);
    screen->offset = CPoint(10, 10);
    strip.draw(screen.get(), CRect(0, 0, 2, 2), CPoint(0, 2));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 10, 10), CColor{0, 0, 254, 255}));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 11, 10), CColor{254, 254, 0, 255}));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 10, 11), CColor{9, 19, 29, 255}));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 12, 10), kBlackCColor));
    // A constant alpha scales the frame.
    strip.drawAlphaBlend(screen.get(), CRect(4, 0, 6, 2), CPoint(0, 2), 128);
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 14, 10), CColor{0, 0, 127, 255}, 1));
}

TEST_F(Drawing, BitmapsComeFromTheModulesResources) {
    struct Expected {
        std::int32_t id, width, height;
        bool alpha;
    };
    for (const Expected& image : {Expected{227, 432, 172, false}, Expected{266, 40, 4040, true},
                                  Expected{257, 16, 32, true}, Expected{260, 160, 488, true},
                                  Expected{268, 160, 488, true}, Expected{270, 40, 80, true}}) {
        Ref<CBitmap> bitmap(new CBitmap(image.id));
        EXPECT_EQ(bitmap->getWidth(), image.width) << image.id;
        EXPECT_EQ(bitmap->getHeight(), image.height) << image.id;
        EXPECT_EQ(bitmap->hasAlpha(), image.alpha) << image.id;
    }
}

// At 150 % a toolkit pixel is one or two device pixels: an outline drawn
// around a fill covers exactly the device pixels of its edge pixels, and
// the fill the rest, with no pixel left between them.
TEST(ScaledDrawing, OutlineAndFillMeetOnWholeDevicePixels) {
    constexpr std::int32_t kScale = 150;
    Ref<CFrame> frame(new CFrame(CRect(0, 0, 32, 32), nullptr, nullptr, kScale));
    Ref<COffscreenContext> screen(new COffscreenContext(frame.get(), 32, 32, kBlackCColor));
    screen->offset = CPoint(1, 2);
    screen->setFillColor(kRedCColor);
    screen->fillRect(CRect(2, 1, 13, 12));
    screen->setFrameColor(kGreenCColor);
    screen->drawRect(CRect(2, 1, 13, 12));
    for (int y = 0; y < toDevice(32, kScale); ++y)
        for (int x = 0; x < toDevice(32, kScale); ++x) {
            const CPoint at(fromDevice(x, kScale) - 1, fromDevice(y, kScale) - 2);
            const bool inside = at.h >= 2 && at.h < 13 && at.v >= 1 && at.v < 12;
            const bool edge = at.h == 2 || at.h == 12 || at.v == 1 || at.v == 11;
            const CColor expected = !inside ? kBlackCColor : edge ? kGreenCColor : kRedCColor;
            ASSERT_TRUE(sameColor(pixelAt(screen.get(), x, y), expected)) << x << "," << y;
        }
}

// Every image of the editor has a drawing of its own for each other scale,
// of its size times the scale, and a scaled context draws from it: a strip's
// frame at its offset times the scale.
TEST(ScaledDrawing, ImagesAreDrawnFromTheirDrawingForTheScale) {
    struct Image {
        std::int32_t id, width, height, frameHeight;
    };
    for (const Image& image :
         {Image{227, 432, 172, 172}, Image{266, 40, 4040, 40}, Image{257, 16, 32, 16},
          Image{260, 160, 488, 8}, Image{268, 160, 488, 8}, Image{270, 40, 80, 40}}) {
        for (std::int32_t percent : {150, 200}) {
            SCOPED_TRACE(std::to_string(image.id) + " at " + std::to_string(percent));
            const platform::ResourceBytes png =
                platform::findResource("PNG", scaledResourceId(image.id, percent));
            ASSERT_TRUE(png);
            PngBytesBitmap drawn(png.data, png.size);
            ASSERT_TRUE(drawn.loaded);
            EXPECT_EQ(drawn.getWidth(), toDevice(image.width, percent));
            EXPECT_EQ(drawn.getHeight(), toDevice(image.height, percent));

            const std::int32_t frames = image.height / image.frameHeight;
            const CPoint last(0, (frames - 1) * image.frameHeight);
            const CRect size(0, 0, image.width, image.frameHeight);
            Ref<CFrame> scaledFrame(
                new CFrame(CRect(0, 0, image.width, image.frameHeight), nullptr, nullptr, percent));
            Ref<COffscreenContext> scaled(new COffscreenContext(scaledFrame.get(), image.width,
                                                                image.frameHeight, kBlackCColor));
            Ref<CBitmap> bitmap(new CBitmap(image.id));
            bitmap->draw(scaled.get(), size, last);

            const CRect device(0, 0, toDevice(image.width, percent),
                               toDevice(image.frameHeight, percent));
            Ref<CFrame> plainFrame(new CFrame(device, nullptr, nullptr));
            Ref<COffscreenContext> plain(
                new COffscreenContext(plainFrame.get(), device.right, device.bottom, kBlackCColor));
            drawn.draw(plain.get(), device, CPoint(0, toDevice(last.v, percent)));
            int differing = 0;
            for (int y = 0; y < device.bottom; ++y)
                for (int x = 0; x < device.right; ++x)
                    if (!sameColor(pixelAt(scaled.get(), x, y), pixelAt(plain.get(), x, y)))
                        ++differing;
            EXPECT_EQ(differing, 0);
        }
    }
}

TEST_F(Drawing, AnOpaqueBitmapIsCopiedOrCopiedSkippingItsTransparentColour) {
    Ref<CBitmap> face(new CBitmap(227));
    face->draw(screen.get(), CRect(0, 0, 32, 32));
    const CColor corner = pixelAt(screen.get(), 0, 0);
    EXPECT_FALSE(sameColor(corner, kBlackCColor));
    Ref<COffscreenContext> other(new COffscreenContext(frame.get(), 32, 32, kRedCColor));
    face->setTransparentColor(corner);
    face->drawTransparent(other.get(), CRect(0, 0, 32, 32));
    EXPECT_TRUE(sameColor(pixelAt(other.get(), 0, 0), kRedCColor));
}

TEST_F(Drawing, AMissingResourceGivesAnEmptyBitmapThatDrawsNothing) {
    Ref<CBitmap> missing(new CBitmap(4242));
    EXPECT_EQ(missing->getWidth(), 0);
    EXPECT_EQ(missing->getHeight(), 0);
    EXPECT_FALSE(missing->loadFromResource(4243));
    missing->draw(screen.get(), CRect(0, 0, 8, 8));
    missing->drawTransparent(screen.get(), CRect(0, 0, 8, 8));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 2, 2), kBlackCColor));
}

TEST_F(Drawing, AnOffscreenThatCannotBeMadeDrawsNothingAndCopiesNothing) {
    Ref<COffscreenContext> huge(new COffscreenContext(frame.get(), 100000, 100000));
    EXPECT_FALSE(huge->isValid());
    huge->setFillColor(kRedCColor);
    huge->fillRect(CRect(0, 0, 10, 10));
    huge->drawRect(CRect(0, 0, 10, 10));
    huge->drawString("x", CRect(0, 0, 10, 10));
    PngBytesBitmap strip(kStripPng, kStripPngSize);
    strip.draw(huge.get(), CRect(0, 0, 2, 2));
    huge->copyFrom(screen.get(), CRect(0, 0, 10, 10));
    screen->copyTo(huge.get(), CRect(0, 0, 10, 10), CPoint());
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 3, 3), kBlackCColor));
}

TEST_F(Drawing, CopiesMoveBlocksBetweenSurfaces) {
    Ref<COffscreenContext> source(new COffscreenContext(frame.get(), 8, 8, kGreenCColor));
    source->copyFrom(screen.get(), CRect(4, 4, 8, 8), CPoint(2, 2));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 4, 4), kGreenCColor));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 7, 7), kGreenCColor));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 8, 8), kBlackCColor));
    screen->offset = CPoint(4, 4);
    screen->copyTo(source.get(), CRect(0, 0, 2, 2), CPoint(0, 0));
    screen->offset = CPoint();
    EXPECT_TRUE(sameColor(pixelAt(source.get(), 0, 0), kGreenCColor));
    EXPECT_TRUE(sameColor(pixelAt(source.get(), 2, 2), kGreenCColor));
}

} // namespace

namespace {

using namespace guitest;

// The blending functions go with the last frame; bitmaps drawn after that
// are still drawn (copied where the system cannot blend) and nothing crashes.
TEST(DrawingWithoutFrames, BitmapsStillDrawAfterTheLastFrameIsGone) {
    CFrame* frame = new CFrame(CRect(0, 0, 4, 4), nullptr, nullptr);
    frame->forget();
    Ref<COffscreenContext> screen(new COffscreenContext(nullptr, 4, 4, kBlackCColor));
    PngBytesBitmap strip(kStripPng, kStripPngSize);
    strip.draw(screen.get(), CRect(0, 0, 2, 2));
    strip.drawAlphaBlend(screen.get(), CRect(2, 2, 4, 4), CPoint(0, 2), 255);
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 0, 0), CColor{254, 254, 254, 255}));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 2, 2), CColor{0, 0, 254, 255}));
}

} // namespace
