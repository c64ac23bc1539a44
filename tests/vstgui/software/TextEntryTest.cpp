// The text edit's entry field on the software backend: opened by a click in
// a window, fed with the keys typed into the frame, drawn by the toolkit,
// and ended by Return, by a click elsewhere or by the frame going.
#include "tests/support/ControlRecorder.h"
#include "tests/support/ObjectCounts.h"

#include "vstgui/CButtons.h"
#include "vstgui/CTextEdit.h"
#include "vstgui/VirtualKeys.h"
#include "vstgui/WindowEvents.h"
#include "vstgui/software/SoftwareSystem.h"

#include <string>

namespace {

using namespace guitest;

constexpr CColor kEditText = {200, 180, 180, 255};
constexpr CColor kSelection = {0, 120, 215, 255};

class TextEntry : public ::testing::Test {
protected:
    TextEntry() {
        edit->setText("old");
        edit->setFontColor(kEditText);
        edit->setBackColor(kBlackCColor);
        frame->addView(edit);
        frame->addView(button);
        // The first paint, after which idle passes draw.
        software::invalidate(frame->getNativeWindow(), CRect(0, 0, 200, 100));
        software::paint(frame->getNativeWindow());
    }
    ~TextEntry() override {
        if (frame != nullptr) frame->forget();
        software::destroyHostWindow(host);
    }

    void click(CPoint at) {
        mouse.play(ScriptedMouse::click(at));
        software::pressButton(frame->getNativeWindow(), at, kLButton);
    }
    std::int32_t key(std::int32_t character, unsigned char virtualKey = 0) {
        CKeyCode code{character, virtualKey, 0};
        return frame->onKeyDown(code);
    }
    void type(const char* text) {
        for (const char* c = text; *c != 0; ++c)
            EXPECT_EQ(key(*c), 1) << *c;
    }
    std::string textOf() const {
        char text[kControlTextSize];
        edit->getText(text);
        return text;
    }
    CColor shown(CPoint at) {
        frame->idle();
        native::Handle surface = native::windowSurface(frame->getNativeWindow());
        const CColor color = surfacePixel(surface, at);
        native::releaseWindowSurface(frame->getNativeWindow(), surface);
        return color;
    }

    ControlRecorder recorder;
    ScriptedMouse mouse;
    native::Handle host = software::createHostWindow(100, 50, 200, 100);
    CFrame* frame = new CFrame(CRect(0, 0, 200, 100), host, &recorder);
    CTextEdit* edit = new CTextEdit(CRect(10, 10, 110, 30), &recorder, 10);
    COnOffButton* button = new COnOffButton(CRect(150, 60, 170, 80), nullptr, 1, nullptr);
};

TEST_F(TextEntry, AClickOpensTheFieldAndReturnReportsTheTypedTextOnce) {
    click(CPoint(50, 20));
    ASSERT_TRUE(edit->isEditing());
    EXPECT_EQ(recorder.sequence(), "begin");
    type("42");
    EXPECT_EQ(recorder.sequence(), "begin") << "nothing is reported while typing";
    EXPECT_EQ(textOf(), "old");
    EXPECT_EQ(key(0, kVirtualKeyReturn), 1);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_TRUE(edit->wasEndedByReturn());
    EXPECT_EQ(textOf(), "42") << "the whole text was selected, so typing replaced it";
    EXPECT_EQ(recorder.sequence(), "begin end value");
    EXPECT_EQ(frame->getFocusView(), nullptr);
    EXPECT_EQ(key('x'), -1) << "no field, no typing";
}

TEST_F(TextEntry, AnEntryThatChangesNothingTellsNoOne) {
    click(CPoint(50, 20));
    key(0, kVirtualKeyEnter);
    EXPECT_EQ(recorder.sequence(), "begin end");
    EXPECT_EQ(textOf(), "old");
}

TEST_F(TextEntry, AClickElsewhereEndsTheEntryAsReturnDoes) {
    click(CPoint(50, 20));
    type("7");
    click(CPoint(160, 70));
    EXPECT_FALSE(edit->isEditing());
    EXPECT_FALSE(edit->wasEndedByReturn());
    EXPECT_EQ(textOf(), "7");
    EXPECT_EQ(recorder.sequence(), "begin end value");
    EXPECT_EQ(button->getValue(), 1.0f) << "and the click goes on to what it hit";
}

TEST_F(TextEntry, TheFrameGoingEndsAnEntryInProgress) {
    click(CPoint(50, 20));
    type("9");
    frame->forget();
    frame = nullptr;
    EXPECT_EQ(recorder.sequence(), "begin end value");
}

TEST_F(TextEntry, KeysEditTheTextAroundTheCaret) {
    click(CPoint(50, 20));
    EXPECT_EQ(key(0, kVirtualKeyLeft), 1); // the selection collapses to the start
    type("ab");
    key(0, kVirtualKeyEnd);
    key(0, kVirtualKeyBack);
    key(0, kVirtualKeyHome);
    key(0, kVirtualKeyRight);
    key(0, kVirtualKeyDelete);
    type("Z");
    EXPECT_EQ(key(0, kVirtualKeyUp), -1);
    EXPECT_EQ(key(27, kVirtualKeyEscape), -1);
    key(0, kVirtualKeyReturn);
    EXPECT_EQ(textOf(), "aZol");
    // Backspace on the selected text clears it; the field takes 255 characters.
    click(CPoint(50, 20));
    key(8, kVirtualKeyBack);
    for (int i = 0; i < 300; ++i)
        key('q');
    key(0, kVirtualKeyReturn);
    EXPECT_EQ(textOf(), std::string(254, 'q')) << "and 254 of them are read back";
}

TEST_F(TextEntry, TheToolkitDrawsTheFieldWithItsSelectionThenItsCaret) {
    click(CPoint(50, 20));
    int selected = 0;
    for (int x = 11; x < 110; ++x)
        selected += sameColor(shown(CPoint(x, 20)), kSelection) ? 1 : 0;
    EXPECT_GT(selected, 5) << "the whole text is selected at first";
    type("1");
    int highlighted = 0, lit = 0;
    for (int x = 11; x < 110; ++x) {
        const CColor pixel = shown(CPoint(x, 20));
        highlighted += sameColor(pixel, kSelection) ? 1 : 0;
        lit += pixel.red > 100 ? 1 : 0;
    }
    EXPECT_EQ(highlighted, 0);
    EXPECT_GT(lit, 0) << "the text and the caret";
    key(0, kVirtualKeyReturn);
    EXPECT_FALSE(sameColor(shown(CPoint(12, 20)), kSelection));
}

TEST_F(TextEntry, TheFieldAsksTheEditForItsColours) {
    native::Handle surface = native::windowSurface(frame->getNativeWindow());
    EXPECT_EQ(windowEvents::editFieldColours(frame, surface), nullptr);
    click(CPoint(50, 20));
    const int brushes = objectCounts().brushes;
    EXPECT_NE(windowEvents::editFieldColours(frame, surface), nullptr);
    EXPECT_NE(windowEvents::editFieldColours(frame, surface), nullptr);
    EXPECT_EQ(objectCounts().brushes, brushes + 2) << "a new brush each time";
    native::releaseWindowSurface(frame->getNativeWindow(), surface);
}

} // namespace
