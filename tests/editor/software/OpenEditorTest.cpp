// The editor opened in a host window of the software backend: every control
// lies inside a panel of the face and draws nothing outside its rectangle,
// the value displays sit on the face's boxes, and a plug-in destroyed with
// its editor open takes its window away first.
#include "editor/EditorFixture.h"

#include "vstgui/software/SoftwareSystem.h"

namespace {

using namespace guitest;

constexpr int kWidth = 432, kHeight = 172;

class OpenEditor : public EditorTest {
protected:
    OpenEditor() {
        plugin.open(hostWindow);
        const std::vector<native::Handle> children = software::childWindows(hostWindow);
        if (children.size() == 1) window = children[0];
    }
    ~OpenEditor() override {
        if (plugin.effect != nullptr) plugin.close();
        software::destroyHostWindow(hostWindow);
    }

    // The rectangle of every row's control, in row order.
    std::vector<CRect> controlRects() const {
        std::vector<CRect> rects;
        for (int i = 0; i < GUIEditor::kRowCount; ++i) {
            CRect size;
            rects.push_back(plugin.control(i)->getViewSize(size));
        }
        return rects;
    }

    native::Handle hostWindow = software::createHostWindow(0, 0, kWidth, kHeight);
    native::Handle window = nullptr;
};

// The face alone, read back pixel by pixel.
class Face {
public:
    explicit Face(CFrame* frame) : screen(new COffscreenContext(frame, kWidth, kHeight)) {
        Ref<CBitmap> face(new CBitmap(GUIEditor::kBackgroundId));
        face->draw(screen.get(), CRect(0, 0, kWidth, kHeight));
    }
    CColor at(int x, int y) const { return pixelAt(screen.get(), x, y); }

private:
    Ref<COffscreenContext> screen;
};

// Walks from (x, y) by (dx, dy) until a pixel of colour; false at the face's edge.
bool reaches(const Face& face, int x, int y, int dx, int dy, const CColor& colour) {
    for (; x >= 0 && y >= 0 && x < kWidth && y < kHeight; x += dx, y += dy)
        if (face.at(x, y) == colour) return true;
    return false;
}

TEST_F(OpenEditor, EveryControlLiesInsideAPanelOfTheFaceAndDrawsOnlyItsRectangle) {
    ASSERT_NE(window, nullptr);
    software::invalidate(window, CRect(0, 0, kWidth, kHeight));
    ASSERT_TRUE(software::paint(window));
    const Face face(plugin.frame());

    // The panels' outline: where a walk left from the Gain knob leaves its panel.
    const CRect gain = controlRects()[kGain];
    const int middle = (gain.top + gain.bottom) / 2;
    const CColor fill = face.at(gain.left - 1, middle);
    int x = gain.left - 1;
    while (x > 0 && face.at(x, middle) == fill)
        --x;
    const CColor outline = face.at(x, middle);
    ASSERT_NE(outline, fill);

    for (const CRect& rect : controlRects()) {
        SCOPED_TRACE(::testing::Message() << rect.left << "," << rect.top);
        // No outline crosses the control, and one encloses it on every side.
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                ASSERT_NE(face.at(x, y), outline) << x << "," << y;
        const int midX = (rect.left + rect.right) / 2, midY = (rect.top + rect.bottom) / 2;
        EXPECT_TRUE(reaches(face, rect.left - 1, midY, -1, 0, outline));
        EXPECT_TRUE(reaches(face, rect.right, midY, 1, 0, outline));
        EXPECT_TRUE(reaches(face, midX, rect.top - 1, 0, -1, outline));
        EXPECT_TRUE(reaches(face, midX, rect.bottom, 0, 1, outline));
    }

    // Outside the controls the window shows the face unchanged.
    const std::vector<CRect> rects = controlRects();
    native::Handle surface = native::windowSurface(window);
    int differing = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            bool inControl = false;
            for (const CRect& rect : rects)
                inControl = inControl ||
                            (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom);
            if (!inControl && native::readPixel(surface, CPoint(x, y)) != face.at(x, y))
                ++differing;
        }
    native::releaseWindowSurface(window, surface);
    EXPECT_EQ(differing, 0);

    // The displays write into boxes of one colour that the face draws for them.
    for (int row = 10; row <= 12; ++row) {
        const CRect& box = rects[row];
        const CColor inside = face.at(box.left, box.top);
        EXPECT_NE(inside, face.at(box.left - 3, box.top - 3)) << row;
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x)
                ASSERT_EQ(face.at(x, y), inside) << row << ": " << x << "," << y;
    }
}

TEST_F(OpenEditor, APlugInDestroyedWithItsEditorOpenClosesTheEditorFirst) {
    ASSERT_NE(window, nullptr);
    host.close(plugin.effect);
    plugin.effect = nullptr;
    EXPECT_TRUE(software::childWindows(hostWindow).empty());
}

TEST_F(OpenEditor, OpeningAgainWithoutClosingLeavesOneFrameWindow) {
    plugin.open(hostWindow);
    EXPECT_EQ(software::childWindows(hostWindow).size(), 1u);
    EXPECT_EQ(plugin.frame()->getNativeWindow(), software::childWindows(hostWindow).front());
}

} // namespace
