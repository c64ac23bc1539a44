// The MIDI event handler: controller messages move parameters through the
// controller map; notes, the sustain pedal and pitch bend are only recorded.
#include "core/SynthCore.h"

namespace {

constexpr int kStatusMask = 0xF0;
constexpr int kDataMask = 0x7F;
constexpr int kNoteOff = 0x80;
constexpr int kNoteOn = 0x90;
constexpr int kControlChange = 0xB0;
constexpr int kPitchBend = 0xE0;

constexpr std::int32_t kSustainController = 64;
constexpr std::int32_t kAllNotesOffController = 123;
constexpr std::int32_t kMonoModeController = 126;
constexpr int kSustainBit = 0x40;

constexpr float kControllerScale = 0.007874016f; // 1/127
constexpr int kBendLowBits = 128;
constexpr double kBendScale = 6.1035156e-05; // 1/16384
constexpr double kBendCentre = 0.5;
constexpr double kBendSpan = 0.2;

int dataByte(char byte) {
    return static_cast<unsigned char>(byte) & kDataMask;
}

} // namespace

void SynthCore::handleMidiEvent(const VstMidiEvent& event) {
    const int status = static_cast<unsigned char>(event.midiData[0]) & kStatusMask;
    const int first = dataByte(event.midiData[1]);
    const int second = dataByte(event.midiData[2]);
    NoteState& notes = *noteState;

    if (status == kNoteOn && second != 0) {
        notes.noteOn(first, second);
    } else if (status == kNoteOff || status == kNoteOn) {
        notes.noteOff(first);
    } else if (status == kControlChange) {
        // The controller number is the raw byte, read as signed.
        const std::int32_t controller = static_cast<signed char>(event.midiData[1]);
        const float value = static_cast<float>(second) * kControllerScale;
        controllerMap->forEachParameter(
            controller, [&](std::int32_t parameter) { setParameterAutomated(parameter, value); });
        if (controller == kSustainController)
            notes.setSustain(second & kSustainBit);
        else if (controller == kAllNotesOffController || controller == kMonoModeController)
            notes.allNotesOff();
    } else if (status == kPitchBend) {
        const double position = (second * kBendLowBits + first) * kBendScale;
        notes.bendOffset =
            static_cast<float>((position - kBendCentre) * *notes.bendRange * kBendSpan);
    }
}
