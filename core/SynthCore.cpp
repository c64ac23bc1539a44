#include "core/SynthCore.h"

#include "base/Text.h"
#include "core/Identity.h"
#include "host/AEffEditor.h"
#include "platform/ModuleServices.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr VstInt32 kVendorVersion = 1000;
constexpr int kMidiProgramCount = 128;

// Texts go out whole: each bound is what the array that holds the text keeps.
constexpr std::size_t kParameterNameLength = sizeof(ParamRow::name) - 1;
constexpr std::size_t kLabelLength = sizeof(ParamRow::label) - 1;
constexpr std::size_t kProgramNameLength = ProgramData::kNameSize - 1;
constexpr std::size_t kIdentityLength = SynthCore::kIdentitySize - 1;

// Meter rows read this until the plug-in binds a real meter.
const std::atomic<float> kSilentMeter{0.0f};

bool isHostParameter(VstInt32 index) {
    return static_cast<std::uint32_t>(index) < static_cast<std::uint32_t>(kHostParameterCount);
}

void fillMidiProgram(MidiProgramName& name) {
    base::copyInto(name.name, "Basic");
    name.midiProgram = 0;
    name.midiBankMsb = -1; // no bank select
    name.midiBankLsb = -1;
    name.reserved = 0;
    name.parentCategoryIndex = 0;
    name.flags = 0;
}

} // namespace

SynthCore::SynthCore(audioMasterCallback host)
    : AudioEffectX(host, kProgramCount, kHostParameterCount) {
    base::copyInto(effectName, identity::kEffectName);
    base::copyInto(productString, identity::kEffectName);
    base::copyInto(vendorString, "Quenor");

    moduleList = std::make_unique<ModuleList>();
    noteState = std::make_unique<NoteState>();
    rows = std::make_unique<ParamRow[]>(kParamRowCount);
    controllerMap = std::make_unique<MidiControllerMap>(
        MidiControllerMap::configurationPathFor(platform::moduleFileName()));
    for (int i = 0; i < kParamRowCount; ++i)
        rows[i].assign(ParamDefTable[i], &kSilentMeter);

    programs[0] = std::make_unique<ProgramData>();
    for (int i = 0; i < kHostParameterCount; ++i)
        programs[0]->values[i].store(rows[i].defaultValue, std::memory_order_relaxed);

    for (int channel = 0; channel < kMidiChannels; ++channel)
        currentMidiProgram[channel] = channel;
    setClock(kInitialIntegerRate);

    currentProgram = 0;
    pushProgram();

    if (host != nullptr) {
        record.flags |= effFlagsProgramChunks;
        record.numInputs = 2;
        record.numOutputs = 2;
    }
    noteState->clear();
    moduleList->reset();
}

// An editor still open is closed before the rows its controls stand for go;
// then the owned parts in a fixed order: modules, notes, controller map,
// rows, programs. The editor object itself goes with the host binding.
SynthCore::~SynthCore() {
    if (editor != nullptr) editor->close();
    moduleList.reset();
    noteState.reset();
    controllerMap.reset();
    rows.reset();
    programs[0].reset();
}

void SynthCore::pushProgram() {
    for (int i = 0; i < kHostParameterCount; ++i)
        setParameter(i, program().values[i].load(std::memory_order_relaxed));
}

void SynthCore::setParameter(VstInt32 index, float value) {
    if (static_cast<std::uint32_t>(index) >= static_cast<std::uint32_t>(kParamRowCount)) return;
    if (value >= 1.0f)
        value = 1.0f;
    else if (!(value > 0.0f))
        value = 0.0f; // also NaN
    rows[index].value.store(value, std::memory_order_relaxed);
    if (index < kHostParameterCount)
        program().values[index].store(value, std::memory_order_relaxed);
    if (editor != nullptr) editor->setParameter(index, value);
    moduleList->parameterChanged(index, value);
}

float SynthCore::getParameter(VstInt32 index) {
    if (static_cast<std::uint32_t>(index) >= static_cast<std::uint32_t>(kParamRowCount))
        return 0.0f;
    return rows[index].value.load(std::memory_order_relaxed);
}

void SynthCore::getParameterName(VstInt32 index, char* text) {
    text[0] = 0;
    if (isHostParameter(index)) base::copyCut(text, rows[index].name, kParameterNameLength);
}

void SynthCore::getParameterLabel(VstInt32 index, char* text) {
    text[0] = 0;
    if (isHostParameter(index)) base::copyCut(text, rows[index].label, kLabelLength);
}

void SynthCore::getParameterDisplay(VstInt32 index, char* text) {
    text[0] = 0;
    if (!isHostParameter(index)) return;
    // Every row's label is empty, so every text is the plain normalised value.
    float2string(rows[index].value.load(std::memory_order_relaxed), text, kVstMaxParamStrLen);
}

void SynthCore::setProgram(VstInt32 index) {
    if (index != 0) return;
    currentProgram = 0;
    pushProgram();
}

void SynthCore::setProgramName(const char* name) {
    base::copyInto(program().name, name);
}

void SynthCore::getProgramName(char* name) {
    base::copyCut(name, program().name, kProgramNameLength);
}

bool SynthCore::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    if (index != 0) return false;
    base::copyCut(text, programs[0]->name, kProgramNameLength);
    return true;
}

bool SynthCore::getEffectName(char* text) {
    base::copyCut(text, effectName, kIdentityLength);
    return true;
}

bool SynthCore::getVendorString(char* text) {
    base::copyCut(text, vendorString, kIdentityLength);
    return true;
}

bool SynthCore::getProductString(char* text) {
    base::copyCut(text, productString, kIdentityLength);
    return true;
}

VstInt32 SynthCore::getVendorVersion() {
    return kVendorVersion;
}

VstInt32 SynthCore::canDo(const char* text) {
    if (std::strcmp(text, "receiveVstEvents") == 0) return 1;
    if (std::strcmp(text, "receiveVstMidiEvent") == 0) return 0;
    if (std::strcmp(text, "midiProgramNames") == 0) return 0;
    return -1;
}

bool SynthCore::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    if (index != 0 && index != 1) return false;
    std::snprintf(properties->label, sizeof(properties->label), "%s%1d", effectName, index + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

VstInt32 SynthCore::getMidiProgramName(VstInt32, MidiProgramName* name) {
    if (static_cast<std::uint32_t>(name->thisProgramIndex) >= kMidiProgramCount) return 0;
    fillMidiProgram(*name);
    return 1;
}

VstInt32 SynthCore::getCurrentMidiProgram(VstInt32 channel, MidiProgramName* name) {
    if (static_cast<std::uint32_t>(channel) >= kMidiChannels || name == nullptr) return -1;
    const std::int32_t current = currentMidiProgram[channel];
    name->thisProgramIndex = current;
    fillMidiProgram(*name);
    return current;
}

VstInt32 SynthCore::getMidiProgramCategory(VstInt32, MidiProgramCategory* category) {
    base::copyInto(category->name, "None");
    category->parentCategoryIndex = -1;
    category->flags = 0;
    return 1;
}

bool SynthCore::getMidiKeyName(VstInt32, MidiKeyName* key) {
    key->keyName[0] = 0;
    key->reserved = 0;
    key->flags = 0;
    return false;
}
