// The editor of the real plug-in object: its size before any open, the
// controls it lays out from the parameter rows, and the values moving
// between controls, parameters, the host and the meters.
#include "EditorFixture.h"

#include "core/SynthCore.h"
#include "editor/CMyAnimKnob.h"
#include "vstgui/CFrame.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>

namespace {

using namespace guitest;

struct Layout {
    int row;
    CRect rect;
    const char* kind;
};

// Where each row's control sits, and what it is.
const Layout kLayout[] = {
    {kOutCeil, CRect(288, 120, 328, 160), "CAnimKnob"},
    {kGain, CRect(24, 120, 64, 160), "CAnimKnob"},
    {kRelease, CRect(156, 120, 196, 160), "CAnimKnob"},
    {kStereo, CRect(24, 40, 40, 56), "COnOffButton"},
    {kIsp, CRect(24, 80, 40, 96), "COnOffButton"},
    {kMeterI0, CRect(216, 40, 376, 48), "CAnimKnob"},
    {kMeterI1, CRect(216, 48, 376, 56), "CAnimKnob"},
    {kMeterR, CRect(216, 60, 376, 68), "CAnimKnob"},
    {kMeterO0, CRect(216, 72, 376, 80), "CAnimKnob"},
    {kMeterO1, CRect(216, 80, 376, 88), "CAnimKnob"},
    {10, CRect(69, 118, 101, 132), "CParamDisplay"},
    {11, CRect(201, 118, 233, 132), "CParamDisplay"},
    {12, CRect(333, 118, 365, 132), "CParamDisplay"},
};

TEST_F(EditorTest, SizeIsKnownBeforeTheFirstOpenAndIdleWhileClosedDrawsNothing) {
    EXPECT_EQ(plugin.effect->flags, 0x31);
    ERect* rect = nullptr;
    ASSERT_EQ(plugin.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 172);
    EXPECT_EQ(rect->right, 432);
    plugin.idle();
    EXPECT_FALSE(plugin.editor()->isOpened());
    EXPECT_EQ(plugin.control(kGain), nullptr);
    EXPECT_EQ(AEffGUIEditor::processKnobMode(), kLinearMode);
}

TEST_F(EditorTest, OpenLaysOutOneControlPerRowShowingTheCurrentValues) {
    plugin.setParameter(kGain, 0.4f);
    plugin.setParameter(kStereo, 0.0f);
    plugin.open();
    for (const Layout& expected : kLayout) {
        SCOPED_TRACE(expected.row);
        CControl* control = plugin.control(expected.row);
        ASSERT_NE(control, nullptr);
        CRect size;
        EXPECT_EQ(control->getViewSize(size), expected.rect);
        EXPECT_TRUE(control->isTypeOf(expected.kind));
        EXPECT_EQ(control->getParentFrame(), plugin.frame());
    }
    EXPECT_FLOAT_EQ(plugin.control(kGain)->getValue(), 0.4f);
    EXPECT_FLOAT_EQ(plugin.control(10)->getValue(), 0.4f); // "_Gain" shows its partner
    EXPECT_FLOAT_EQ(plugin.control(12)->getValue(), plugin.parameter(kOutCeil));
    EXPECT_EQ(plugin.control(kStereo)->getValue(), 0.0f);
    EXPECT_EQ(plugin.control(kOutCeil)->getDefaultValue(), 1.0f);
    EXPECT_EQ(plugin.control(kRelease)->getDefaultValue(), 0.25f);
    EXPECT_EQ(plugin.control(kGain)->getWheelInc(), 0.05f);
    auto* knob = static_cast<CMyAnimKnob*>(plugin.control(kGain));
    EXPECT_EQ(knob->getStartAngle(), static_cast<float>(-135 * 0.0174532925));
    EXPECT_EQ(knob->getRangeAngle(), static_cast<float>(-270 * 0.0174532925));
    EXPECT_EQ(knob->getZoomFactor(), 5.0f);
    EXPECT_TRUE(plugin.control(kMeterR)->getMouseEnabled());
    EXPECT_FALSE(plugin.control(kMeterR)->isTypeOf("CMyAnimKnob"));
}

TEST_F(EditorTest, ReopeningBuildsFreshControlsAndHostChangesWhileClosedMoveNone) {
    plugin.open();
    CControl* first = plugin.control(kGain);
    plugin.close();
    EXPECT_EQ(plugin.control(kGain), nullptr);
    EXPECT_EQ(plugin.editor()->controlOf(kGain), nullptr);
    plugin.setParameter(kGain, 0.7f);
    plugin.setParameter(kIsp, 0.0f);
    plugin.idle();
    plugin.open();
    ASSERT_NE(plugin.control(kGain), nullptr);
    EXPECT_EQ(plugin.control(kGain)->getValue(), 0.7f);
    EXPECT_EQ(plugin.control(10)->getValue(), 0.7f);
    EXPECT_EQ(plugin.control(kIsp)->getValue(), 0.0f);
    (void)first; // its memory may be reused by the new controls
    plugin.close();
}

TEST_F(EditorTest, GainDragAutomatesTheHostAndEchoesToItsDisplay) {
    plugin.open();
    const CPoint centre = plugin.centreOf(kGain);
    // 150 pixels up in linear mode: half the range.
    plugin.press(mouse, ScriptedMouse::drag(centre, {CPoint(centre.h, centre.v - 75),
                                                     CPoint(centre.h, centre.v - 150)}));
    ASSERT_EQ(host.callsOf(audioMasterBeginEdit).size(), 1u);
    EXPECT_EQ(host.callsOf(audioMasterBeginEdit)[0].index, kGain);
    ASSERT_EQ(host.callsOf(audioMasterEndEdit).size(), 1u);
    const std::vector<float> values = automated(kGain);
    ASSERT_GE(values.size(), 2u);
    for (std::size_t i = 1; i < values.size(); ++i)
        EXPECT_GE(values[i], values[i - 1]);
    EXPECT_NEAR(values.back(), 0.5f, 1e-5f);
    EXPECT_EQ(plugin.parameter(kGain), values.back());
    EXPECT_EQ(plugin.control(10)->getValue(), values.back());
    char text[16];
    gainDisplay(plugin.control(10)->getValue(), text);
    EXPECT_STREQ(text, "15.0");
}

TEST_F(EditorTest, CtrlClickRestoresTheDefaultAndALampClickTogglesStereo) {
    plugin.setParameter(kRelease, 0.8f);
    plugin.open();
    plugin.press(mouse, ScriptedMouse::click(plugin.centreOf(kRelease), kLButton | kControl));
    EXPECT_EQ(plugin.parameter(kRelease), 0.25f);
    EXPECT_EQ(plugin.control(11)->getValue(), 0.25f);
    ASSERT_EQ(automated(kRelease).size(), 1u);

    const float stereo = plugin.parameter(kStereo);
    plugin.press(mouse, ScriptedMouse::click(plugin.centreOf(kStereo)));
    EXPECT_EQ(plugin.parameter(kStereo), stereo == 0.0f ? 1.0f : 0.0f);
    EXPECT_EQ(automated(kStereo).size(), 1u);
}

TEST_F(EditorTest, HostAutomationAndMidiControllersMoveTheKnobs) {
    plugin.open();
    plugin.setParameter(kOutCeil, 0.3f);
    plugin.setParameter(kMeterR, 0.9f); // a meter follows only its reading
    plugin.idle();
    EXPECT_EQ(plugin.control(kOutCeil)->getValue(), 0.3f);
    EXPECT_EQ(plugin.control(12)->getValue(), 0.3f);
    EXPECT_EQ(plugin.control(kMeterR)->getValue(), 0.0f);

    VstMidiEvent controller{};
    controller.type = kVstMidiType;
    controller.byteSize = sizeof(controller);
    controller.midiData[0] = static_cast<char>(0xB0);
    controller.midiData[1] = 26; // Gain's default controller
    controller.midiData[2] = 127;
    VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<VstEvent*>(&controller);
    plugin.dispatch(effProcessEvents, 0, 0, &events);
    std::vector<float> silence(64, 0.0f);
    float* channels[2] = {silence.data(), silence.data()};
    plugin.effect->processReplacing(plugin.effect, channels, channels, 64);
    EXPECT_EQ(plugin.parameter(kGain), 1.0f);
    plugin.idle();
    EXPECT_EQ(plugin.control(kGain)->getValue(), 1.0f);
    EXPECT_EQ(plugin.control(10)->getValue(), 1.0f);
}

TEST_F(EditorTest, MetersFollowProcessedAudioAndADragIsPutBackByTheNextIdle) {
    plugin.open();
    constexpr int kFrames = 512;
    std::vector<float> left(kFrames), right(kFrames), outLeft(kFrames), outRight(kFrames);
    for (int i = 0; i < kFrames; ++i)
        left[i] = right[i] = 0.8f * std::sin(0.03f * i);
    float* inputs[2] = {left.data(), right.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};
    for (int block = 0; block < 20; ++block)
        plugin.effect->processReplacing(plugin.effect, inputs, outputs, kFrames);
    plugin.idle();
    auto* core = static_cast<SynthCore*>(static_cast<AudioEffect*>(plugin.effect->object));
    for (int meter = kMeterI0; meter <= kMeterO1; ++meter) {
        SCOPED_TRACE(meter);
        EXPECT_EQ(plugin.control(meter)->getValue(), core->paramRows()[meter].meterSource->load());
    }
    EXPECT_GT(plugin.control(kMeterI0)->getValue(), 0.5f);

    const float reading = plugin.control(kMeterO0)->getValue();
    const CPoint centre = plugin.centreOf(kMeterO0);
    plugin.press(mouse, ScriptedMouse::drag(centre, {CPoint(centre.h + 60, centre.v)}));
    ASSERT_FALSE(automated(kMeterO0).empty());
    EXPECT_NE(plugin.control(kMeterO0)->getValue(), reading);
    plugin.idle();
    EXPECT_EQ(plugin.control(kMeterO0)->getValue(), reading);
}

TEST_F(EditorTest, ControllersOnTheAudioThreadWhileTheEditorOpensIdlesAndCloses) {
    host.recordCalls = false; // the host's record is not for two threads
    std::atomic<bool> done{false};
    std::thread audio([&] {
        VstMidiEvent controller{};
        controller.type = kVstMidiType;
        controller.byteSize = sizeof(controller);
        controller.midiData[0] = static_cast<char>(0xB0);
        controller.midiData[1] = 26; // Gain
        VstEvents events{};
        events.numEvents = 1;
        events.events[0] = reinterpret_cast<VstEvent*>(&controller);
        std::vector<float> silence(64, 0.0f);
        float* channels[2] = {silence.data(), silence.data()};
        for (int step = 0; !done.load(); ++step) {
            controller.midiData[2] = static_cast<char>(step % 128);
            plugin.effect->dispatcher(plugin.effect, effProcessEvents, 0, 0, &events, 0.0f);
            plugin.effect->processReplacing(plugin.effect, channels, channels, 64);
        }
    });
    for (int cycle = 0; cycle < 5; ++cycle) {
        plugin.open();
        plugin.idle();
        plugin.close();
    }
    done.store(true);
    audio.join();
    plugin.open();
    EXPECT_EQ(plugin.control(kGain)->getValue(), plugin.parameter(kGain));
    EXPECT_EQ(plugin.control(10)->getValue(), plugin.parameter(kGain));
}

TEST_F(EditorTest, KnobModeFromTheHostReachesEveryEditorAndANewPluginMakesItLinear) {
    EditedPlugin other(host);
    plugin.open();
    other.open();
    EXPECT_EQ(other.dispatch(effSetEditKnobMode, 0, kCircularMode), 1);
    EXPECT_EQ(plugin.frame()->getKnobMode(), kCircularMode);
    EXPECT_EQ(other.frame()->getKnobMode(), kCircularMode);
    {
        EditedPlugin third(host);
        EXPECT_EQ(plugin.frame()->getKnobMode(), kLinearMode);
    }
    // The two editors keep their own controls and values.
    plugin.setParameter(kGain, 0.2f);
    other.setParameter(kGain, 0.9f);
    plugin.idle();
    other.idle();
    EXPECT_EQ(plugin.control(kGain)->getValue(), 0.2f);
    EXPECT_EQ(other.control(kGain)->getValue(), 0.9f);
    EXPECT_NE(plugin.control(kGain), other.control(kGain));
}

TEST_F(EditorTest, TheWheelTurnsTheControlUnderTheCursorOnlyWhileOpen) {
    EXPECT_FALSE(plugin.editor()->onWheel(1.0f));
    plugin.open();
    mouse.play({{plugin.centreOf(kRelease), 0}});
    mouse.buttons();
    const float before = plugin.parameter(kRelease);
    EXPECT_TRUE(plugin.editor()->onWheel(1.0f));
    EXPECT_NEAR(plugin.parameter(kRelease), before + 0.05f, 1e-6f);
}

TEST_F(EditorTest, AParentWindowThatDoesNotExistGivesAFrameWithoutWindow) {
    plugin.open(reinterpret_cast<void*>(std::uintptr_t{0x3a00007}));
    ASSERT_NE(plugin.control(kGain), nullptr);
    EXPECT_EQ(plugin.frame()->getNativeWindow(), nullptr);
    plugin.idle();
    plugin.close();
}

// A host that closes the editor whenever the plug-in idles it (as a host may
// from its own idle handling), noting what it hears of edits.
std::vector<std::string> closingHostHeard;

VstIntPtr VSTCALLBACK closingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr,
                                  void*, float) {
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterBeginEdit:
        closingHostHeard.push_back("begin " + std::to_string(index));
        return 1;
    case audioMasterEndEdit:
        closingHostHeard.push_back("end " + std::to_string(index));
        return 1;
    case audioMasterAutomate:
        closingHostHeard.push_back("value " + std::to_string(index));
        return 1;
    case audioMasterIdle:
        closingHostHeard.push_back("idle");
        if (effect != nullptr) effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
        return 1;
    default:
        return 0;
    }
}

// The control under the mouse goes with the editor only after its mouse
// loop has returned; the host hears the drag's edit ended once, and a lamp
// click that the close interrupts is lost. The editor opens again afterwards.
TEST(EditorClosedFromTheHostsIdle, TheControlsLoopReturnsFirstAndTheFrameGoesAfterIt) {
    struct Gesture {
        int row;
        CPoint move; // from the control's centre
        std::vector<std::string> heard;
    };
    const Gesture gestures[] = {
        {kGain, CPoint(0, -40), {"begin 1", "value 1", "idle", "end 1"}},
        {kStereo, CPoint(0, 0), {"idle"}},
    };
    for (const Gesture& gesture : gestures) {
        SCOPED_TRACE(gesture.row);
        closingHostHeard.clear();
        AEffect* effect = VSTPluginMain(closingHost);
        ASSERT_NE(effect, nullptr);
        auto* editor =
            static_cast<GUIEditor*>(static_cast<AudioEffect*>(effect->object)->getEditor());
        effect->dispatcher(effect, effEditOpen, 0, 0, nullptr, 0.0f);
        CControl* control = editor->controlOf(gesture.row);
        CFrame* frame = control->getParentFrame();
        int viewsGone = 0;
        frame->addView(new ProbeView(CRect(0, 0, 1, 1), nullptr, &viewsGone));
        CRect size;
        control->getViewSize(size);
        const CPoint centre(size.left + size.width() / 2, size.top + size.height() / 2);
        ScriptedMouse mouse;
        mouse.play(ScriptedMouse::drag(
            centre, {CPoint(centre).offset(gesture.move.h / 2, gesture.move.v / 2),
                     CPoint(centre).offset(gesture.move.h, gesture.move.v)}));
        {
            Ref<CDrawContext> context(frame->createDrawContext());
            CPoint where = centre;
            frame->mouse(context.get(), where, -1);
        }
        EXPECT_EQ(viewsGone, 1);
        EXPECT_FALSE(editor->isOpened());
        EXPECT_EQ(closingHostHeard, gesture.heard);

        effect->dispatcher(effect, effEditOpen, 0, 0, nullptr, 0.0f);
        EXPECT_NE(editor->controlOf(kGain), nullptr);
        effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
}

} // namespace
