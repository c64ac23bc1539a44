// A host for driving a plug-in through its record: it answers the host
// callback as the interface defines and records every call it receives.
// Hosts on several threads each drive their own effects.
#pragma once

#include "tools/pluginhost/PluginLibrary.h"

#include <cstdio>
#include <string>
#include <vector>

struct HostCall {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    std::string text; // the string passed with audioMasterCanDo
    float opt;
};

class RecordingHost {
public:
    RecordingHost();
    ~RecordingHost();
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    // Calls the entry with this host's callback; null when the plug-in refuses.
    AEffect* open(PluginEntry entry);
    VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    // effClose; the record is gone afterwards.
    VstIntPtr close(AEffect* effect);
    // A text request answered into a buffer of `size` bytes.
    std::string text(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, std::size_t size = 256);
    // Calls of one opcode, in order.
    std::vector<HostCall> callsOf(VstInt32 opcode) const;

    // What the host answers.
    VstIntPtr versionAnswer = 2400;
    VstTimeInfo* timeInfo = nullptr; // audioMasterGetTime
    bool canSizeWindow = false;
    bool sizeWindowAnswer = false;
    VstIntPtr sampleRateAnswer = 0; // audioMasterGetSampleRate, Hz
    VstIntPtr blockSizeAnswer = 0;  // audioMasterGetBlockSize, frames

    // Off for long renders: the plug-in may call back on every processed chunk.
    bool recordCalls = true;

    std::vector<HostCall> calls;

    static VstIntPtr VSTCALLBACK callback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                          VstIntPtr value, void* ptr, float opt);

private:
    VstIntPtr answer(const HostCall& call);
    RecordingHost* previous; // this thread's newest host before this one
};

// The record's fixed fields, one per line.
void printRecord(std::FILE* out, const AEffect* effect);
// Every host parameter: index, name, label, display text and value bits.
void printParameters(std::FILE* out, RecordingHost& host, AEffect* effect);
// Every recorded host call.
void printCalls(std::FILE* out, const std::vector<HostCall>& calls);
