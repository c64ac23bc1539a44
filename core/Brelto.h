// The concrete plug-in: the core with this effect's identity, its one module
// (the maximizer, bound to the parameter rows and meters by name), its
// default bank and the chunk text in which hosts keep its settings.
#pragma once

#include "core/SynthCore.h"
#include "platform/ModuleServices.h"

#include <cstddef>
#include <memory>

class DaVivadozoz;

class Brelto : public SynthCore {
public:
    static constexpr float kInitialRate = 44100.0f;
    // The pitch-bend range the note state reads: one voice at a time.
    static constexpr float kVoiceMode = 1.0f;

    // Chunk sizes as handed to the host, whatever the length of the text.
    static constexpr VstInt32 kProgramChunkSize = 1236;
    static constexpr VstInt32 kBankChunkSize = 1266;
    // The default bank: a bank file in the resources whose chunk starts after its header.
    static constexpr const char* kBankResourceType = "FXB";
    static constexpr int kBankResourceId = 218;
    static constexpr std::size_t kBankChunkOffset = 160;

    // Any thread that loads the plug-in; host may be null.
    explicit Brelto(audioMasterCallback host);
    ~Brelto() override;

    // UI thread. The chunk stays valid until this instance's next getChunk.
    VstInt32 getChunk(void** data, bool programForm) override;
    // UI thread. Reads at most byteSize bytes and answers 1; a chunk in which
    // no line names a setting of this plug-in, and a byteSize of 0 or less,
    // change nothing and answer 0.
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool programForm) override;

    // UI thread: no row of this plug-in has a text entry; keeps nothing.
    void onTextEdited(int index, const char* text) override;

    // UI thread, never while processing: a new rate may change the look-ahead,
    // which the record reports as the initial delay.
    void setSampleRate(float rate) override;

    const DaVivadozoz& maximizerModule() const { return *maximizer; }

protected:
    // Construction: reads the bank file's chunk; a missing or short bank leaves
    // the program as it is.
    void loadDefaultBank(const platform::ResourceBytes& bank);

private:
    void bindMaximizer();
    // Applies one line; false when it names no setting of this plug-in.
    bool readChunkLine(char* line, bool programForm);

    std::unique_ptr<DaVivadozoz> maximizer;
    // chunkBuffer: the text handed out by the last getChunk (UI thread).
    unsigned char chunkBuffer[kBankChunkSize];
};
