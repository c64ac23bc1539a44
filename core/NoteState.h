// The latest note, sustain and pitch-bend messages. Nothing in this plug-in's
// sound or display depends on them; they are kept as received.
#pragma once

#include <cstdint>

struct NoteState {
    static constexpr std::int32_t kNoNote = -1;
    static constexpr float kUnitRange = 1.0f;

    // Written on the audio thread as events are handed out; cleared at construction.
    // note / velocity: the latest note-on (kNoNote before any).
    // keyDown: that note's key is still held; sounding: it still sounds (key or pedal).
    // sustain: the pedal bit of the latest sustain message, 0 or 0x40.
    // bendOffset: the latest pitch bend, -0.1 .. +0.1 times *bendRange.
    // bendRange: the plug-in's bend range, bound once at construction.
    std::int32_t note = kNoNote;
    std::int32_t velocity = 0;
    bool keyDown = false;
    bool sounding = false;
    std::int32_t sustain = 0;
    float bendOffset = 0.0f;
    const float* bendRange = &kUnitRange;

    void noteOn(std::int32_t number, std::int32_t noteVelocity) {
        note = number;
        velocity = noteVelocity;
        keyDown = sounding = true;
    }
    void noteOff(std::int32_t number) {
        if (number != note) return;
        keyDown = false;
        sounding = sustain != 0;
    }
    void setSustain(std::int32_t pedal) {
        sustain = pedal;
        if (pedal == 0 && !keyDown) sounding = false;
    }
    void allNotesOff() { keyDown = sounding = false; }
    // Forgets every message; the bend range binding stays.
    void clear() {
        const float* range = bendRange;
        *this = NoteState();
        bendRange = range;
    }
};
