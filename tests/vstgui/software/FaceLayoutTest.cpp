// The editor's images against the parameter table: every control's
// rectangle lies on a panel of the face with its caption beside it, the
// value-display boxes are exactly where the displays draw their text, with
// the unit after them, and the meter scale runs under the meters. The face
// is read through the software backend as the editor draws it.
#include "tests/support/GuiTestSupport.h"

#include "core/ParamDef.h"
#include "platform/ModuleServices.h"

#include <algorithm>
#include <deque>
#include <map>
#include <utility>

namespace {

using namespace guitest;

constexpr int kFaceId = 227, kFaceWidth = 432, kFaceHeight = 172;
constexpr int kPanelSearch = 5;   // pixels around a control where its panel's fill is sampled
constexpr int kCaptionReach = 8;  // pixels above and below a control where its caption may sit
constexpr int kUnitReach = 24;    // pixels after a value display where its unit sits
constexpr int kLegibleLuma = 140; // text brighter than this stands out on the dark trays
constexpr int kMinTextPixels = 8;

using Rgb = std::uint32_t;

class Face {
public:
    Face() {
        Ref<CBitmap> face(new CBitmap(kFaceId));
        face->draw(screen.get(), CRect(0, 0, kFaceWidth, kFaceHeight));
        for (int y = 0; y < kFaceHeight; ++y)
            for (int x = 0; x < kFaceWidth; ++x) {
                const CColor c = pixelAt(screen.get(), x, y);
                pixels[y * kFaceWidth + x] = Rgb(c.red) << 16 | Rgb(c.green) << 8 | c.blue;
            }
    }
    Rgb at(int x, int y) const { return pixels[y * kFaceWidth + x]; }
    static int luma(Rgb c) {
        return (299 * (c >> 16) + 587 * ((c >> 8) & 0xFF) + 114 * (c & 0xFF)) / 1000;
    }

    // The bounding box of the area of one flat colour around rect: the most
    // common colour on the ring kPanelSearch pixels outside it, flooded.
    CRect panelAround(const CRect& rect) const {
        std::map<Rgb, int> counts;
        std::vector<CPoint> ring;
        for (int x = rect.left - kPanelSearch; x < rect.right + kPanelSearch; ++x) {
            ring.emplace_back(x, rect.top - kPanelSearch);
            ring.emplace_back(x, rect.bottom + kPanelSearch - 1);
        }
        for (int y = rect.top - kPanelSearch; y < rect.bottom + kPanelSearch; ++y) {
            ring.emplace_back(rect.left - kPanelSearch, y);
            ring.emplace_back(rect.right + kPanelSearch - 1, y);
        }
        for (const CPoint& p : ring)
            ++counts[at(p.h, p.v)];
        const Rgb fill = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                             return a.second < b.second;
                         })->first;
        const CPoint seed = *std::find_if(ring.begin(), ring.end(),
                                          [&](const CPoint& p) { return at(p.h, p.v) == fill; });
        std::vector<bool> seen(pixels.size(), false);
        std::deque<CPoint> open{seed};
        seen[seed.v * kFaceWidth + seed.h] = true;
        CRect box(seed.h, seed.v, seed.h + 1, seed.v + 1);
        while (!open.empty()) {
            const CPoint p = open.front();
            open.pop_front();
            box = CRect(std::min(box.left, p.h), std::min(box.top, p.v),
                        std::max(box.right, p.h + 1), std::max(box.bottom, p.v + 1));
            const CPoint next[] = {{p.h + 1, p.v}, {p.h - 1, p.v}, {p.h, p.v + 1}, {p.h, p.v - 1}};
            for (const CPoint& n : next) {
                if (n.h < 0 || n.v < 0 || n.h >= kFaceWidth || n.v >= kFaceHeight) continue;
                const int index = n.v * kFaceWidth + n.h;
                if (seen[index] || at(n.h, n.v) != fill) continue;
                seen[index] = true;
                open.push_back(n);
            }
        }
        return box;
    }

    // Pixels of legible text in area, leaving out the pixels of except.
    int textPixels(const CRect& area, const CRect& except = CRect()) const {
        int count = 0;
        for (int y = std::max(0, area.top); y < std::min(kFaceHeight, area.bottom); ++y)
            for (int x = std::max(0, area.left); x < std::min(kFaceWidth, area.right); ++x)
                if (!except.pointInside(CPoint(x, y)) && luma(at(x, y)) > kLegibleLuma) ++count;
        return count;
    }

private:
    Ref<CFrame> frame{new CFrame(CRect(0, 0, kFaceWidth, kFaceHeight), nullptr, nullptr)};
    Ref<COffscreenContext> screen{
        new COffscreenContext(frame.get(), kFaceWidth, kFaceHeight, kBlackCColor)};
    std::vector<Rgb> pixels = std::vector<Rgb>(kFaceWidth * kFaceHeight);
};

// The rectangle the editor gives a row's control: on/off buttons take the
// size of one state of their image.
CRect controlRect(const ParamDef& row) {
    if (row.type == kOnOffButton) {
        Ref<CBitmap> image(new CBitmap(row.bitmapId));
        return CRect(row.x, row.y, row.x + image->getWidth(), row.y + image->getHeight() / 2);
    }
    return CRect(row.x, row.y, row.x + row.width, row.y + row.height);
}

std::string describe(const CRect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

TEST(FaceLayout, EveryControlLiesOnAPanelWithItsCaption) {
    const Face face;
    for (const ParamDef& row : ParamDefTable) {
        if (row.type == kValueDisplay) continue;
        const CRect rect = controlRect(row);
        const CRect panel = face.panelAround(rect);
        SCOPED_TRACE(std::string(row.name) + " at " + describe(rect) + " on " + describe(panel));
        // Inside, clear of the panel's edges, and the panel is not the whole face.
        EXPECT_LT(panel.left, rect.left);
        EXPECT_LT(panel.top, rect.top);
        EXPECT_GT(panel.right, rect.right);
        EXPECT_GT(panel.bottom, rect.bottom);
        EXPECT_GT(panel.left, 0);
        EXPECT_GT(panel.top, 0);
        EXPECT_LT(panel.right, kFaceWidth);
        EXPECT_LT(panel.bottom, kFaceHeight);
        // The caption is on the panel, or on the tray around a recessed panel.
        auto captionOn = [&](const CRect& area) {
            const CRect band(area.left, std::max(area.top, rect.top - kCaptionReach), area.right,
                             std::min(area.bottom, rect.bottom + kCaptionReach));
            return face.textPixels(band, rect) >= kMinTextPixels;
        };
        const CRect tray = face.panelAround(panel);
        const bool trayInFace =
            tray.left > 0 && tray.top > 0 && tray.right < kFaceWidth && tray.bottom < kFaceHeight;
        EXPECT_TRUE(captionOn(panel) || (trayInFace && captionOn(tray))) << "no caption beside it";
    }
}

TEST(FaceLayout, ValueDisplayBoxesAreWhereTheDisplaysDrawWithTheirUnitAfter) {
    const Face face;
    int displays = 0;
    for (const ParamDef& row : ParamDefTable) {
        if (row.type != kValueDisplay) continue;
        ++displays;
        const CRect rect = controlRect(row);
        SCOPED_TRACE(std::string(row.name) + " at " + describe(rect));
        const Rgb box = face.at(rect.left, rect.top);
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                ASSERT_EQ(face.at(x, y), box) << "inside the box at " << x << "," << y;
        for (int x = rect.left - 1; x <= rect.right; ++x) {
            EXPECT_NE(face.at(x, rect.top - 1), box) << "box goes on above at x " << x;
            EXPECT_NE(face.at(x, rect.bottom), box) << "box goes on below at x " << x;
        }
        for (int y = rect.top; y < rect.bottom; ++y) {
            EXPECT_NE(face.at(rect.left - 1, y), box) << "box goes on left at y " << y;
            EXPECT_NE(face.at(rect.right, y), box) << "box goes on right at y " << y;
        }
        EXPECT_GE(
            face.textPixels(CRect(rect.right + 1, rect.top, rect.right + kUnitReach, rect.bottom)),
            kMinTextPixels)
            << "no unit after the box";
    }
    EXPECT_EQ(displays, 3);
}

TEST(FaceLayout, TheMeterScaleRunsUnderTheMetersFromMinus30To0InStepsOf6) {
    const Face face;
    CRect meters(kFaceWidth, kFaceHeight, 0, 0);
    for (const ParamDef& row : ParamDefTable)
        if (row.type == kMeter)
            meters = CRect(std::min(meters.left, row.x), std::min(meters.top, row.y),
                           std::max(meters.right, row.x + row.width),
                           std::max(meters.bottom, row.y + row.height));
    const Rgb under = face.at(meters.left + 1, meters.bottom + 1);
    constexpr int kSteps = 5; // -30, -24, ..., 0
    for (int step = 0; step <= kSteps; ++step) {
        const int x = std::min(meters.left + step * meters.width() / kSteps, meters.right - 1);
        SCOPED_TRACE("mark " + std::to_string(-30 + 6 * step) + " dB at x " + std::to_string(x));
        bool tick = false;
        for (int y = meters.bottom + 1; y < meters.bottom + 10; ++y)
            tick =
                tick || (face.at(x, y) != under && Face::luma(face.at(x, y)) > Face::luma(under));
        EXPECT_TRUE(tick) << "no tick under the meters";
        EXPECT_GT(face.textPixels(CRect(x - 8, meters.bottom + 8, x + 9, meters.bottom + 22)), 0)
            << "no label under the tick";
    }
}

// PNG resources are 8-bit RGBA, and every filmstrip holds whole frames.
TEST(FaceLayout, PngImagesAre8BitRgbaInWholeFrames) {
    for (const ParamDef& row : ParamDefTable) {
        if (row.bitmapId == 0) continue;
        SCOPED_TRACE(row.name);
        const platform::ResourceBytes png = platform::findResource("PNG", row.bitmapId);
        ASSERT_TRUE(png);
        ASSERT_GT(png.size, 26u);
        constexpr std::size_t kBitDepth = 24, kColourType = 25; // in the header chunk
        constexpr unsigned char kRgba = 6;
        EXPECT_EQ(png.data[kBitDepth], 8);
        EXPECT_EQ(png.data[kColourType], kRgba);
        Ref<CBitmap> image(new CBitmap(row.bitmapId));
        ASSERT_GT(row.frameHeight, 0);
        EXPECT_EQ(image->getHeight() % row.frameHeight, 0);
    }
    const platform::ResourceBytes spare = platform::findResource("PNG", 270);
    ASSERT_TRUE(spare);
    EXPECT_EQ(spare.data[25], 6);
}

} // namespace
