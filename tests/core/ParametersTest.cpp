// Parameter rows, their texts and the lookup by name, on an instance made
// directly from the plug-in's code.
#include "tests/support/PluginFixture.h"

#include "core/Brelto.h"

#include <cmath>
#include <limits>
#include <string>

namespace {

// Sees the program store and counts what setParameter receives.
class ObservedBrelto : public Brelto {
public:
    ObservedBrelto() : Brelto(nullptr) {}
    void setParameter(VstInt32 index, float value) override {
        ++received;
        lastIndex = index;
        Brelto::setParameter(index, value);
    }
    float programValue(int index) { return program().values[index].load(); }
    int received = 0;
    VstInt32 lastIndex = -1;
};

std::string display(AudioEffect& effect, VstInt32 index) {
    char text[kVstMaxParamStrLen + 1];
    effect.getParameterDisplay(index, text);
    return text;
}

std::string formatted(float value, int maxLength = kVstMaxParamStrLen) {
    char text[32];
    AudioEffect::float2string(value, text, maxLength);
    return text;
}

TEST(ParameterTable, HasThirteenRowsWhoseNamesFitTheHostsBuffers) {
    int hostRows = 0;
    for (int i = 0; i < kHostParameterCount; ++i) {
        EXPECT_LE(std::string(ParamDefTable[i].name).size(),
                  static_cast<std::size_t>(kVstMaxParamStrLen - 1));
        hostRows += ParamDefTable[i].type != kValueDisplay;
    }
    EXPECT_EQ(hostRows, kHostParameterCount);
    EXPECT_EQ(std::string(ParamDefTable[kMeterO1].name), "MeterO1");
    EXPECT_EQ(std::string(ParamDefTable[12].name), "_OutCeil");
}

TEST(Parameters, ValuesAreClampedToTheUnitRange) {
    ObservedBrelto plugin;
    plugin.setParameter(kOutCeil, 1.7f);
    EXPECT_EQ(plugin.getParameter(kOutCeil), 1.0f);
    plugin.setParameter(kGain, -3.0f);
    EXPECT_EQ(plugin.getParameter(kGain), 0.0f);
    plugin.setParameter(kRelease, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(plugin.getParameter(kRelease), 0.0f);
    plugin.setParameter(kRelease, std::numeric_limits<float>::infinity());
    EXPECT_EQ(plugin.getParameter(kRelease), 1.0f);
    EXPECT_EQ(plugin.programValue(kRelease), 1.0f);
}

TEST(Parameters, DisplayRowsAreRowsButNotProgramValues) {
    ObservedBrelto plugin;
    const float releaseBefore = plugin.programValue(kRelease);
    plugin.setParameter(11, 0.5f);
    EXPECT_EQ(plugin.getParameter(11), 0.5f);
    EXPECT_EQ(plugin.programValue(kRelease), releaseBefore);
    EXPECT_EQ(plugin.paramRows()[11].value.load(), 0.5f);
}

TEST(Parameters, IndexesPastTheRowsAreIgnored) {
    ObservedBrelto plugin;
    plugin.setParameter(13, 0.5f);
    plugin.setParameter(-1, 0.5f);
    EXPECT_EQ(plugin.getParameter(13), 0.0f);
    EXPECT_EQ(plugin.getParameter(-1), 0.0f);
    for (int i = 0; i < kParamRowCount; ++i)
        EXPECT_EQ(plugin.getParameter(i), plugin.paramRows()[i].value.load());
}

TEST(Parameters, NamesAndLabelsOnlyForHostParameters) {
    ObservedBrelto plugin;
    char text[32] = "x";
    plugin.getParameterName(10, text);
    EXPECT_STREQ(text, "");
    plugin.getParameterName(kMeterR, text);
    EXPECT_STREQ(text, "MeterR");
    plugin.getParameterLabel(kGain, text);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(display(plugin, 10), "");
    EXPECT_EQ(display(plugin, -5), "");
}

TEST(Parameters, DisplayShowsEightCharactersOfTheValue) {
    ObservedBrelto plugin;
    plugin.setParameter(kRelease, 0.25f);
    EXPECT_EQ(display(plugin, kRelease), "0.250000");
    plugin.setParameter(kGain, 0.7f);
    EXPECT_EQ(display(plugin, kGain), "0.699999");
    plugin.setParameter(kOutCeil, 1.0f);
    EXPECT_EQ(display(plugin, kOutCeil), "1.000000");
}

TEST(Parameters, SelectingProgramZeroResendsItsTenValues) {
    ObservedBrelto plugin;
    plugin.received = 0;
    plugin.dispatcher(effSetProgram, 0, 1, nullptr, 0.0f);
    plugin.dispatcher(effSetProgram, 0, -1, nullptr, 0.0f);
    EXPECT_EQ(plugin.received, 0);
    plugin.dispatcher(effSetProgram, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(plugin.received, kHostParameterCount);
    EXPECT_EQ(plugin.lastIndex, kHostParameterCount - 1);
}

TEST(Parameters, LookupIgnoresCaseAndFindsDisplayRows) {
    ObservedBrelto plugin;
    EXPECT_EQ(plugin.lookupParamIndex("outceil"), kOutCeil);
    EXPECT_EQ(plugin.lookupParamIndex("METERO1"), kMeterO1);
    EXPECT_EQ(plugin.lookupParamIndex("_gain"), 10);
    EXPECT_EQ(plugin.lookupParamIndex("LkAhd"), -1);
    EXPECT_EQ(plugin.lookupParamIndex(""), -1);
    EXPECT_EQ(plugin.lookupParamIndex(nullptr), -1);
    EXPECT_EQ(plugin.lookupParamRow("release"), &plugin.paramRows()[kRelease]);
    EXPECT_EQ(plugin.lookupParamRow("Releas"), nullptr);
}

TEST(Parameters, NullHostLeavesTheBaseChannelCounts) {
    ObservedBrelto plugin;
    EXPECT_EQ(plugin.getAeffect()->numInputs, 1);
    EXPECT_EQ(plugin.getAeffect()->numOutputs, 2);
    EXPECT_EQ(plugin.getAeffect()->flags & effFlagsProgramChunks, 0);
    EXPECT_EQ(plugin.getAeffect()->flags & effFlagsCanReplacing, effFlagsCanReplacing);
}

TEST(ValueText, FractionDigitsAreTruncatedToEightCharacters) {
    EXPECT_EQ(formatted(0.25f), "0.250000");
    EXPECT_EQ(formatted(0.0f), "0.000000");
    EXPECT_EQ(formatted(0.7f), "0.699999");
    EXPECT_EQ(formatted(12.5f), "12.50000");
    EXPECT_EQ(formatted(-0.5f), "-0.50000");
    EXPECT_EQ(formatted(100.0f), "100.0000");
    EXPECT_EQ(formatted(1234567.0f), "1234567.");
    EXPECT_EQ(formatted(9999999.0f), "9999999.");
    EXPECT_EQ(formatted(-999999.0f), "-999999.");
}

TEST(ValueText, NumbersTooLongForEightCharactersReadHuge) {
    EXPECT_EQ(formatted(10000000.0f), "Huge!");
    EXPECT_EQ(formatted(99999999.0f), "Huge!");
    EXPECT_EQ(formatted(1e12f), "Huge!");
    EXPECT_EQ(formatted(-1000000.0f), "Huge!");
    EXPECT_EQ(formatted(std::numeric_limits<float>::infinity()), "Huge!");
    EXPECT_EQ(formatted(std::numeric_limits<float>::quiet_NaN()), "Huge!");
}

TEST(ValueText, CopiesAreCutAtTheGivenLength) {
    EXPECT_EQ(formatted(0.25f, 4), "0.25");
    EXPECT_EQ(formatted(123.0f, 2), "12");
    EXPECT_EQ(formatted(1e12f, 3), "Hug");
}

TEST(ValueText, DecibelsOfLevels) {
    char text[32];
    AudioEffect::dB2string(0.0f, text, 8);
    EXPECT_STREQ(text, "-oo");
    AudioEffect::dB2string(-1.0f, text, 8);
    EXPECT_STREQ(text, "-oo");
    AudioEffect::dB2string(1.0f, text, 8);
    EXPECT_STREQ(text, "0.000000");
    AudioEffect::dB2string(0.5f, text, 8);
    EXPECT_STREQ(text, "-6.02059");
    AudioEffect::dB2string(10.0f, text, 8);
    EXPECT_STREQ(text, "20.00000");
}

TEST(ValueText, EditorDisplaysShowOneDecimal) {
    char text[16];
    gainDisplay(0.5f, text);
    EXPECT_STREQ(text, "15.0");
    gainDisplay(1.0f, text);
    EXPECT_STREQ(text, "30.0");
    releaseDisplay(0.0f, text);
    EXPECT_STREQ(text, "1.0");
    releaseDisplay(0.5f, text);
    EXPECT_STREQ(text, "10.0");
    releaseDisplay(1.0f, text);
    EXPECT_STREQ(text, "100.0");
    ceilingDisplay(0.0f, text);
    EXPECT_STREQ(text, "-30.0");
    ceilingDisplay(1.0f, text);
    EXPECT_STREQ(text, "0.0");
}

// Values whose dB lie just beyond a rounding boundary of the printed digit: the
// law computed in double lands there, a float product rounds back across it.
TEST(ValueText, DisplaysComputeTheirLawInDouble) {
    struct Case {
        void (*display)(float, char*);
        float value;
        const char* text;
    };
    const Case cases[] = {
        {gainDisplay, 0x1.3c963p-1f, "18.6"},  // 18.5500002 dB; in float 18.5499992
        {gainDisplay, 0x1.c88888p-1f, "26.7"}, // 26.7499995 dB; in float 26.7500000
        {ceilingDisplay, 0x1.b4e81cp-10f, "-29.9"}, {ceilingDisplay, 0x1.47ae16p-8f, "-29.8"},
        {ceilingDisplay, 0x1.eb8518p-7f, "-29.6"},  {ceilingDisplay, 0x1.777772p-4f, "-27.3"},
    };
    for (const Case& c : cases) {
        char text[16];
        c.display(c.value, text);
        EXPECT_STREQ(text, c.text) << std::hexfloat << c.value;
    }
}

} // namespace
