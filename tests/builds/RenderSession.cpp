// brelto_render_session PLUGIN-FILE OUTPUT: a long, reproducible session
// through a plug-in file's record: varied audio in host blocks of random
// sizes, parameter moves, rate changes and suspends. It writes every output
// sample and, after every block, the five meter readings as raw 32-bit
// floats. Both builds of the plug-in must write the same bytes.
#include "core/Brelto.h"
#include "core/Identity.h"
#include "dsp/DaVivadozoz.h"
#include "tools/pluginhost/RecordingHost.h"
#include "tools/signals/TestSignals.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int kSessionFrames = 400000;
constexpr std::uint32_t kSeed = 20261207;

void writeFloats(std::FILE* out, const float* values, std::size_t count) {
    std::fwrite(values, sizeof(float), count, out);
}

// The meters are not part of the plug-in interface; this test, built from the
// same sources as the plug-in, reads them from the instance the way the
// editor does.
void writeMeters(std::FILE* out, AEffect* effect) {
    auto* plugin = static_cast<Brelto*>(static_cast<AudioEffect*>(effect->object));
    const DaVivadozoz& module = plugin->maximizerModule();
    const float meters[] = {module.meterR.load(), module.meterI0.load(), module.meterI1.load(),
                            module.meterO0.load(), module.meterO1.load()};
    writeFloats(out, meters, 5);
}

// False when the plug-in is not Brelto.
bool renderSession(RecordingHost& host, AEffect* effect, std::FILE* out) {
    if (effect->uniqueID != identity::kUniqueId ||
        host.text(effect, effGetEffectName) != identity::kEffectName)
        return false;
    signals::Random random(kSeed);
    const std::vector<float> input = signals::varied(kSessionFrames, kSeed);
    std::vector<float> left(4096), right(4096);
    host.dispatch(effect, effMainsChanged, 0, 1);
    for (int done = 0; done < kSessionFrames;) {
        const int roll = random.below(100);
        if (roll < 20) {
            for (VstInt32 index : {kGain, kOutCeil, kRelease})
                effect->setParameter(effect, index, (random.bipolar() + 1.0f) * 0.5f);
            effect->setParameter(effect, kStereo, random.below(2) ? 1.0f : 0.0f);
            effect->setParameter(effect, kIsp, random.below(2) ? 1.0f : 0.0f);
        } else if (roll == 20) {
            host.dispatch(effect, effMainsChanged, 0, 0);
            host.dispatch(effect, effSetSampleRate, 0, 0, nullptr,
                          random.below(2) ? 48000.0f : 44100.0f);
            host.dispatch(effect, effMainsChanged, 0, 1);
        }
        const int n = std::min(1 + random.below(4096), kSessionFrames - done);
        for (int i = 0; i < n; ++i) {
            left[i] = input[2 * (done + i)];
            right[i] = input[2 * (done + i) + 1];
        }
        float* io[2] = {left.data(), right.data()};
        effect->processReplacing(effect, io, io, n);
        for (int i = 0; i < n; ++i) {
            const float frame[2] = {left[i], right[i]};
            writeFloats(out, frame, 2);
        }
        writeMeters(out, effect);
        done += n;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: brelto_render_session PLUGIN-FILE OUTPUT\n");
        return 2;
    }
    PluginLibrary library(argv[1]);
    if (!library.loaded()) {
        std::fprintf(stderr, "brelto_render_session: cannot load %s: %s\n", argv[1],
                     library.error().c_str());
        return 1;
    }
    RecordingHost host;
    host.recordCalls = false;
    AEffect* effect = host.open(library.entry());
    std::FILE* out = std::fopen(argv[2], "wb");
    if (effect == nullptr || out == nullptr) {
        std::fprintf(stderr, "brelto_render_session: no effect from %s or cannot write %s\n",
                     argv[1], argv[2]);
        if (out != nullptr) std::fclose(out);
        return 1;
    }
    const bool rendered = renderSession(host, effect, out);
    const bool written = std::fclose(out) == 0;
    host.close(effect);
    if (!rendered) std::fprintf(stderr, "brelto_render_session: %s is not Brelto\n", argv[1]);
    return rendered && written ? 0 : 1;
}
