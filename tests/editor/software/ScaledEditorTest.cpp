// The editor at the scale a host tells it or the system draws at, in a host
// window of the software backend: its size before and after the open, the
// host asked to fit its window, the face drawn for the scale, and gestures in
// device pixels that give the values they give at 1.
#include "../EditorFixture.h"

#include "platform/ModuleServices.h"
#include "vstgui/software/Objects.h"
#include "vstgui/software/SoftwareSystem.h"

#include <cmath>
#include <limits>

namespace {

using namespace guitest;

class ScaledEditor : public EditorTest {
protected:
    ScaledEditor() {
        host.canSizeWindow = true;
        host.sizeWindowAnswer = true;
    }
    ~ScaledEditor() override {
        if (plugin.effect != nullptr) plugin.close();
        if (hostWindow != nullptr) software::destroyHostWindow(hostWindow);
        software::setScreenScale(1.0);
    }

    // The host's scale request; its answer.
    VstIntPtr tellScale(float factor) {
        return plugin.dispatch(effVendorSpecific, kVendorScaleIndex, kVendorScaleRequest, nullptr,
                               factor);
    }
    CRect editorRect() {
        ERect* rect = nullptr;
        plugin.dispatch(effEditGetRect, 0, 0, &rect);
        return CRect(rect->left, rect->top, rect->right, rect->bottom);
    }
    // Opens the editor in a host window of the editor's size; its window.
    native::Handle open() {
        const CRect size = editorRect();
        hostWindow = software::createHostWindow(0, 0, size.right, size.bottom);
        plugin.open(hostWindow);
        const std::vector<native::Handle> children = software::childWindows(hostWindow);
        return children.size() == 1 ? children[0] : nullptr;
    }
    static CRect windowRect(native::Handle window) {
        const auto* shown = software::as<software::Window>(window, software::Kind::window);
        return shown != nullptr ? CRect(0, 0, shown->image.width, shown->image.height) : CRect();
    }
    // The sizes the host was asked for, in order.
    std::vector<CPoint> sizesAsked() const {
        std::vector<CPoint> sizes;
        for (const HostCall& call : host.callsOf(audioMasterSizeWindow))
            sizes.emplace_back(call.index, static_cast<std::int32_t>(call.value));
        return sizes;
    }

    native::Handle hostWindow = nullptr;
};

TEST_F(ScaledEditor, TheHostsScaleSizesTheEditorBeforeAndAfterTheOpen) {
    EXPECT_EQ(tellScale(1.5f), 1);
    EXPECT_EQ(editorRect(), CRect(0, 0, 648, 258));
    // Not a scale request, or not a factor: nothing changes.
    EXPECT_EQ(plugin.dispatch(effVendorSpecific, kVendorScaleIndex, 1, nullptr, 2.0f), 0);
    EXPECT_EQ(tellScale(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(tellScale(0.0f), 0);
    EXPECT_EQ(editorRect(), CRect(0, 0, 648, 258));

    // The system's scale gives way to the host's.
    software::setScreenScale(2.0);
    native::Handle window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowRect(window), CRect(0, 0, 648, 258));
    EXPECT_TRUE(sizesAsked().empty());
    CRect face;
    EXPECT_EQ(plugin.frame()->getViewSize(face), CRect(0, 0, 432, 172));
    EXPECT_EQ(plugin.frame()->getScale(), 150);

    // A scale told to the open editor resizes it through the host: 1.9 is 2.
    EXPECT_EQ(tellScale(1.9f), 1);
    EXPECT_EQ(editorRect(), CRect(0, 0, 864, 344));
    ASSERT_EQ(sizesAsked().size(), 1u);
    EXPECT_EQ(sizesAsked()[0], CPoint(864, 344));
    EXPECT_EQ(windowRect(window), CRect(0, 0, 864, 344));
    software::setScreenScale(1.0);
    EXPECT_EQ(editorRect(), CRect(0, 0, 864, 344));
    EXPECT_EQ(sizesAsked().size(), 1u);
}

TEST_F(ScaledEditor, WithoutTheHostsScaleTheSystemsIsTakenAtTheOpenAndFollowed) {
    EXPECT_EQ(editorRect(), CRect(0, 0, 432, 172));
    software::setScreenScale(1.5);
    native::Handle window = open();
    ASSERT_NE(window, nullptr);
    // The host's window was made at the size it was told before the open.
    EXPECT_EQ(editorRect(), CRect(0, 0, 648, 258));
    ASSERT_EQ(sizesAsked().size(), 1u);
    EXPECT_EQ(sizesAsked()[0], CPoint(648, 258));
    EXPECT_EQ(windowRect(window), CRect(0, 0, 648, 258));

    // Moved to a screen of another scale; 2.6 is 2.
    software::setScreenScale(2.6);
    EXPECT_EQ(editorRect(), CRect(0, 0, 864, 344));
    ASSERT_EQ(sizesAsked().size(), 2u);
    EXPECT_EQ(sizesAsked()[1], CPoint(864, 344));
    EXPECT_EQ(windowRect(window), CRect(0, 0, 864, 344));
}

// At 2 the window shows the face drawn for 2 (not the face of 1 enlarged)
// outside the controls; a drag of 300 device pixels moves Gain by half its
// range, as 150 do at 1, and a wheel notch over the knob's device pixels
// moves it by the wheel's step.
TEST_F(ScaledEditor, AtTwiceTheSizeTheFaceIsItsOwnAndGesturesGiveTheValuesOfOne) {
    tellScale(2.0f);
    native::Handle window = open();
    ASSERT_NE(window, nullptr);
    software::invalidate(window, CRect(0, 0, 864, 344));
    ASSERT_TRUE(software::paint(window));
    plugin.idle();

    const platform::ResourceBytes png = platform::findResource("PNG", scaledResourceId(227, 200));
    ASSERT_TRUE(png);
    PngBytesBitmap drawn(png.data, png.size);
    Ref<CFrame> plainFrame(new CFrame(CRect(0, 0, 864, 344), nullptr, nullptr));
    Ref<COffscreenContext> face(new COffscreenContext(plainFrame.get(), 864, 344));
    drawn.draw(face.get(), CRect(0, 0, 864, 344));
    std::vector<CRect> controls;
    for (int i = 0; i < GUIEditor::kRowCount; ++i) {
        CRect size;
        plugin.control(i)->getViewSize(size);
        controls.push_back(size);
    }
    native::Handle surface = native::windowSurface(window);
    int differing = 0;
    for (int y = 0; y < 344; ++y)
        for (int x = 0; x < 864; ++x) {
            const CPoint at(x / 2, y / 2);
            bool inControl = false;
            for (const CRect& rect : controls)
                inControl = inControl || (at.h >= rect.left && at.h < rect.right &&
                                          at.v >= rect.top && at.v < rect.bottom);
            if (!inControl && surfacePixel(surface, CPoint(x, y)) != pixelAt(face.get(), x, y))
                ++differing;
        }
    native::releaseWindowSurface(window, surface);
    EXPECT_EQ(differing, 0);

    // The knob's centre (44, 140) is (88, 280) on the device; the window is at
    // the screen's corner.
    const CPoint centre(88, 280);
    std::vector<CPoint> moves;
    for (int step = 1; step <= 15; ++step)
        moves.emplace_back(centre.h, centre.v - 20 * step);
    mouse.play(ScriptedMouse::drag(centre, moves));
    software::pressButton(window, centre, kLButton);
    const std::vector<float> values = automated(kGain);
    ASSERT_FALSE(values.empty());
    EXPECT_FLOAT_EQ(values.back(), 0.5f);
    EXPECT_FLOAT_EQ(plugin.parameter(kGain), 0.5f);

    software::turnWheel(window, CPoint(70, 250), 120);
    EXPECT_FLOAT_EQ(plugin.parameter(kGain), 0.55f);
}

} // namespace
