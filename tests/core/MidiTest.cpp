// MIDI: the controller map read from its configuration file, and the event
// handler, on instances made from the code and on copies of the real module
// with a real INI file beside them.
#include "tests/support/InspectedBrelto.h"
#include "tests/support/PluginFixture.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <vector>

namespace {

constexpr int kFrames = 256;

// A list of MIDI events as a host hands it over.
class MidiList {
public:
    MidiList(std::initializer_list<std::initializer_list<int>> messages) {
        for (const auto& message : messages) {
            VstMidiEvent event{};
            event.type = kVstMidiType;
            event.byteSize = sizeof(VstMidiEvent);
            int i = 0;
            for (int byte : message)
                event.midiData[i++] = static_cast<char>(byte);
            events.push_back(event);
        }
        storage.resize(sizeof(VstEvents) + events.size() * sizeof(VstEvent*));
        list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(events.size());
        for (std::size_t i = 0; i < events.size(); ++i)
            list->events[i] = reinterpret_cast<VstEvent*>(&events[i]);
    }
    VstEvents* get() { return list; }

private:
    std::vector<VstMidiEvent> events;
    std::vector<unsigned char> storage;
    VstEvents* list;
};

// Hands the events to the plug-in and processes one block, so that every
// event is handled; returns the block's output.
std::vector<float> play(AEffect* effect, MidiList events) {
    static std::vector<float> input[2] = {std::vector<float>(kFrames), std::vector<float>(kFrames)};
    for (int i = 0; i < kFrames; ++i)
        input[0][i] = input[1][i] = 0.9f * std::sin(0.05f * i);
    std::vector<float> output(2 * kFrames);
    float* inputs[2] = {input[0].data(), input[1].data()};
    float* outputs[2] = {output.data(), output.data() + kFrames};
    effect->dispatcher(effect, effProcessEvents, 0, 0, events.get(), 0.0f);
    effect->processReplacing(effect, inputs, outputs, kFrames);
    return output;
}

std::vector<VstInt32> automated(const RecordingHost& host) {
    std::vector<VstInt32> indexes;
    for (const HostCall& call : host.callsOf(audioMasterAutomate))
        indexes.push_back(call.index);
    return indexes;
}

constexpr float kHalfway = 64 * 0.007874016f; // controller value 64

TEST(MidiControllerMap, DefaultsWithoutAFileInSlotOrder) {
    const MidiControllerMap map("");
    const int controllers[] = {7, 23, 23, 26, 29, 60, 60, 60, 60, 60};
    const int parameters[] = {kOutCeil, kStereo,  kIsp,    kGain,    kRelease,
                              kMeterI0, kMeterI1, kMeterR, kMeterO0, kMeterO1};
    for (int slot = 0; slot < MidiControllerMap::kSlotCount; ++slot) {
        EXPECT_EQ(map.controllerAt(slot), controllers[slot]) << "slot " << slot;
        EXPECT_EQ(map.parameterAt(slot), parameters[slot]) << "slot " << slot;
    }
}

TEST(MidiControllerMap, FileNumbersAreSortedInAndHighNumbersTurnControllersOff) {
    TempFolder folder;
    const MidiControllerMap map(folder.write(
        "map.ini", "[MidiCC]\nGain=7\nrelease=-5\nStereo=255\nMETERR=300\nMeterO1=2\n"));
    const int controllers[] = {-5, 2, 7, 7, 23, 60, 60, 60, 255, 255};
    const int parameters[] = {kRelease, kMeterO1, kOutCeil, kGain,
                              kIsp,     kMeterI0, kMeterI1, kMeterO0};
    for (int slot = 0; slot < MidiControllerMap::kSlotCount; ++slot) {
        EXPECT_EQ(map.controllerAt(slot), controllers[slot]) << "slot " << slot;
        if (slot < 8) {
            EXPECT_EQ(map.parameterAt(slot), parameters[slot]) << "slot " << slot;
        }
    }
    std::vector<std::int32_t> moved;
    map.forEachParameter(7, [&](std::int32_t index) { moved.push_back(index); });
    EXPECT_EQ(moved, (std::vector<std::int32_t>{kOutCeil, kGain}));
}

TEST(MidiControllerMap, FileBesideTheModuleNamedAfterIt) {
    EXPECT_EQ(MidiControllerMap::configurationPathFor("C:\\Plugins\\Brelto.dll"),
              "C:\\Plugins\\Brelto.ini");
    EXPECT_EQ(MidiControllerMap::configurationPathFor("/usr/lib/vst/Brelto.so"),
              "/usr/lib/vst/Brelto.ini");
    EXPECT_EQ(MidiControllerMap::configurationPathFor("/home/a.b/Brelto"), "/home/a.b/Brelto.ini");
    EXPECT_EQ(MidiControllerMap::configurationPathFor("C:\\a.b\\Brelto"), "C:\\a.b\\Brelto.ini");
    EXPECT_EQ(MidiControllerMap::configurationPathFor("Brelto.x.dll"), "Brelto.x.ini");
    EXPECT_EQ(MidiControllerMap::configurationPathFor(""), "");
}

TEST(MidiEvents, NotesPedalAndBendAreRecordedAndMoveNothing) {
    RecordingHost host;
    InspectedBrelto plugin(RecordingHost::callback);
    host.calls.clear();
    play(plugin.getAeffect(), {{0x93, 60, 100}, {0x90, 62, 90}, {0x80, 60, 0}});
    EXPECT_EQ(plugin.noteRecord().note, 62);
    EXPECT_EQ(plugin.noteRecord().velocity, 90);
    EXPECT_TRUE(plugin.noteRecord().keyDown);
    play(plugin.getAeffect(), {{0xB0, 64, 127}, {0x90, 62, 0}, {0xE0, 0x7F, 0x7F}});
    EXPECT_FALSE(plugin.noteRecord().keyDown);
    EXPECT_TRUE(plugin.noteRecord().sounding); // held by the pedal
    EXPECT_EQ(plugin.noteRecord().sustain, 0x40);
    EXPECT_NEAR(plugin.noteRecord().bendOffset, 0.1f, 1e-4f);
    play(plugin.getAeffect(), {{0xB0, 64, 0}, {0xE0, 0, 0x40}});
    EXPECT_FALSE(plugin.noteRecord().sounding);
    EXPECT_NEAR(plugin.noteRecord().bendOffset, 0.0f, 1e-6f);
    play(plugin.getAeffect(), {{0x90, 40, 1}, {0xB0, 123, 0}});
    EXPECT_FALSE(plugin.noteRecord().sounding);
    EXPECT_TRUE(automated(host).empty());
    EXPECT_EQ(plugin.getParameter(kGain), 0.0f);
}

TEST(MidiEvents, ControllersOnAnyChannelMoveTheirParameters) {
    RecordingHost host;
    InspectedBrelto plugin(RecordingHost::callback);
    host.calls.clear();
    play(plugin.getAeffect(), {{0xBF, 23, 64}, {0xB0, 0, 127}, {0xB0, 60, 127}});
    EXPECT_EQ(plugin.getParameter(kStereo), kHalfway);
    EXPECT_EQ(plugin.getParameter(kIsp), kHalfway);
    for (int meter = kMeterI0; meter <= kMeterO1; ++meter)
        EXPECT_EQ(plugin.getParameter(meter), 1.0f);
    EXPECT_EQ(automated(host), (std::vector<VstInt32>{kStereo, kIsp, kMeterI0, kMeterI1, kMeterR,
                                                      kMeterO0, kMeterO1}));
    EXPECT_EQ(host.callsOf(audioMasterAutomate)[0].opt, kHalfway);
}

// The real plug-in file copied into a folder of its own, with an INI file
// beside it unless the text is empty.
class ModuleCopy {
public:
    explicit ModuleCopy(const std::string& ini) {
        const std::filesystem::path file(BRELTO_PLUGIN_FILE);
        std::filesystem::copy_file(pluginPath(), folder.path(file.string()));
        if (!ini.empty()) folder.write(file.stem().string() + ".ini", ini);
        library = std::make_unique<PluginLibrary>(folder.path(file.string()));
        if (library->loaded()) effect = host.open(library->entry());
        host.calls.clear();
    }
    ~ModuleCopy() {
        if (effect != nullptr) host.close(effect);
    }
    float parameter(VstInt32 index) { return effect->getParameter(effect, index); }

    TempFolder folder; // outlives the loaded module
    std::unique_ptr<PluginLibrary> library;
    RecordingHost host;
    AEffect* effect = nullptr;
};

TEST(MidiModule, WithoutAFileTheTablesControllersApply) {
    ModuleCopy module("");
    ASSERT_NE(module.effect, nullptr) << module.library->error();
    EXPECT_EQ(module.host.text(module.effect, effGetProgramName), "Default");
    module.effect->setParameter(module.effect, kOutCeil, 0.5f);
    play(module.effect, {{0xB0, 7, 127}});
    EXPECT_EQ(module.parameter(kOutCeil), 1.0f);
    play(module.effect, {{0xB0, 7, 0}, {0xB0, 23, 64}, {0xB0, 0, 127}});
    EXPECT_EQ(module.parameter(kOutCeil), 0.0f);
    EXPECT_EQ(module.parameter(kStereo), kHalfway);
    EXPECT_EQ(module.parameter(kIsp), kHalfway);
    EXPECT_EQ(automated(module.host), (std::vector<VstInt32>{kOutCeil, kOutCeil, kStereo, kIsp}));
    EXPECT_EQ(module.host.callsOf(audioMasterAutomate)[0].opt, 1.0f);
}

TEST(MidiModule, ControllerNumber255TurnsAParameterOff) {
    ModuleCopy module("[MIDICC]\r\ngain=255\r\n");
    ASSERT_NE(module.effect, nullptr) << module.library->error();
    play(module.effect, {{0xB0, 26, 127}, {0xB0, 29, 127}});
    EXPECT_EQ(module.parameter(kGain), 0.0f);
    EXPECT_EQ(module.parameter(kRelease), 1.0f);
    EXPECT_EQ(automated(module.host), (std::vector<VstInt32>{kRelease}));
}

TEST(MidiModule, OneControllerMovesSeveralParametersButControllerZeroNone) {
    ModuleCopy module("; Brelto\n[midicc]\nGain = 7\nisp=0\n");
    ASSERT_NE(module.effect, nullptr) << module.library->error();
    play(module.effect, {{0xB2, 7, 127}, {0xB0, 0, 127}, {0xB0, 23, 0}});
    EXPECT_EQ(module.parameter(kOutCeil), 1.0f);
    EXPECT_EQ(module.parameter(kGain), 1.0f);
    EXPECT_EQ(module.parameter(kStereo), 0.0f);
    EXPECT_EQ(module.parameter(kIsp), 1.0f);
    EXPECT_EQ(automated(module.host), (std::vector<VstInt32>{kOutCeil, kGain, kStereo}));
}

TEST(MidiModule, NotesAndBendChangeNothingAudible) {
    ModuleCopy quiet(""), played("");
    ASSERT_NE(quiet.effect, nullptr) << quiet.library->error();
    ASSERT_NE(played.effect, nullptr);
    const std::vector<float> expected = play(quiet.effect, {});
    const std::vector<float> heard =
        play(played.effect,
             {{0x90, 60, 127}, {0xE0, 0x7F, 0x7F}, {0xB0, 64, 127}, {0x80, 60, 0}, {0xB0, 123, 0}});
    EXPECT_EQ(heard, expected);
    for (int i = 0; i < kHostParameterCount; ++i)
        EXPECT_EQ(played.parameter(i), quiet.parameter(i));
    EXPECT_TRUE(automated(played.host).empty());
}

} // namespace

namespace {

TEST(MidiControllerMap, TheInstanceReadsTheFileBesideItsModule) {
    InspectedBrelto plugin;
    EXPECT_EQ(plugin.controllerMap().path(), PluginLibrary::programFolder() + "brelto_tests.ini");
}

} // namespace
