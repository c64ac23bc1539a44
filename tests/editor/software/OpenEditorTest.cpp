// The editor opened in a host window of the software backend: its controls
// draw nothing outside their rectangles, a second open keeps one window, and a
// plug-in destroyed with its editor open takes its window away first.
#include "../EditorFixture.h"

#include "vstgui/software/SoftwareSystem.h"

#include <cmath>

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

// The face's panels are checked against the table's rectangles elsewhere; here
// the open editor, painted and idled, shows the face unchanged around them.
TEST_F(OpenEditor, OutsideItsControlsTheOpenEditorShowsTheFaceUnchanged) {
    ASSERT_NE(window, nullptr);
    software::invalidate(window, CRect(0, 0, kWidth, kHeight));
    ASSERT_TRUE(software::paint(window));
    plugin.idle();
    const Face face(plugin.frame());

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
            if (!inControl && guitest::surfacePixel(surface, CPoint(x, y)) != face.at(x, y))
                ++differing;
        }
    native::releaseWindowSurface(window, surface);
    EXPECT_EQ(differing, 0);
}

// The meters that idle draws stay on screen when the same idle redraws
// another control: the window shows the picture of the whole editor at its
// current values, not the meters of the last full paint.
TEST_F(OpenEditor, MetersStayOnScreenWhenAnotherControlIsRedrawn) {
    ASSERT_NE(window, nullptr);
    software::invalidate(window, CRect(0, 0, kWidth, kHeight));
    ASSERT_TRUE(software::paint(window));
    plugin.idle();
    const CPoint inputBar(316, 44); // 62 % along the first input meter
    native::Handle surface = native::windowSurface(window);
    const CColor atRest = guitest::surfacePixel(surface, inputBar);

    constexpr int kFrames = 512;
    std::vector<float> left(kFrames), right(kFrames);
    for (int block = 0; block < 20; ++block) {
        for (int i = 0; i < kFrames; ++i)
            left[i] = right[i] = 0.9f * std::sin(0.05f * static_cast<float>(block * kFrames + i));
        float* channels[2] = {left.data(), right.data()};
        plugin.effect->processReplacing(plugin.effect, channels, channels, kFrames);
    }
    plugin.idle();
    const CColor bar = guitest::surfacePixel(surface, inputBar);
    EXPECT_NE(bar, atRest);

    plugin.setParameter(kGain, 0.6f);
    plugin.idle(); // the Gain knob and its display are redrawn
    EXPECT_EQ(guitest::surfacePixel(surface, inputBar), bar);
    Ref<COffscreenContext> whole(new COffscreenContext(plugin.frame(), kWidth, kHeight));
    plugin.frame()->draw(whole.get());
    int differing = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (guitest::surfacePixel(surface, CPoint(x, y)) != pixelAt(whole.get(), x, y))
                ++differing;
    native::releaseWindowSurface(window, surface);
    EXPECT_EQ(differing, 0);
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
