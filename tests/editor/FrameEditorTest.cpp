// The frame and its editor: edits, idle work and resizing reach the host
// through the editor base, and the host's keys reach the frame.
#include "tests/support/GuiTestSupport.h"

#include "editor/AEffGUIEditor.h"
#include "host/AudioEffectX.h"
#include "tools/pluginhost/RecordingHost.h"

namespace {

using namespace guitest;

class QuietEffect : public AudioEffectX {
public:
    QuietEffect() : AudioEffectX(RecordingHost::callback, 1, 1) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

// An editor base showing a frame made by the test.
class FramedEditor : public AEffGUIEditor {
public:
    using AEffGUIEditor::AEffGUIEditor;
    void show(CFrame* shown) { frame = shown; }
};

class FrameEditor : public ::testing::Test {
protected:
    RecordingHost host;
    QuietEffect effect;
    AEffGUIEditor editor{&effect};
    Ref<CFrame> frame{new CFrame(CRect(0, 0, 100, 50), nullptr, &editor)};
};

TEST_F(FrameEditor, EditsAreForwardedToTheHost) {
    frame->beginEdit(3);
    frame->endEdit(3);
    ASSERT_EQ(host.callsOf(audioMasterBeginEdit).size(), 1u);
    EXPECT_EQ(host.callsOf(audioMasterBeginEdit)[0].index, 3);
    ASSERT_EQ(host.callsOf(audioMasterEndEdit).size(), 1u);
    EXPECT_EQ(host.callsOf(audioMasterEndEdit)[0].index, 3);
    EXPECT_EQ(frame->getEditor(), &editor);
    Ref<CView> view(new CView(CRect(0, 0, 1, 1)));
    EXPECT_EQ(view->getEditor(), nullptr);
}

TEST_F(FrameEditor, TheHostIsAskedToResizeFirst) {
    host.canSizeWindow = true;
    host.sizeWindowAnswer = true;
    EXPECT_TRUE(frame->setSize(200, 80));
    ASSERT_EQ(host.callsOf(audioMasterCanDo).size(), 1u);
    EXPECT_EQ(host.callsOf(audioMasterCanDo)[0].text, "sizeWindow");
    ASSERT_EQ(host.callsOf(audioMasterSizeWindow).size(), 1u);
    EXPECT_EQ(host.callsOf(audioMasterSizeWindow)[0].index, 200);
    EXPECT_EQ(host.callsOf(audioMasterSizeWindow)[0].value, 80);
    CRect size;
    EXPECT_EQ(frame->getViewSize(size), CRect(0, 0, 200, 80));
    EXPECT_FALSE(frame->setSize(200, 80));
}

TEST_F(FrameEditor, AHostThatCannotResizeLeavesTheFrameToGrowItself) {
    host.canSizeWindow = true;
    CRect wanted(0, 0, 120, 60);
    frame->setViewSize(wanted);
    EXPECT_EQ(host.callsOf(audioMasterSizeWindow).size(), 1u);
    CRect size;
    EXPECT_EQ(frame->getViewSize(size), wanted);
    EXPECT_TRUE(frame->isDirty());
    frame->setOpenFlag(false);
    EXPECT_FALSE(frame->setSize(10, 10));
    EXPECT_FALSE(frame->getSize(size));
    std::int32_t x = 0, y = 0;
    EXPECT_FALSE(frame->getPosition(x, y));
}

TEST_F(FrameEditor, IdleWorkDuringAGestureRunsAboutEveryHundredMilliseconds) {
    frame->doIdleStuff();
    frame->doIdleStuff(); // too early: sleeps a moment and returns
    EXPECT_EQ(host.callsOf(audioMasterIdle).size(), 1u);
}

TEST_F(FrameEditor, KnobModeIsOneSettingForTheProcess) {
    const VstInt32 before = editor.getKnobMode();
    AEffGUIEditor other(&effect);
    EXPECT_TRUE(other.setKnobMode(2));
    EXPECT_EQ(frame->getKnobMode(), 2);
    editor.setKnobMode(before);
    EXPECT_EQ(frame->getKnobMode(), before);
    Ref<CFrame> alone(new CFrame(CRect(0, 0, 1, 1), nullptr, nullptr));
    EXPECT_EQ(alone->getKnobMode(), 0);
}

TEST_F(FrameEditor, HostKeysReachTheFrameFieldByField) {
    FramedEditor keyed(&effect);
    VstKeyCode key{'q', 13, MODIFIER_SHIFT | MODIFIER_CONTROL};
    EXPECT_FALSE(keyed.onKeyDown(key)); // no frame
    auto* probe = new ProbeView(CRect(0, 0, 10, 10));
    probe->keyAnswer = 1;
    frame->addView(probe);
    frame->setFocusView(probe);
    keyed.show(frame.get());
    EXPECT_TRUE(keyed.onKeyDown(key));
    EXPECT_EQ(probe->lastKey.character, 'q');
    EXPECT_EQ(probe->lastKey.virt, 13);
    EXPECT_EQ(probe->lastKey.modifier, MODIFIER_SHIFT | MODIFIER_CONTROL);
    probe->keyAnswer = 0; // only an answer of 1 tells the host the key was used
    EXPECT_FALSE(keyed.onKeyDown(key));
    EXPECT_FALSE(keyed.onKeyUp(key));
    keyed.show(nullptr);
}

TEST_F(FrameEditor, TicksComeFromTheSystemOnlyWithAnEditor) {
    Ref<CFrame> alone(new CFrame(CRect(0, 0, 1, 1), nullptr, nullptr));
    EXPECT_EQ(alone->getTicks(), 0u);
    EXPECT_FALSE(alone->open());
    EXPECT_FALSE(alone->close());
    EXPECT_FALSE(alone->setPosition(1, 1));
    // A frame without a window cannot take drops.
    EXPECT_TRUE(alone->setDropActive(false));
    EXPECT_FALSE(alone->setDropActive(true));
    EXPECT_FALSE(alone->isDropActive());
}

} // namespace
