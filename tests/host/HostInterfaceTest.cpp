// The real plug-in file, driven through its record as a host drives it.
#include "tests/support/PluginFixture.h"

#include "core/ParamDef.h"

#include <cstring>
#include <vector>

namespace {

constexpr unsigned char kCanary = 0xA5;
constexpr std::size_t kCanaryBytes = 32;

// A text buffer of exactly `size` bytes followed by canary bytes.
struct GuardedText {
    explicit GuardedText(std::size_t size) : size(size), bytes(size + kCanaryBytes, kCanary) {}
    char* data() { return reinterpret_cast<char*>(bytes.data()); }
    bool canaryIntact() const {
        for (std::size_t i = size; i < bytes.size(); ++i)
            if (bytes[i] != kCanary) return false;
        return true;
    }
    bool terminated() const { return std::memchr(bytes.data(), 0, size) != nullptr; }
    std::string text() const { return std::string(reinterpret_cast<const char*>(bytes.data())); }
    std::size_t size;
    std::vector<unsigned char> bytes;
};

class HostInterface : public PluginTest {};

TEST_F(HostInterface, RecordCarriesTheFixedValues) {
    EXPECT_EQ(effect->magic, kEffectMagic);
    // An editor, can replace, and programs are chunks.
    EXPECT_EQ(effect->flags, 0x31);
    EXPECT_EQ(effect->uniqueID, 0x30696932);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 10);
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->initialDelay, 220); // the look-ahead at 44.1 kHz
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->resvd1, 0);
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_NE(effect->object, nullptr);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_NE(effect->processDoubleReplacing, nullptr);
    EXPECT_NE(effect->process, nullptr);
    for (char byte : effect->future)
        EXPECT_EQ(byte, 0);
}

TEST_F(HostInterface, EntryAsksForTheHostVersionFirst) {
    ASSERT_FALSE(host.calls.empty());
    EXPECT_EQ(host.calls[0].opcode, audioMasterVersion);
    EXPECT_EQ(host.calls[0].effect, nullptr);
}

TEST_F(HostInterface, BothExportNamesAreOneFunction) {
    EXPECT_EQ(library->entry("main"), library->entry("VSTPluginMain"));
}

TEST_F(HostInterface, HostAnsweringZeroToTheVersionGetsNoRecord) {
    RecordingHost oldHost;
    oldHost.versionAnswer = 0;
    EXPECT_EQ(oldHost.open(library->entry()), nullptr);
    ASSERT_EQ(oldHost.calls.size(), 1u);
    EXPECT_EQ(oldHost.calls[0].opcode, audioMasterVersion);
}

TEST_F(HostInterface, OlderHostVersionIsAccepted) {
    RecordingHost olderHost;
    olderHost.versionAnswer = 2300;
    AEffect* other = olderHost.open(library->entry());
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(olderHost.close(other), 1);
}

TEST_F(HostInterface, CloseDestroysTheInstanceAndAnswersOne) {
    EXPECT_EQ(host.close(effect), 1);
    effect = nullptr;
}

TEST_F(HostInterface, TwoInstancesKeepSeparateParameters) {
    AEffect* second = host.open(library->entry());
    ASSERT_NE(second, nullptr);
    ASSERT_NE(second, effect);
    setParameter(kGain, 0.75f);
    second->setParameter(second, kGain, 0.25f);
    EXPECT_EQ(parameter(kGain), 0.75f);
    EXPECT_EQ(second->getParameter(second, kGain), 0.25f);
    host.close(second);
    EXPECT_EQ(parameter(kGain), 0.75f);
}

struct OpcodeAnswer {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    VstIntPtr expected;
};

TEST_F(HostInterface, OpcodesWithoutBuffersGiveTheirFixedAnswers) {
    const OpcodeAnswer answers[] = {
        {effOpen, 0, 0, 0},
        {effGetProgram, 0, 0, 0},
        {effGetVu, 0, 0, 0},
        {effSetBlockSize, 0, 512, 0},
        {effMainsChanged, 0, 1, 0},
        {effMainsChanged, 0, 0, 0},
        {effEditGetRect, 0, 0, 0},
        {effEditOpen, 0, 0, 1},
        {effEditClose, 0, 0, 0},
        {effEditDraw, 0, 0, 0},
        {effEditMouse, 0, 0, 0},
        {effEditKey, 0, 0, 0},
        {effEditIdle, 0, 0, 0},
        {effEditTop, 0, 0, 0},
        {effEditSleep, 0, 0, 0},
        {effIdentify, 7, 9, 0x4E764566},
        {effCanBeAutomated, 0, 0, 1},
        {effCanBeAutomated, 12, 0, 1},
        {effCanBeAutomated, 99, 0, 1},
        {effString2Parameter, 0, 0, 0},
        {effGetNumProgramCategories, 0, 0, 0},
        {effCopyProgram, 0, 0, 0},
        {effConnectInput, 0, 1, 0},
        {effConnectOutput, 0, 1, 0},
        {effGetInputProperties, 0, 0, 0},
        {effGetPlugCategory, 0, 0, 0},
        {effGetCurrentPosition, 0, 0, 0},
        {effGetDestinationBuffer, 0, 0, 0},
        {effOfflineNotify, 0, 0, 0},
        {effOfflinePrepare, 0, 0, 0},
        {effOfflineRun, 0, 0, 0},
        {effProcessVarIo, 0, 0, 0},
        {effSetSpeakerArrangement, 0, 0, 0},
        {effSetBlockSizeAndSampleRate, 0, 0, 0},
        {effSetBypass, 0, 1, 0},
        {effGetErrorText, 0, 0, 0},
        {effGetVendorVersion, 0, 0, 1000},
        {effVendorSpecific, 1, 2, 0},
        {effGetTailSize, 0, 0, 0},
        {effIdle, 0, 0, 0},
        {effGetIcon, 0, 0, 0},
        {effSetViewPosition, 0, 0, 0},
        {effGetParameterProperties, 0, 0, 0},
        {effKeysRequired, 0, 0, 0},
        {effGetVstVersion, 0, 0, 2400},
        {effEditKeyDown, 'a', 0, 0},
        {effEditKeyUp, 'a', 0, 0},
        {effSetEditKnobMode, 0, 2, 1},
        {effHasMidiProgramsChanged, 0, 0, 0},
        {effBeginSetProgram, 0, 0, 1},
        {effEndSetProgram, 0, 0, 1},
        {effShellGetNextPlugin, 0, 0, 0},
        {effStartProcess, 0, 0, 0},
        {effStopProcess, 0, 0, 0},
        {effSetTotalSampleToProcess, 0, 123456, 123456},
        {effSetPanLaw, 0, 0, 0},
        {effBeginLoadBank, 0, 0, 0},
        {effBeginLoadProgram, 0, 0, 0},
        {effSetProcessPrecision, 0, 1, 0},
        {effGetNumMidiInputChannels, 0, 0, 0},
        {effGetNumMidiOutputChannels, 0, 0, 0},
        {effGetNumMidiOutputChannels + 1, 0, 0, 0},
        {-1, 0, 0, 0},
        {1000, 0, 0, 0},
    };
    for (const OpcodeAnswer& a : answers) {
        EXPECT_EQ(dispatch(a.opcode, a.index, a.value), a.expected) << "opcode " << a.opcode;
    }
}

// The output is delayed by the look-ahead, which a change of rate sets to
// 16 ms; the record reports it, and the host hears of every change.
TEST_F(HostInterface, TheLookAheadIsReportedAsTheInitialDelay) {
    EXPECT_TRUE(host.callsOf(audioMasterIOChanged).empty());
    struct Step {
        float rate;
        VstInt32 delay;
        std::size_t announced;
    };
    const Step steps[] = {{44100.0f, 220, 0},  {48000.0f, 768, 1}, {48000.0f, 768, 1},
                          {96000.0f, 1536, 2}, {44100.0f, 705, 3}, {44100.0f, 705, 3}};
    for (const Step& step : steps) {
        dispatch(effSetSampleRate, 0, 0, nullptr, step.rate);
        EXPECT_EQ(effect->initialDelay, step.delay) << step.rate;
        const std::vector<HostCall> announced = host.callsOf(audioMasterIOChanged);
        EXPECT_EQ(announced.size(), step.announced) << step.rate;
        for (const HostCall& call : announced)
            EXPECT_EQ(call.effect, effect);
    }
    // The delay is the one the audio shows.
    std::vector<float> left(2000, 0.0f), right(2000, 0.0f);
    left[0] = 0.5f;
    float* channels[2] = {left.data(), right.data()};
    effect->processReplacing(effect, channels, channels, 2000);
    EXPECT_EQ(left[705], 0.5f);
    EXPECT_EQ(left[704], 0.0f);
}

TEST_F(HostInterface, IdentityStrings) {
    EXPECT_EQ(host.text(effect, effGetEffectName), "Brelto");
    EXPECT_EQ(host.text(effect, effGetVendorString), "Quenor");
    EXPECT_EQ(host.text(effect, effGetProductString), "Brelto");
    char name[kVstMaxEffectNameLen] = {};
    EXPECT_EQ(dispatch(effGetEffectName, 0, 0, name), 1);
    EXPECT_EQ(dispatch(effGetVendorString, 0, 0, name), 1);
    EXPECT_EQ(dispatch(effGetProductString, 0, 0, name), 1);
}

TEST_F(HostInterface, CanDoAnswersExactStringsOnly) {
    auto canDo = [&](const char* text) {
        return dispatch(effCanDo, 0, 0, const_cast<char*>(text));
    };
    EXPECT_EQ(canDo("receiveVstEvents"), 1);
    EXPECT_EQ(canDo("receiveVstMidiEvent"), 0);
    EXPECT_EQ(canDo("midiProgramNames"), 0);
    EXPECT_EQ(canDo("sendVstEvents"), -1);
    EXPECT_EQ(canDo("ReceiveVstEvents"), -1);
    EXPECT_EQ(canDo(""), -1);
}

TEST_F(HostInterface, OutputPinsAreNamedAfterTheEffect) {
    for (VstInt32 index : {0, 1}) {
        VstPinProperties pin;
        std::memset(&pin, 0x5A, sizeof(pin));
        EXPECT_EQ(dispatch(effGetOutputProperties, index, 0, &pin), 1);
        EXPECT_STREQ(pin.label, index == 0 ? "Brelto1" : "Brelto2");
        EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
        EXPECT_EQ(static_cast<unsigned char>(pin.shortLabel[0]), 0x5A); // untouched
    }
    for (VstInt32 index : {2, -1, 100}) {
        VstPinProperties pin;
        std::memset(&pin, 0x5A, sizeof(pin));
        const VstPinProperties before = pin;
        EXPECT_EQ(dispatch(effGetOutputProperties, index, 0, &pin), 0);
        EXPECT_EQ(std::memcmp(&pin, &before, sizeof(pin)), 0);
    }
    VstPinProperties pin{};
    EXPECT_EQ(dispatch(effGetInputProperties, 0, 0, &pin), 0);
    EXPECT_EQ(pin.label[0], 0);
}

TEST_F(HostInterface, ProgramNamesAndSelection) {
    char name[kVstMaxProgNameLen] = {};
    EXPECT_EQ(dispatch(effGetProgramNameIndexed, 0, 0, name), 1);
    const std::string indexedName = name;
    EXPECT_EQ(host.text(effect, effGetProgramName), indexedName);
    EXPECT_EQ(dispatch(effGetProgramNameIndexed, 1, 0, name), 0);
    EXPECT_EQ(dispatch(effGetProgramNameIndexed, -1, 0, name), 0);

    char newName[] = "A name far longer than twenty-three";
    dispatch(effSetProgramName, 0, 0, newName);
    EXPECT_EQ(host.text(effect, effGetProgramName), std::string(newName, 23));

    setParameter(kGain, 0.5f);
    EXPECT_EQ(dispatch(effSetProgram, 0, 1), 0);
    EXPECT_EQ(dispatch(effSetProgram, 0, 0), 0);
    EXPECT_EQ(dispatch(effGetProgram), 0);
    EXPECT_EQ(parameter(kGain), 0.5f);
}

TEST_F(HostInterface, MidiProgramNamesForEveryChannel) {
    MidiProgramName program;
    std::memset(&program, 0x5A, sizeof(program));
    program.thisProgramIndex = 5;
    EXPECT_EQ(dispatch(effGetMidiProgramName, 3, 0, &program), 1);
    EXPECT_EQ(program.thisProgramIndex, 5);
    EXPECT_STREQ(program.name, "Basic");
    EXPECT_EQ(program.midiProgram, 0);
    EXPECT_EQ(program.midiBankMsb, -1);
    EXPECT_EQ(program.midiBankLsb, -1);
    EXPECT_EQ(program.reserved, 0);
    EXPECT_EQ(program.parentCategoryIndex, 0);
    EXPECT_EQ(program.flags, 0);

    for (VstInt32 outside : {128, -1}) {
        std::memset(&program, 0x5A, sizeof(program));
        program.thisProgramIndex = outside;
        const MidiProgramName before = program;
        EXPECT_EQ(dispatch(effGetMidiProgramName, 0, 0, &program), 0);
        EXPECT_EQ(std::memcmp(&program, &before, sizeof(program)), 0);
    }

    for (VstInt32 channel : {0, 3, 15}) {
        std::memset(&program, 0x5A, sizeof(program));
        EXPECT_EQ(dispatch(effGetCurrentMidiProgram, channel, 0, &program), channel);
        EXPECT_EQ(program.thisProgramIndex, channel);
        EXPECT_STREQ(program.name, "Basic");
    }
    EXPECT_EQ(dispatch(effGetCurrentMidiProgram, 16, 0, &program), -1);
    EXPECT_EQ(dispatch(effGetCurrentMidiProgram, -1, 0, &program), -1);
    EXPECT_EQ(dispatch(effGetCurrentMidiProgram, 0, 0, nullptr), -1);

    MidiProgramCategory category;
    std::memset(&category, 0x5A, sizeof(category));
    category.thisCategoryIndex = 4;
    EXPECT_EQ(dispatch(effGetMidiProgramCategory, 0, 0, &category), 1);
    EXPECT_EQ(category.thisCategoryIndex, 4);
    EXPECT_STREQ(category.name, "None");
    EXPECT_EQ(category.parentCategoryIndex, -1);
    EXPECT_EQ(category.flags, 0);

    MidiKeyName key;
    std::memset(&key, 0x5A, sizeof(key));
    EXPECT_EQ(dispatch(effGetMidiKeyName, 0, 0, &key), 0);
    EXPECT_EQ(key.keyName[0], 0);
    EXPECT_EQ(key.reserved, 0);
    EXPECT_EQ(key.flags, 0);
}

TEST_F(HostInterface, SpeakerArrangementIsNone) {
    int dummy = 0;
    void* input = &dummy;
    void* output = &dummy;
    EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input), &output),
              0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
    EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 0);
}

TEST_F(HostInterface, RequestsWithoutTheirBufferAnswerZero) {
    for (VstInt32 opcode :
         {effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName,
          effGetEffectName, effGetVendorString, effGetProductString, effCanDo,
          effGetOutputProperties, effGetMidiProgramName, effGetMidiProgramCategory,
          effGetMidiKeyName, effGetProgramNameIndexed, effSetProgramName, effGetChunk, effSetChunk,
          effProcessEvents, effEditGetRect}) {
        EXPECT_EQ(dispatch(opcode, 0, 0, nullptr), 0) << "opcode " << opcode;
    }
}

TEST_F(HostInterface, HostsThatSetUpBeforeOpenAreAnswered) {
    RecordingHost eager;
    AEffect* other = eager.open(library->entry());
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(eager.dispatch(other, effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(eager.dispatch(other, effSetBlockSize, 0, 256), 0);
    EXPECT_EQ(eager.dispatch(other, effIdentify), 0x4E764566);
    EXPECT_EQ(eager.dispatch(other, effEditIdle), 0);
    EXPECT_EQ(eager.dispatch(other, effOpen), 0);
    EXPECT_EQ(eager.dispatch(other, effMainsChanged, 0, 1), 0);
    EXPECT_EQ(eager.close(other), 1);
}

TEST_F(HostInterface, TextRequestsStayInsideBuffersOfTheDocumentedSizes) {
    struct TextRequest {
        VstInt32 opcode;
        VstInt32 index;
        std::size_t size;
    };
    std::vector<TextRequest> requests = {
        {effGetProgramName, 0, kVstMaxProgNameLen},
        {effGetEffectName, 0, kVstMaxEffectNameLen},
        {effGetVendorString, 0, kVstMaxVendorStrLen},
        {effGetProductString, 0, kVstMaxProductStrLen},
        {effGetProgramNameIndexed, 0, kVstMaxProgNameLen},
    };
    for (VstInt32 i = -1; i <= 13; ++i) {
        requests.push_back({effGetParamName, i, kVstMaxParamStrLen + 1});
        requests.push_back({effGetParamLabel, i, kVstMaxParamStrLen + 1});
        requests.push_back({effGetParamDisplay, i, kVstMaxParamStrLen + 1});
    }
    // Displays of every kind of value, including the widest.
    for (float value : {0.0f, 0.7f, 1.0f, 0.123456789f}) {
        for (VstInt32 i = 0; i < 10; ++i)
            setParameter(i, value);
        for (VstInt32 i = 0; i < 10; ++i) {
            GuardedText text(kVstMaxParamStrLen + 1);
            dispatch(effGetParamDisplay, i, 0, text.data());
            EXPECT_TRUE(text.canaryIntact());
            EXPECT_TRUE(text.terminated());
            EXPECT_EQ(text.text().size(), 8u);
        }
    }
    for (const TextRequest& request : requests) {
        GuardedText text(request.size);
        dispatch(request.opcode, request.index, 0, text.data());
        EXPECT_TRUE(text.canaryIntact())
            << "opcode " << request.opcode << " index " << request.index;
        EXPECT_TRUE(text.terminated()) << "opcode " << request.opcode;
    }
}

} // namespace
