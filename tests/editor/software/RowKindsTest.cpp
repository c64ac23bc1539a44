// The row kinds that this plug-in's own table does not use, laid out by the
// editor from rows given to it: the control each kind makes and where, and the
// values moving both ways between those controls and the parameters.
#include "tests/support/GuiTestSupport.h"
#include "tests/support/ScriptedMouse.h"

#include "core/Brelto.h"
#include "editor/GUIEditor.h"
#include "vstgui/CFrame.h"
#include "vstgui/CTextEdit.h"
#include "vstgui/VirtualKeys.h"
#include "vstgui/software/SoftwareSystem.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace guitest;

constexpr std::int32_t kLampId = 257;      // 16 x 32: two states of 16 x 16
constexpr std::int32_t kKnobStripId = 266; // 40 x 4040: frames of 40 x 40
constexpr int kSliderRow = kMeterI0;
constexpr int kKickRow = kMeterI1;
constexpr int kEntryRow = kMeterR;
constexpr int kHorizontalRow = kMeterO0;
constexpr int kVerticalRow = kMeterO1;

// The plug-in with its entered texts in view.
class TextRecordingBrelto : public Brelto {
public:
    TextRecordingBrelto() : Brelto(nullptr) {}
    void onTextEdited(int index, const char* text) override { texts.emplace_back(index, text); }
    std::vector<std::pair<int, std::string>> texts;
};

void setRow(ParamRow& row, std::int32_t type, CRect at, std::int32_t bitmapId) {
    row.type = type;
    row.x = at.left;
    row.y = at.top;
    row.width = at.width();
    row.height = at.height();
    row.bitmapId = bitmapId;
}

class RowKinds : public ::testing::Test {
protected:
    RowKinds() {
        ParamRow* rows = core->paramRows();
        setRow(rows[kSliderRow], kVerticalSlider, CRect(100, 20, 116, 80), 0);
        rows[kSliderRow].handleBitmapId = kLampId;
        rows[kSliderRow].defaultValue = 0.5f;
        // Width and height of a kick button come from its image.
        setRow(rows[kKickRow], kKickButton, CRect(130, 20, 130, 20), kLampId);
        // A row may count its width and height backwards.
        setRow(rows[kEntryRow], kTextEntry, CRect(210, 36, 150, 20), 0);
        rows[kEntryRow].initialText = "old";
        setRow(rows[kHorizontalRow], kHorizontalSwitch, CRect(220, 60, 260, 100), kKnobStripId);
        setRow(rows[kVerticalRow], kVerticalSwitch, CRect(280, 60, 320, 100), kKnobStripId);
        for (int row : {kHorizontalRow, kVerticalRow})
            rows[row].frameHeight = 40;
        rows[kHorizontalRow].positions = 5;
        rows[kVerticalRow].positions = 1;
        editor->open(hostWindow);
    }
    ~RowKinds() override {
        core.reset();
        software::destroyHostWindow(hostWindow);
    }

    CControl* control(int row) const { return editor->controlOf(row); }
    CFrame* frame() const { return control(kOutCeil)->getParentFrame(); }
    CRect rectOf(int row) const {
        CRect size;
        return control(row)->getViewSize(size);
    }

    native::Handle hostWindow = software::createHostWindow(0, 0, 432, 172);
    std::unique_ptr<TextRecordingBrelto> core = std::make_unique<TextRecordingBrelto>();
    GUIEditor* editor = new GUIEditor(core.get()); // owned by the plug-in
    ScriptedMouse mouse;
};

TEST_F(RowKinds, EachKindMakesItsControlAtItsRectangle) {
    const struct {
        int row;
        const char* kind;
        CRect rect;
    } expected[] = {
        {kSliderRow, "CVerticalSlider", CRect(100, 20, 116, 80)},
        {kKickRow, "CKickButton", CRect(130, 20, 146, 36)},
        {kEntryRow, "CTextEdit", CRect(150, 20, 210, 36)},
        {kHorizontalRow, "CHorizontalSwitch", CRect(220, 60, 260, 100)},
        {kVerticalRow, "CVerticalSwitch", CRect(280, 60, 320, 100)},
    };
    for (const auto& want : expected) {
        ASSERT_NE(control(want.row), nullptr) << want.kind;
        EXPECT_TRUE(control(want.row)->isTypeOf(want.kind)) << want.kind;
        EXPECT_EQ(rectOf(want.row), want.rect) << want.kind;
        EXPECT_EQ(control(want.row)->getTag(), want.row);
        EXPECT_EQ(control(want.row)->getParentFrame(), frame());
    }
    EXPECT_EQ(control(kSliderRow)->getDefaultValue(), 0.5f);
    char text[kControlTextSize];
    static_cast<CTextEdit*>(control(kEntryRow))->getText(text);
    EXPECT_STREQ(text, "old");
    // One notch moves a switch one position; a switch of one position keeps
    // the toolkit's step, like a slider.
    EXPECT_EQ(control(kHorizontalRow)->getWheelInc(), 0.25f);
    EXPECT_EQ(control(kVerticalRow)->getWheelInc(), control(kSliderRow)->getWheelInc());
    // Rows of no known kind get no control.
    core->paramRows()[kGain].type = 3;
    editor->open(hostWindow);
    EXPECT_EQ(control(kGain), nullptr);
    EXPECT_NE(control(kOutCeil), nullptr);
}

// A slider without an image of its own shows the face behind it along its
// track, and its handle (the lamp, 16 x 32) travels from the top of the
// slider to one pixel short of its bottom.
TEST_F(RowKinds, ASliderWithoutItsOwnImageShowsTheFaceUnderItsHandle) {
    const CRect slider = rectOf(kSliderRow);
    const int handleHeight = 32;
    Ref<COffscreenContext> face(new COffscreenContext(frame(), 432, 172));
    Ref<CBitmap>(new CBitmap(GUIEditor::kBackgroundId))->draw(face.get(), CRect(0, 0, 432, 172));
    std::vector<int> firstHandleRows;
    for (float value : {0.0f, 1.0f}) {
        control(kSliderRow)->setValue(value);
        Ref<COffscreenContext> screen(new COffscreenContext(frame(), 432, 172));
        control(kSliderRow)->draw(screen.get());
        int faceRows = 0, firstHandleRow = -1;
        for (int y = slider.top; y < slider.bottom; ++y) {
            bool likeFace = true;
            for (int x = slider.left; x < slider.right; ++x)
                likeFace = likeFace && pixelAt(screen.get(), x, y) == pixelAt(face.get(), x, y);
            if (likeFace)
                ++faceRows;
            else if (firstHandleRow < 0)
                firstHandleRow = y;
        }
        EXPECT_GE(faceRows, slider.height() - handleHeight) << value;
        firstHandleRows.push_back(firstHandleRow);
    }
    ASSERT_GE(firstHandleRows[0], 0);
    ASSERT_GE(firstHandleRows[1], 0);
    EXPECT_EQ(std::abs(firstHandleRows[0] - firstHandleRows[1]),
              slider.height() - handleHeight - 1);
}

TEST_F(RowKinds, HostChangesReachSlidersAndSwitchesButNotKickButtonsOrEntries) {
    const float before[] = {control(kKickRow)->getValue(), control(kEntryRow)->getValue()};
    for (int row : {kSliderRow, kKickRow, kEntryRow, kHorizontalRow, kVerticalRow})
        core->setParameter(row, 0.75f);
    editor->idle();
    EXPECT_EQ(control(kSliderRow)->getValue(), 0.75f);
    EXPECT_EQ(control(kHorizontalRow)->getValue(), 0.75f);
    EXPECT_EQ(control(kVerticalRow)->getValue(), 0.75f);
    EXPECT_EQ(control(kKickRow)->getValue(), before[0]);
    EXPECT_EQ(control(kEntryRow)->getValue(), before[1]);
}

TEST_F(RowKinds, MovedControlsSetTheirParameters) {
    for (int row : {kSliderRow, kKickRow, kHorizontalRow, kVerticalRow}) {
        control(row)->setValue(0.25f);
        editor->valueChanged(nullptr, control(row));
        EXPECT_EQ(core->getParameter(row), 0.25f) << row;
    }
    Ref<CDrawContext> context(frame()->createDrawContext());
    EXPECT_TRUE(control(kHorizontalRow)->onWheel(context.get(), CPoint(240, 80), 1.0f));
    EXPECT_EQ(core->getParameter(kHorizontalRow), 0.5f);
}

TEST_F(RowKinds, ATextEntryHandsItsTextToTheCoreOnce) {
    const float value = core->getParameter(kEntryRow);
    const CPoint at(180, 28);
    mouse.play(ScriptedMouse::click(at));
    software::pressButton(frame()->getNativeWindow(), at, kLButton);
    auto* entry = static_cast<CTextEdit*>(control(kEntryRow));
    ASSERT_TRUE(entry->isEditing());
    for (char c : std::string("42")) {
        VstKeyCode key{c, 0, 0};
        editor->onKeyDown(key);
    }
    VstKeyCode enter{0, kVirtualKeyReturn, 0};
    EXPECT_TRUE(editor->onKeyDown(enter));
    ASSERT_EQ(core->texts.size(), 1u);
    EXPECT_EQ(core->texts[0].first, kEntryRow);
    EXPECT_EQ(core->texts[0].second, "42");
    EXPECT_EQ(core->getParameter(kEntryRow), value) << "an entry is no parameter change";
}

} // namespace
