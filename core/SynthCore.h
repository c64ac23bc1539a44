// The plug-in core: parameters and programs derived from the definition table,
// the processing frame that runs the module list in short chunks, the MIDI
// event queue, and the identity the host is shown.
#pragma once

#include "core/MidiControllerMap.h"
#include "core/NoteState.h"
#include "core/ParamDef.h"
#include "dsp/ModuleList.h"
#include "host/AudioEffectX.h"

#include <atomic>
#include <memory>

// One program: the ten host parameter values and a name.
struct ProgramData {
    static constexpr int kNameSize = 24; // 23 characters and the terminator
    std::atomic<float> values[kHostParameterCount];
    char name[kNameSize] = "None";
};

// Per-chunk values from the host's transport; no module reads them yet.
struct TempoValues {
    float tempoScaled = 0.0f;     // tempo / 30000
    std::int32_t beatFrames = 0;  // frames per beat
    float quarterPosition = 0.0f; // musical position in quarter notes
};

class SynthCore : public AudioEffectX {
public:
    static constexpr int kProgramCount = 1;
    static constexpr int kEventQueueSize = 600;
    static constexpr int kMidiChannels = 16;
    static constexpr std::int32_t kInitialIntegerRate = 48000;
    // The effect's name, vendor and product: 31 characters and the terminator.
    static constexpr std::size_t kIdentitySize = 32;

    explicit SynthCore(audioMasterCallback host);
    ~SynthCore() override;

    // Parameters: any thread.
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;

    int lookupParamIndex(const char* name) const { return ::lookupParamIndex(rows.get(), name); }
    ParamRow* lookupParamRow(const char* name) { return ::lookupParamRow(rows.get(), name); }
    ParamRow* paramRows() { return rows.get(); }

    // Programs: UI thread.
    void setProgram(VstInt32 program) override;
    void setProgramName(const char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;

    // Processing: audio thread.
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;
    VstInt32 processEvents(VstEvents* events) override;

    // Audio setup: UI thread, never while processing.
    void setSampleRate(float rate) override;
    void suspend() override;

    // Identity and capabilities: UI thread.
    bool getEffectName(char* text) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstInt32 canDo(const char* text) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    VstInt32 getMidiProgramName(VstInt32 channel, MidiProgramName* name) override;
    VstInt32 getCurrentMidiProgram(VstInt32 channel, MidiProgramName* name) override;
    VstInt32 getMidiProgramCategory(VstInt32 channel, MidiProgramCategory* category) override;
    bool getMidiKeyName(VstInt32 channel, MidiKeyName* key) override;

    // UI thread: the text of the editor's text entry for row index changed to text.
    virtual void onTextEdited(int index, const char* text) = 0;

    std::int32_t integerRate() const { return integerSampleRate; }
    std::int32_t chunkLimit() const { return maxChunk; }

protected:
    // Audio thread, at a chunk boundary: one queued MIDI event.
    virtual void handleMidiEvent(const VstMidiEvent& event);
    // Sends every value of the current program to setParameter.
    void pushProgram();
    ModuleList& modules() { return *moduleList; }
    NoteState& notes() { return *noteState; }
    const MidiControllerMap& controllers() const { return *controllerMap; }
    ProgramData& program() { return *programs[0]; }
    // Audio thread: frames processed since the last processEvents call; the
    // count stops at its largest value instead of wrapping.
    void advanceEventClock(std::int32_t frames);
    // The host's tempo and position as the last chunk took them.
    const TempoValues& transport() const { return tempo; }

private:
    void setClock(std::int32_t rate);
    void readTransport();
    void handOutEvents();

    // Identity, fixed at construction.
    char effectName[kIdentitySize];
    char productString[kIdentitySize];
    char vendorString[kIdentitySize];
    // rows: the kParamRowCount runtime rows; values change on any thread.
    std::unique_ptr<ParamRow[]> rows;
    // programs: the program store; values follow setParameter.
    std::unique_ptr<ProgramData> programs[kProgramCount];
    // integerSampleRate: the host's rate rounded, Hz; set by setSampleRate.
    std::int32_t integerSampleRate = kInitialIntegerRate;
    // tempo: refreshed from the host's transport on every chunk.
    TempoValues tempo;
    // noteState: the latest note messages, written as events are handed out.
    std::unique_ptr<NoteState> noteState;
    std::unique_ptr<ModuleList> moduleList;
    // controllerMap: read from the configuration file at construction; fixed.
    std::unique_ptr<MidiControllerMap> controllerMap;
    // eventQueue: MIDI events of the last processEvents call, host order;
    // eventRead / eventEnd: next to hand out / one past the last queued.
    VstMidiEvent eventQueue[kEventQueueSize];
    int eventRead = 0;
    int eventEnd = 0;
    // currentMidiProgram: channel n holds n for the whole life of the instance.
    std::int32_t currentMidiProgram[kMidiChannels];
    // Processing clock, in frames or in 1/256 frame (tick values):
    // maxChunk: longest chunk, frames; tickPeriod: 1/256 frame per control tick;
    // tickCountdown: 1/256 frame to the next tick; eventClock: frames since
    // processEvents, stopping at the largest int32.
    std::int32_t maxChunk = 0;
    std::int32_t tickPeriod = 0;
    std::int32_t tickCountdown = 0;
    std::int32_t eventClock = 0;
};
