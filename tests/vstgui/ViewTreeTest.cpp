// The view tree: rectangle rules, ownership, drawing order, dispatch of
// clicks, keys, wheel and drags, focus and the modal view.
#include "tests/support/GuiTestSupport.h"

namespace {

using namespace guitest;

TEST(Rectangles, PointsOnTheRightAndBottomEdgeAreInside) {
    const CRect rect(10, 20, 30, 40);
    EXPECT_TRUE(rect.pointInside(CPoint(30, 40)));
    EXPECT_TRUE(rect.pointInside(CPoint(10, 20)));
    EXPECT_FALSE(rect.pointInside(CPoint(31, 30)));
    EXPECT_FALSE(rect.pointInside(CPoint(20, 19)));
}

TEST(Rectangles, TouchingRectanglesOverlap) {
    const CRect rect(10, 10, 20, 20);
    EXPECT_TRUE(rect.rectOverlap(CRect(20, 20, 30, 30)));
    EXPECT_TRUE(rect.rectOverlap(CRect(0, 0, 10, 10)));
    EXPECT_FALSE(rect.rectOverlap(CRect(21, 10, 30, 20)));
    EXPECT_FALSE(rect.rectOverlap(CRect(10, 0, 20, 9)));
}

TEST(Rectangles, BoundNeverInverts) {
    EXPECT_EQ(CRect(0, 0, 10, 10).bound(CRect(5, -5, 20, 5)), CRect(5, 0, 10, 5));
    const CRect apart = CRect(0, 0, 10, 10).bound(CRect(20, 30, 40, 50));
    EXPECT_EQ(apart, CRect(20, 30, 20, 30));
    EXPECT_EQ(apart.width(), 0);
    EXPECT_EQ(apart.height(), 0);
}

TEST(Views, HitTestAndUpdateCheckIncludeTheEdges) {
    Ref<CView> view(new CView(CRect(10, 10, 20, 20)));
    EXPECT_TRUE(view->hitTest(CPoint(20, 20)));
    EXPECT_FALSE(view->hitTest(CPoint(21, 20)));
    EXPECT_TRUE(view->checkUpdate(CRect(20, 20, 25, 25)));
    EXPECT_FALSE(view->checkUpdate(CRect(21, 0, 25, 25)));
    // Resizing keeps the mouseable area.
    CRect moved(50, 50, 60, 60);
    view->setViewSize(moved);
    EXPECT_TRUE(view->hitTest(CPoint(15, 15)));
    EXPECT_TRUE(view->isDirty());
}

TEST(Views, TypeNamesAnswerForTheirBases) {
    Ref<CFrame> frame(new CFrame(CRect(0, 0, 10, 10), nullptr, nullptr));
    EXPECT_TRUE(frame->isTypeOf("CFrame"));
    EXPECT_TRUE(frame->isTypeOf("CViewContainer"));
    EXPECT_TRUE(frame->isTypeOf("CView"));
    EXPECT_FALSE(frame->isTypeOf("CScrollContainer"));
    std::string copy = "kMsgCheckIfViewContainer";
    EXPECT_EQ(frame->notify(nullptr, kMsgCheckIfViewContainer), 1);
    EXPECT_EQ(frame->notify(nullptr, copy.c_str()), 0);
}

TEST(Ownership, RemoveViewWithForgetDestroysAViewExactlyOnce) {
    int destroyed = 0;
    Ref<CFrame> frame(new CFrame(CRect(0, 0, 100, 100), nullptr, nullptr));
    auto* kept = new ProbeView(CRect(0, 0, 10, 10), nullptr, &destroyed);
    auto* dropped = new ProbeView(CRect(0, 0, 10, 10), nullptr, &destroyed);
    frame->addView(kept);
    frame->addView(dropped);
    EXPECT_EQ(kept->getNbReference(), 2);
    frame->removeView(dropped, true);
    EXPECT_EQ(destroyed, 1);
    frame->removeView(kept, false);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(kept->getNbReference(), 1);
    EXPECT_EQ(frame->getNbViews(), 0);
    kept->forget();
    EXPECT_EQ(destroyed, 2);
}

TEST(Ownership, AFrameReleasesEveryChildOnce) {
    int destroyed = 0;
    {
        auto* frame = new CFrame(CRect(0, 0, 100, 100), nullptr, nullptr);
        for (int i = 0; i < 3; ++i)
            frame->addView(new ProbeView(CRect(0, 0, 10, 10), nullptr, &destroyed));
        auto* modal = new ProbeView(CRect(0, 0, 5, 5), nullptr, &destroyed);
        frame->setModalView(modal);
        // The editor keeps its references; the frame's removeAll drops both.
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(frame->getView(i)->getNbReference(), 2);
        frame->forget();
        EXPECT_EQ(destroyed, 3); // the modal view is removed without forgetting
        modal->forget();
    }
    EXPECT_EQ(destroyed, 4);
}

TEST(Ownership, ListQueriesAndRemovingAStranger) {
    Ref<CFrame> frame(new CFrame(CRect(0, 0, 100, 100), nullptr, nullptr));
    Ref<ProbeView> child(new ProbeView(CRect(0, 0, 10, 10)));
    Ref<ProbeView> stranger(new ProbeView(CRect(0, 0, 10, 10)));
    frame->addView(child.get());
    frame->addView(nullptr);
    EXPECT_EQ(frame->getNbViews(), 1);
    EXPECT_EQ(frame->getView(0), child.get());
    EXPECT_EQ(frame->getView(1), nullptr);
    EXPECT_EQ(frame->getView(-1), nullptr);
    EXPECT_TRUE(frame->isChild(child.get()));
    EXPECT_EQ(child->getParentFrame(), frame.get());
    frame->setFocusView(stranger.get());
    frame->removeView(stranger.get(), true);
    EXPECT_EQ(frame->getFocusView(), nullptr);
    EXPECT_EQ(stranger->getNbReference(), 1);
    EXPECT_EQ(frame->getNbViews(), 1);
    frame->removeView(child.get(), false);
}

class Tree : public ::testing::Test {
protected:
    Tree() {
        frame->setBackgroundColor(kGreyCColor);
        first->fill = &kRedCColor;
        second->fill = &kBlueCColor;
        frame->addView(first);
        frame->addView(second);
    }
    // The children are handed to the frame, which drops both references at the end.
    std::vector<std::string> log;
    Ref<CFrame> frame{new CFrame(CRect(0, 0, 64, 48), nullptr, nullptr)};
    ProbeView* first{new ProbeView(CRect(4, 4, 24, 24), &log, nullptr, "first")};
    ProbeView* second{new ProbeView(CRect(16, 16, 40, 40), &log, nullptr, "second")};
    Ref<COffscreenContext> window{new COffscreenContext(frame.get(), 64, 48, kBlackCColor)};
};

TEST_F(Tree, ChildrenDrawInListOrderAndTheLastTakesTheClick) {
    frame->draw(window.get());
    EXPECT_EQ(log, (std::vector<std::string>{"first:draw", "second:draw"}));
    EXPECT_TRUE(sameColor(pixelAt(window.get(), 20, 20), kBlueCColor));
    EXPECT_TRUE(sameColor(pixelAt(window.get(), 8, 8), kRedCColor));
    EXPECT_TRUE(sameColor(pixelAt(window.get(), 50, 8), kGreyCColor));
    log.clear();
    CPoint where(20, 20);
    frame->mouse(window.get(), where, kLButton);
    EXPECT_EQ(log, (std::vector<std::string>{"second:mouse"}));
    where = CPoint(24, 24); // on first's edge, inside second
    second->setMouseEnabled(false);
    frame->mouse(window.get(), where, kLButton);
    EXPECT_EQ(first->lastWhere, CPoint(24, 24));
}

TEST_F(Tree, AClickWithUnknownButtonsGetsTheLiveState) {
    CPoint where(8, 8);
    frame->mouse(window.get(), where, -1);
    EXPECT_EQ(first->lastButtons, native::mouseButtons());
}

TEST_F(Tree, ADirtyChildDrawnOnlyInPartStaysDirty) {
    frame->draw(window.get());
    first->setDirty();
    second->setDirty();
    frame->drawRect(window.get(), CRect(0, 0, 30, 30)); // all of first, part of second
    EXPECT_FALSE(first->isDirty());
    EXPECT_TRUE(second->isDirty());
    frame->drawRect(window.get(), CRect(0, 0, 64, 48));
    EXPECT_FALSE(second->isDirty());
}

TEST_F(Tree, UpdateRedrawsOnlyDirtyViewsThroughTheBackBuffer) {
    frame->drawRect(window.get(), CRect(0, 0, 64, 48)); // the first paint
    frame->update(window.get());
    log.clear();
    first->fill = &kGreenCColor;
    first->setDirty();
    frame->idle(); // no window: draws into the back buffer only
    EXPECT_FALSE(first->isDirty());
    EXPECT_EQ(log, (std::vector<std::string>{"first:draw", "second:draw"}));
    frame->update(window.get());
    EXPECT_TRUE(sameColor(pixelAt(window.get(), 8, 8), kGreenCColor));
    EXPECT_TRUE(sameColor(pixelAt(window.get(), 20, 20), kBlueCColor));
}

TEST_F(Tree, IdleDrawsNothingBeforeTheFirstPaintOrWhileDisabledOrClosed) {
    frame->idle();
    EXPECT_TRUE(first->isDirty());
    EXPECT_TRUE(log.empty());
    frame->drawRect(window.get(), CRect(0, 0, 0, 0)); // empty, but the first paint all the same
    EXPECT_TRUE(log.empty());
    first->setDirty();
    EXPECT_FALSE(frame->setUpdatesDisabled(true));
    frame->idle();
    EXPECT_TRUE(first->isDirty());
    EXPECT_TRUE(frame->setUpdatesDisabled(false));
    frame->setOpenFlag(false);
    frame->idle();
    EXPECT_TRUE(first->isDirty());
    frame->setOpenFlag(true);
    frame->idle();
    EXPECT_FALSE(first->isDirty());
}

TEST_F(Tree, DrawViewDrawsAChildOrTheWholeFrame) {
    frame->drawView(first);
    EXPECT_EQ(log, (std::vector<std::string>{"first:draw"}));
    log.clear();
    Ref<ProbeView> stranger(new ProbeView(CRect(0, 0, 4, 4), &log, nullptr, "stranger"));
    frame->drawView(stranger.get());
    EXPECT_EQ(log, (std::vector<std::string>{"first:draw", "second:draw"}));
}

TEST_F(Tree, InvalidateMarksOverlappingChildren) {
    frame->draw(window.get());
    frame->invalidate(CRect(30, 30, 35, 35));
    EXPECT_FALSE(first->isDirty());
    EXPECT_TRUE(second->isDirty());
    EXPECT_TRUE(frame->isDirty());
}

TEST_F(Tree, ABackBufferThatCannotBeMadeLeavesUpdatesDrawingStraightThrough) {
    Ref<CFrame> huge(new CFrame(CRect(0, 0, 100000, 100000), nullptr, nullptr));
    auto* view = new ProbeView(CRect(2, 2, 10, 10), &log, nullptr, "inside");
    view->fill = &kRedCColor;
    huge->addView(view);
    EXPECT_EQ(huge->getBackBuffer(), nullptr);
    huge->drawRect(window.get(), CRect(0, 0, 20, 20));
    view->setDirty();
    huge->update(window.get());
    EXPECT_FALSE(view->isDirty());
    EXPECT_TRUE(sameColor(pixelAt(window.get(), 5, 5), kRedCColor));
    huge->update(nullptr); // neither buffer nor context: nothing to draw on
}

TEST_F(Tree, AnyClickClearsTheFocusView) {
    second->setWantsFocus(true);
    frame->setFocusView(second);
    EXPECT_TRUE(second->isDirty());
    CPoint nowhere(60, 2);
    frame->mouse(window.get(), nowhere, kLButton);
    EXPECT_EQ(frame->getFocusView(), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"second:loseFocus"}));
}

TEST_F(Tree, TabAndShiftTabWalkTheViewsThatWantFocus) {
    CKeyCode tab{0, 2, 0};
    CKeyCode shiftTab{0, 2, 1};
    EXPECT_EQ(frame->onKeyDown(tab), -1);
    first->setWantsFocus(true);
    second->setWantsFocus(true);
    EXPECT_EQ(frame->onKeyDown(tab), 1);
    EXPECT_EQ(frame->getFocusView(), first);
    EXPECT_EQ(frame->onKeyDown(tab), 1);
    EXPECT_EQ(frame->getFocusView(), second);
    EXPECT_EQ(frame->onKeyDown(shiftTab), 1);
    EXPECT_EQ(frame->getFocusView(), first);
    EXPECT_EQ(frame->onKeyDown(shiftTab), -1);
    EXPECT_EQ(frame->getFocusView(), nullptr);
}

TEST_F(Tree, KeysGoToTheFocusViewThenTheModalView) {
    CKeyCode key{'a', 0, 0};
    EXPECT_EQ(frame->onKeyDown(key), -1);
    first->keyAnswer = 1;
    frame->setFocusView(first);
    EXPECT_EQ(frame->onKeyDown(key), 1);
    EXPECT_EQ(frame->onKeyUp(key), -1);
    EXPECT_EQ(log, (std::vector<std::string>{"first:key"}));
}

TEST_F(Tree, AModalViewTakesClicksInsideItAndEveryWheel) {
    auto* modal = new ProbeView(CRect(40, 0, 60, 10), &log, nullptr, "modal");
    EXPECT_TRUE(frame->setModalView(modal));
    EXPECT_FALSE(frame->setModalView(first));
    CPoint outside(8, 8);
    frame->mouse(window.get(), outside, kLButton);
    EXPECT_TRUE(log.empty());
    CPoint inside(50, 5);
    frame->mouse(window.get(), inside, kLButton);
    EXPECT_TRUE(frame->onWheel(window.get(), CPoint(8, 8), 2.0f));
    EXPECT_EQ(log, (std::vector<std::string>{"modal:mouse", "modal:wheel"}));
    first->setWantsFocus(true);
    CKeyCode tab{0, 2, 0};
    EXPECT_EQ(frame->onKeyDown(tab), -1);
    EXPECT_TRUE(frame->setModalView(nullptr));
    EXPECT_FALSE(frame->isChild(modal));
    modal->forget();
}

TEST_F(Tree, TheWheelGoesToTheViewUnderThePointerInItsCoordinates) {
    Ref<CViewContainer> box(new CViewContainer(CRect(40, 20, 64, 48)));
    frame->addView(box.get());
    auto* inner = new ProbeView(CRect(2, 2, 10, 10), &log, nullptr, "inner");
    box->addView(inner);
    EXPECT_TRUE(frame->onWheel(window.get(), CPoint(44, 24), 1.0f));
    EXPECT_EQ(inner->lastWhere, CPoint(4, 4));
    EXPECT_EQ(inner->lastDistance, 1.0f);
    EXPECT_FALSE(frame->onWheel(window.get(), CPoint(60, 2), 1.0f));
    EXPECT_EQ(frame->getViewAt(CPoint(44, 24), true), inner);
    EXPECT_EQ(frame->getViewAt(CPoint(44, 24), false), box.get());
    CPoint point(44, 24);
    EXPECT_EQ(inner->frameToLocal(point), CPoint(4, 24 - 20));
    EXPECT_EQ(inner->localToFrame(point), CPoint(44, 24));
    frame->removeView(box.get(), false);
}

TEST_F(Tree, DragsEnterMoveLeaveAndDropOnTheViewsUnderThePointer) {
    frame->onDragEnter(window.get(), nullptr, CPoint(8, 8));
    frame->onDragMove(window.get(), nullptr, CPoint(9, 9));
    frame->onDragMove(window.get(), nullptr, CPoint(30, 30));
    EXPECT_TRUE(frame->onDrop(window.get(), nullptr, CPoint(30, 30)));
    frame->onDragEnter(window.get(), nullptr, CPoint(8, 8));
    frame->onDragLeave(window.get(), nullptr, CPoint(8, 8));
    EXPECT_FALSE(frame->onDrop(window.get(), nullptr, CPoint(60, 2)));
    EXPECT_EQ(log, (std::vector<std::string>{"first:enter", "first:move", "first:leave",
                                             "second:enter", "second:drop", "second:leave",
                                             "first:enter", "first:leave"}));
}

TEST(Containers, ChildrenOutsideTheAreaDoNotMakeAContainerDirty) {
    Ref<CViewContainer> box(new CViewContainer(CRect(10, 10, 30, 30)));
    EXPECT_TRUE(box->isDirty());
    box->setDirty(false);
    auto* outside = new CView(CRect(20, 0, 30, 10)); // right of the box's 20 x 20 area
    box->addView(outside);
    EXPECT_TRUE(outside->isDirty());
    EXPECT_FALSE(box->isDirty());
    CRect partly(19, 19, 30, 30);
    outside->setViewSize(partly);
    EXPECT_TRUE(box->isDirty());
}

} // namespace
