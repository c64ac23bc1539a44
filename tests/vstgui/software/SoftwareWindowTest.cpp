// A frame in a window of the software backend: paint, button presses with
// the live state, the wheel, drops, cursors and the host destroying its window.
#include "tests/support/ControlRecorder.h"
#include "tests/support/GuiTestSupport.h"
#include "tests/support/ScriptedMouse.h"
#include "tests/support/software/PngFile.h"

#include "vstgui/CDragContainer.h"
#include "vstgui/CKnob.h"
#include "vstgui/WindowEvents.h"
#include "vstgui/software/CDropTarget.h"
#include "vstgui/software/SoftwareSystem.h"

#include <cstdio>

namespace {

using namespace guitest;
namespace sw = VSTGUI::software;

constexpr int kLeft = 100, kTop = 50;

CColor windowPixel(native::Handle window, int x, int y) {
    native::Handle surface = native::windowSurface(window);
    const CColor color = surfacePixel(surface, CPoint(x, y));
    native::releaseWindowSurface(window, surface);
    return color;
}

// Follows the mouse by polling, as controls do, and records what it saw.
class DragView : public CView {
public:
    using CView::CView;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons) override {
        seen.push_back(where);
        pressButtons = buttons;
        while (context->getMouseButtons() & kLButton) {
            getMouseLocation(context, where);
            seen.push_back(where);
        }
    }
    std::vector<CPoint> seen;
    std::int32_t pressButtons = 0;
};

class SoftwareWindow : public ::testing::Test {
protected:
    SoftwareWindow() {
        frame->setBackgroundColor(kGreyCColor);
        probe->fill = &kRedCColor;
        frame->addView(probe);
        frame->addView(dragger);
        window = frame->getNativeWindow();
    }
    ~SoftwareWindow() override {
        frame->forget();
        sw::destroyHostWindow(host);
    }
    std::vector<std::string> log;
    native::Handle host = sw::createHostWindow(kLeft, kTop, 64, 48);
    CFrame* frame = new CFrame(CRect(0, 0, 64, 48), host, nullptr);
    ProbeView* probe = new ProbeView(CRect(8, 8, 24, 24), &log);
    DragView* dragger = new DragView(CRect(40, 8, 60, 40));
    native::Handle window = nullptr;
};

TEST_F(SoftwareWindow, APaintDrawsTheBackgroundAndIdleBringsADirtyChild) {
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(sw::childWindows(host).size(), 1u);
    frame->idle(); // before the first paint: nothing
    EXPECT_TRUE(probe->isDirty());
    EXPECT_FALSE(sw::paint(window)); // nothing waiting
    sw::invalidate(window, CRect(0, 0, 64, 48));
    EXPECT_TRUE(sw::paint(window));
    EXPECT_TRUE(sameColor(windowPixel(window, 30, 30), kGreyCColor));
    EXPECT_TRUE(sameColor(windowPixel(window, 10, 10), kRedCColor));
    probe->fill = &kBlueCColor;
    probe->setDirty();
    frame->idle();
    EXPECT_FALSE(probe->isDirty());
    EXPECT_TRUE(sameColor(windowPixel(window, 10, 10), kBlueCColor));
    const std::string path = ::testing::TempDir() + "brelto-frame.png";
    EXPECT_TRUE(writePng(window, path));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    unsigned char signature[4] = {};
    EXPECT_EQ(std::fread(signature, 1, 4, file), 4u);
    std::fclose(file);
    std::remove(path.c_str());
    EXPECT_EQ(signature[1], 'P');
}

TEST_F(SoftwareWindow, APressReachesTheViewUnderThePointerWithTheLiveButtons) {
    sw::pressButton(window, CPoint(10, 12), kLButton | kShift);
    EXPECT_EQ(sw::focusWindow(), window);
    EXPECT_EQ(probe->lastWhere, CPoint(10, 12));
    EXPECT_EQ(probe->lastButtons, kLButton | kShift);
}

TEST_F(SoftwareWindow, AViewFollowsTheMouseByPollingUntilRelease) {
    ScriptedMouse mouse;
    mouse.play(ScriptedMouse::drag(CPoint(kLeft + 45, kTop + 10),
                                   {CPoint(kLeft + 47, kTop + 20), CPoint(kLeft + 50, kTop + 30)}));
    CDrawContext* context = frame->createDrawContext();
    CPoint where(45, 10);
    frame->mouse(context, where, -1);
    context->forget();
    EXPECT_EQ(dragger->pressButtons, kLButton);
    ASSERT_GE(dragger->seen.size(), 2u);
    EXPECT_EQ(dragger->seen.front(), CPoint(45, 10));
    EXPECT_EQ(dragger->seen.back(), CPoint(50, 30));
}

TEST_F(SoftwareWindow, WheelNotchesOf120AreDistance1) {
    const CPoint over(kLeft + 10, kTop + 10);
    sw::turnWheel(window, over, 120);
    EXPECT_EQ(probe->lastDistance, 1.0f);
    EXPECT_EQ(probe->lastWhere, CPoint(10, 10));
    sw::turnWheel(window, over, -240);
    EXPECT_EQ(probe->lastDistance, -2.0f);
    sw::turnWheel(window, over, 60);
    EXPECT_EQ(probe->lastDistance, 0.5f);
}

TEST_F(SoftwareWindow, DropsAreRoutedToTheViewUnderThePointer) {
    auto* target = static_cast<CDropTarget*>(sw::dropTargetOf(window));
    ASSERT_NE(target, nullptr);
    ScriptedMouse mouse;
    mouse.play({{CPoint(kLeft + 10, kTop + 10), 0}});
    std::uint32_t effect = 7;
    target->DragEnter(nullptr, 0, CPoint(), &effect);
    EXPECT_EQ(effect, 0u);
    EXPECT_EQ(windowEvents::currentDrag(), nullptr);
    effect = 7;
    target->DragOver(0, CPoint(), &effect);
    EXPECT_EQ(effect, 7u);
    EXPECT_TRUE(log.empty());

    sw::DragData text{true, 0};
    target->DragEnter(&text, 0, CPoint(), &effect);
    EXPECT_EQ(effect, 2u);
    ASSERT_NE(windowEvents::currentDrag(), nullptr);
    EXPECT_EQ(windowEvents::currentDrag()->getCount(), 1);
    target->DragOver(0, CPoint(), &effect);
    target->Drop(&text, 0, CPoint(), &effect);
    EXPECT_EQ(windowEvents::currentDrag(), nullptr);
    EXPECT_EQ(log,
              (std::vector<std::string>{"probe:enter", "probe:move", "probe:drop", "probe:leave"}));
    sw::DragData files{false, 3};
    target->DragEnter(&files, 0, CPoint(), &effect);
    EXPECT_EQ(windowEvents::currentDrag()->getCount(), 3);
    target->DragLeave();
    EXPECT_EQ(windowEvents::currentDrag(), nullptr);
}

TEST_F(SoftwareWindow, DropActivationReplacesOrRevokesTheTarget) {
    EXPECT_TRUE(frame->isDropActive());
    EXPECT_TRUE(frame->setDropActive(true));
    EXPECT_NE(sw::dropTargetOf(window), nullptr);
    EXPECT_TRUE(frame->setDropActive(false));
    EXPECT_EQ(sw::dropTargetOf(window), nullptr);
    EXPECT_TRUE(frame->setDropActive(false));
}

TEST_F(SoftwareWindow, CursorsComeBackToTheDefault) {
    frame->setCursor(1);
    EXPECT_EQ(sw::cursorType(), 1);
    frame->setCursor(7);
    EXPECT_EQ(sw::cursorType(), 0);
    frame->setCursor(9);
    frame->setCursor(0);
    EXPECT_EQ(sw::cursorType(), 0);
}

TEST_F(SoftwareWindow, LocationPositionAndSizeAreInTheirOwnCoordinates) {
    ScriptedMouse mouse;
    mouse.play({{CPoint(kLeft + 5, kTop + 6), 0}});
    CPoint where;
    EXPECT_TRUE(frame->getCurrentLocation(where));
    EXPECT_EQ(where, CPoint(5, 6));
    EXPECT_EQ(frame->getCurrentView(), nullptr);
    mouse.play({{CPoint(kLeft + 9, kTop + 9), 0}});
    EXPECT_EQ(frame->getCurrentView(), probe);
    std::int32_t x = 0, y = 0;
    EXPECT_TRUE(frame->getPosition(x, y));
    EXPECT_EQ(x, kLeft);
    EXPECT_EQ(y, kTop);
    CRect size;
    EXPECT_TRUE(frame->getSize(&size));
    EXPECT_EQ(size, CRect(kLeft, kTop, kLeft + 64, kTop + 48));
}

TEST_F(SoftwareWindow, AfterTheHostDestroysItsWindowNothingIsDrawn) {
    sw::invalidate(window, CRect(0, 0, 64, 48));
    sw::paint(window);
    sw::destroyHostWindow(host);
    host = nullptr;
    EXPECT_FALSE(frame->isOpen());
    EXPECT_EQ(frame->getSystemWindow(), nullptr);
    probe->setDirty();
    frame->idle();
    EXPECT_TRUE(probe->isDirty());
}

// An owner that closes the frame while a knob follows a press in the frame's
// window: the window stays until the press is done, then goes with the frame.
TEST(SoftwareWindowClosing, AWindowClosedDuringAPressGoesWhenThePressIsDone) {
    native::Handle host = sw::createHostWindow(kLeft, kTop, 64, 48);
    ControlRecorder recorder;
    auto* frame = new CFrame(CRect(0, 0, 64, 48), host, &recorder);
    frame->addView(new CKnob(CRect(8, 8, 40, 40), &recorder, 1, nullptr));
    std::size_t windowsAtTheClose = 0;
    recorder.onIdle = [&] {
        frame->closeForOwner();
        frame->forget();
        windowsAtTheClose = sw::childWindows(host).size();
    };
    ScriptedMouse mouse;
    mouse.play(ScriptedMouse::drag(CPoint(kLeft + 24, kTop + 24), {CPoint(kLeft + 24, kTop + 14)}));
    sw::pressButton(frame->getNativeWindow(), CPoint(24, 24), kLButton);
    EXPECT_EQ(windowsAtTheClose, 1u);
    EXPECT_TRUE(sw::childWindows(host).empty());
    EXPECT_EQ(recorder.sequence(), "begin value end");
    sw::destroyHostWindow(host);
}

} // namespace
