#include "tools/host/Render.h"

#include "core/Brelto.h"
#include "dsp/DaVivadozoz.h"
#include "tools/host/TestSignals.h"

#include <cstring>
#include <vector>

namespace {

constexpr int kSessionFrames = 400000;
constexpr std::uint32_t kSeed = 20261207;

void writeFloats(std::FILE* out, const float* values, std::size_t count) {
    std::fwrite(values, sizeof(float), count, out);
}

// The meters are not part of the plug-in interface; a host built from the
// same sources reads them from the instance, the way the editor does.
void writeMeters(std::FILE* out, AEffect* effect) {
    auto* plugin = static_cast<Brelto*>(static_cast<AudioEffect*>(effect->object));
    const DaVivadozoz& module = plugin->maximizerModule();
    const float meters[] = {module.meterR.load(), module.meterI0.load(), module.meterI1.load(),
                            module.meterO0.load(), module.meterO1.load()};
    writeFloats(out, meters, 5);
}

} // namespace

bool renderSession(TestHost& host, AEffect* effect, std::FILE* out) {
    if (effect->uniqueID != Brelto::kUniqueId || host.text(effect, effGetEffectName) != "Brelto")
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
            host.dispatch(effect, effSetSampleRate, 0, 0, nullptr, random.below(2) ? 48000.0f : 44100.0f);
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
