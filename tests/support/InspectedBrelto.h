// A Brelto made directly from the plug-in's code, with its program store,
// note state and controller map in view, and chunks built from text lines.
#pragma once

#include "tests/support/FloatBits.h"

#include "core/Brelto.h"

#include <cstdint>
#include <initializer_list>
#include <string>

class InspectedBrelto : public Brelto {
public:
    explicit InspectedBrelto(audioMasterCallback host = nullptr) : Brelto(host) {}
    float programValue(int index) { return program().values[index].load(); }
    const NoteState& noteRecord() { return notes(); }
    const MidiControllerMap& controllerMap() const { return controllers(); }
    std::string programName() {
        char name[kVstMaxProgNameLen + 8] = {};
        getProgramName(name);
        return name;
    }
    // The chunk text of the last getChunk in the given form.
    std::string chunk(bool programForm) {
        void* data = nullptr;
        const VstInt32 size = getChunk(&data, programForm);
        return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
    }
    VstInt32 load(std::string text, bool programForm) {
        return setChunk(text.data(), static_cast<VstInt32>(text.size()), programForm);
    }
};

// The four ID bytes, then each line with its zero byte, then the empty line.
inline std::string chunkText(std::initializer_list<std::string> lines) {
    std::string text("2ii0", 4);
    for (const std::string& line : lines)
        text += line + '\0';
    return text + '\0';
}
