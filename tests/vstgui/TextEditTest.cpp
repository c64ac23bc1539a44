// The text edit without a window: its text, what it shows, and the edit
// that a click begins. The entry field itself is tested in a window, by the
// backends' own tests and by the real-window test.
#include "tests/support/ControlRecorder.h"

#include "vstgui/CTextEdit.h"
#include "vstgui/WindowEvents.h"

#include <cstring>
#include <string>

namespace {

using namespace guitest;

class TextEdit : public ControlFixture {
protected:
    std::string textOf() const {
        char text[kControlTextSize];
        edit->getText(text);
        return text;
    }

    CTextEdit* edit = add(new CTextEdit(CRect(10, 10, 90, 30), &recorder, 10));
};

TEST_F(TextEdit, SetTextMarksItDirtyOnlyWhenTheTextChanges) {
    edit->setText("Warm");
    edit->setDirty(false);
    edit->setText("Warm");
    EXPECT_FALSE(edit->isDirty());
    edit->setText("warm");
    EXPECT_TRUE(edit->isDirty()) << "letter case counts";
    edit->setDirty(false);
    edit->setText(nullptr);
    EXPECT_TRUE(edit->isDirty());
    EXPECT_EQ(textOf(), "");
    edit->setDirty(false);
    edit->setText(nullptr);
    EXPECT_FALSE(edit->isDirty());
    // Long texts keep their first 255 characters; a small buffer gets what fits.
    edit->setText(std::string(300, 'x').c_str());
    EXPECT_EQ(textOf(), std::string(255, 'x'));
    char small[4];
    edit->getText(small, sizeof small);
    EXPECT_STREQ(small, "xxx");
    EXPECT_TRUE(edit->isTypeOf("CTextEdit"));
    EXPECT_TRUE(edit->isTypeOf("CParamDisplay"));
    EXPECT_TRUE(edit->wantsFocus());
}

void shout(char* input, char* output) {
    std::strcpy(output, input);
    for (char* c = output; *c != 0; ++c)
        *c = static_cast<char>(*c - ('a' - 'A') * (*c >= 'a' && *c <= 'z'));
}
void gainText(float value, char* text) {
    std::strcpy(text, value > 0.4f ? "12.5" : "0.0");
}

TEST_F(TextEdit, TheDisplaysConvertersReplaceTheTextAndItsOwnOnlyShowIt) {
    Ref<COffscreenContext> screen(new COffscreenContext(frame.get(), 100, 40));
    edit->setText("calm");
    edit->setTextEditConvert(shout);
    edit->draw(screen.get());
    EXPECT_EQ(textOf(), "calm");
    EXPECT_FALSE(edit->isDirty());
    edit->setTextEditConvert(static_cast<TextToText>(nullptr));
    edit->setStringConvert(gainText);
    edit->setValue(0.5f);
    edit->draw(screen.get());
    EXPECT_EQ(textOf(), "12.5");
}

TEST_F(TextEdit, AClickBeginsAnEditThatTheLossOfFocusEndsOnce) {
    press(ScriptedMouse::click(CPoint(50, 20)));
    EXPECT_EQ(recorder.sequence(), "begin");
    EXPECT_EQ(frame->getFocusView(), edit);
    EXPECT_FALSE(edit->isEditing()) << "no window, no entry field";
    EXPECT_EQ(windowEvents::editFieldColours(frame.get(), nullptr), nullptr);
    // Any click clears the focus and so ends the edit.
    press(ScriptedMouse::click(CPoint(150, 150)));
    EXPECT_EQ(recorder.sequence(), "begin end");
    EXPECT_EQ(frame->getFocusView(), nullptr);
    edit->loseFocus();
    EXPECT_EQ(recorder.sequence(), "begin end");
    // Only the left button opens it, and a listener may take a modified click.
    recorder.clear();
    press(ScriptedMouse::click(CPoint(50, 20), kRButton));
    recorder.modifierAnswer = 1;
    press(ScriptedMouse::click(CPoint(50, 20), kLButton | kShift));
    EXPECT_EQ(recorder.sequence(), "modifier");
}

TEST_F(TextEdit, TheDoubleClickStyleOpensOnTheSecondOfTwoQuickClicks) {
    edit->setStyle(kDoubleClickStyle);
    press(ScriptedMouse::click(CPoint(50, 20)));
    EXPECT_EQ(recorder.sequence(), "");
    press(ScriptedMouse::click(CPoint(50, 20)));
    EXPECT_EQ(recorder.sequence(), "begin");
}

} // namespace
