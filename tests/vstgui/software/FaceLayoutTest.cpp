// The editor's images against the parameter table, at every scale: every
// control's rectangle lies on a panel of the face with its caption beside
// it, the value-display boxes are exactly where the displays draw their
// text, with the unit after them, and the meter scale runs under the meters.
// The face is read through the software backend as the editor draws it, in
// device pixels; the rectangles are the table's, scaled as the toolkit
// scales them.
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
// In toolkit pixels:
constexpr int kPanelSearch = 5;   // around a control, where its panel's fill is sampled
constexpr int kCaptionReach = 8;  // above and below a control, where its caption may sit
constexpr int kUnitReach = 24;    // after a value display, where its unit sits
constexpr int kLegibleLuma = 140; // text brighter than this stands out on the dark trays
constexpr int kMinTextPixels = 8; // at 1; times the scale's area at others

using Rgb = std::uint32_t;

// The face at a scale, pixel by pixel; sizes and rectangles of the table
// turned into its device pixels.
class Face {
public:
    explicit Face(std::int32_t percent)
        : percent(percent), width(toDevice(kFaceWidth, percent)),
          height(toDevice(kFaceHeight, percent)),
          frame(new CFrame(CRect(0, 0, kFaceWidth, kFaceHeight), nullptr, nullptr, percent)),
          screen(new COffscreenContext(frame.get(), kFaceWidth, kFaceHeight, kBlackCColor)),
          pixels(static_cast<std::size_t>(width) * height) {
        Ref<CBitmap> face(new CBitmap(kFaceId));
        face->draw(screen.get(), CRect(0, 0, kFaceWidth, kFaceHeight));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const CColor c = pixelAt(screen.get(), x, y);
                pixels[y * width + x] = Rgb(c.red) << 16 | Rgb(c.green) << 8 | c.blue;
            }
    }
    Rgb at(int x, int y) const { return pixels[y * width + x]; }
    int device(int x) const { return toDevice(x, percent); }
    CRect device(const CRect& r) const {
        return CRect(device(r.left), device(r.top), device(r.right), device(r.bottom));
    }
    int minTextPixels() const { return kMinTextPixels * percent * percent / (100 * 100); }
    static int luma(Rgb c) {
        return (299 * (c >> 16) + 587 * ((c >> 8) & 0xFF) + 114 * (c & 0xFF)) / 1000;
    }

    // The bounding box of the area of one flat colour around rect: the most
    // common colour on the ring kPanelSearch pixels outside it, flooded.
    CRect panelAround(const CRect& rect) const {
        std::map<Rgb, int> counts;
        std::vector<CPoint> ring;
        const int search = device(kPanelSearch);
        for (int x = rect.left - search; x < rect.right + search; ++x) {
            ring.emplace_back(x, rect.top - search);
            ring.emplace_back(x, rect.bottom + search - 1);
        }
        for (int y = rect.top - search; y < rect.bottom + search; ++y) {
            ring.emplace_back(rect.left - search, y);
            ring.emplace_back(rect.right + search - 1, y);
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
        seen[seed.v * width + seed.h] = true;
        CRect box(seed.h, seed.v, seed.h + 1, seed.v + 1);
        while (!open.empty()) {
            const CPoint p = open.front();
            open.pop_front();
            box = CRect(std::min(box.left, p.h), std::min(box.top, p.v),
                        std::max(box.right, p.h + 1), std::max(box.bottom, p.v + 1));
            const CPoint next[] = {{p.h + 1, p.v}, {p.h - 1, p.v}, {p.h, p.v + 1}, {p.h, p.v - 1}};
            for (const CPoint& n : next) {
                if (n.h < 0 || n.v < 0 || n.h >= width || n.v >= height) continue;
                const int index = n.v * width + n.h;
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
        for (int y = std::max(0, area.top); y < std::min(height, area.bottom); ++y)
            for (int x = std::max(0, area.left); x < std::min(width, area.right); ++x)
                if (!except.pointInside(CPoint(x, y)) && luma(at(x, y)) > kLegibleLuma) ++count;
        return count;
    }

    const std::int32_t percent;
    const int width, height;

private:
    Ref<CFrame> frame;
    Ref<COffscreenContext> screen;
    std::vector<Rgb> pixels;
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

class FaceLayout : public ::testing::TestWithParam<std::int32_t> {};

INSTANTIATE_TEST_SUITE_P(Scales, FaceLayout, ::testing::ValuesIn(kScalePercents));

TEST_P(FaceLayout, EveryControlLiesOnAPanelWithItsCaption) {
    const Face face(GetParam());
    for (const ParamDef& row : ParamDefTable) {
        if (row.type == kValueDisplay) continue;
        const CRect rect = face.device(controlRect(row));
        const CRect panel = face.panelAround(rect);
        SCOPED_TRACE(std::string(row.name) + " at " + describe(rect) + " on " + describe(panel));
        // Inside, clear of the panel's edges, and the panel is not the whole face.
        EXPECT_LT(panel.left, rect.left);
        EXPECT_LT(panel.top, rect.top);
        EXPECT_GT(panel.right, rect.right);
        EXPECT_GT(panel.bottom, rect.bottom);
        EXPECT_GT(panel.left, 0);
        EXPECT_GT(panel.top, 0);
        EXPECT_LT(panel.right, face.width);
        EXPECT_LT(panel.bottom, face.height);
        // The caption is on the panel, or on the tray around a recessed panel.
        const int reach = face.device(kCaptionReach);
        auto captionOn = [&](const CRect& area) {
            const CRect band(area.left, std::max(area.top, rect.top - reach), area.right,
                             std::min(area.bottom, rect.bottom + reach));
            return face.textPixels(band, rect) >= face.minTextPixels();
        };
        const CRect tray = face.panelAround(panel);
        const bool trayInFace =
            tray.left > 0 && tray.top > 0 && tray.right < face.width && tray.bottom < face.height;
        EXPECT_TRUE(captionOn(panel) || (trayInFace && captionOn(tray))) << "no caption beside it";
    }
}

TEST_P(FaceLayout, ValueDisplayBoxesAreWhereTheDisplaysDrawWithTheirUnitAfter) {
    const Face face(GetParam());
    int displays = 0;
    for (const ParamDef& row : ParamDefTable) {
        if (row.type != kValueDisplay) continue;
        ++displays;
        const CRect rect = face.device(controlRect(row));
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
        EXPECT_GE(face.textPixels(CRect(rect.right + 1, rect.top,
                                        rect.right + face.device(kUnitReach), rect.bottom)),
                  face.minTextPixels())
            << "no unit after the box";
    }
    EXPECT_EQ(displays, 3);
}

TEST_P(FaceLayout, TheMeterScaleRunsUnderTheMetersFromMinus30To0InStepsOf6) {
    const Face face(GetParam());
    CRect meters(kFaceWidth, kFaceHeight, 0, 0);
    for (const ParamDef& row : ParamDefTable)
        if (row.type == kMeter)
            meters = CRect(std::min(meters.left, row.x), std::min(meters.top, row.y),
                           std::max(meters.right, row.x + row.width),
                           std::max(meters.bottom, row.y + row.height));
    const Rgb under = face.at(face.device(meters.left + 1), face.device(meters.bottom + 1));
    constexpr int kSteps = 5; // -30, -24, ..., 0
    for (int step = 0; step <= kSteps; ++step) {
        const int x = std::min(meters.left + step * meters.width() / kSteps, meters.right - 1);
        SCOPED_TRACE("mark " + std::to_string(-30 + 6 * step) + " dB at x " + std::to_string(x));
        bool tick = false;
        for (int y = face.device(meters.bottom + 1); y < face.device(meters.bottom + 10); ++y) {
            const Rgb seen = face.at(face.device(x), y);
            tick = tick || (seen != under && Face::luma(seen) > Face::luma(under));
        }
        EXPECT_TRUE(tick) << "no tick under the meters";
        EXPECT_GT(face.textPixels(
                      face.device(CRect(x - 8, meters.bottom + 8, x + 9, meters.bottom + 22))),
                  0)
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
