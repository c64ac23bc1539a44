// brelto-core-frames: runs the limiter core alone over 4 s of one signal at
// 44.1 kHz in host blocks of 512, with release 10 ms, look-ahead 5 ms and
// channels linked, and prints a hash of the output bits. Made to be counted by
// an instruction profiler, whose counts do not move with the load of the machine:
//   valgrind --tool=callgrind build/native/brelto-core-frames slow|noise|silence [isp]
//                                                            [sse2|avx2|avx512]
// The last argument forces the limiter's vector kernels (default: the ones
// the plug-in picks on this machine).
#include "dsp/MaximizerCore.h"
#include "tools/signals/TestSignals.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 4 * kRate;
constexpr int kBlock = 512;
constexpr int kReleaseFrames = 441;
constexpr float kCeiling = 0.966f; // -0.3 dB
constexpr double kPi = 3.141592653589793;

} // namespace

int main(int argc, char** argv) {
    const std::string kind = argc > 1 ? argv[1] : "";
    int next = 2;
    const bool isp = argc > next && std::strcmp(argv[next], "isp") == 0;
    if (isp) ++next;
    const std::string levelName = argc > next ? argv[next] : "";
    SimdLevel level = preferredSimdLevel();
    if (levelName == "sse2") level = SimdLevel::sse2;
    if (levelName == "avx2") level = SimdLevel::avx2;
    if (levelName == "avx512") level = SimdLevel::avx512;
    if (!levelName.empty() && levelName != "sse2" && levelName != "avx2" && levelName != "avx512") {
        std::fprintf(stderr, "unknown kernels: %s\n", levelName.c_str());
        return 2;
    }
    if (level > supportedSimdLevel()) {
        std::fprintf(stderr, "this processor cannot run the %s kernels\n", levelName.c_str());
        return 2;
    }
    std::vector<float> in(2 * kFrames), out(2 * kFrames);
    float gain = 1.0f;
    signals::Random random(1);
    for (int i = 0; i < kFrames; ++i) {
        float v = 0.0f;
        if (kind == "slow") {
            // One of the peer benchmark's swells: a rectified 7 Hz sine at -6 dBFS, +30 dB.
            v = static_cast<float>(0.5 * std::fabs(std::sin(2 * kPi * 7.0 * i / kRate)));
            gain = 31.622776f;
        } else if (kind == "noise") {
            v = (static_cast<float>(random.next()) / 4294967296.0f * 2.0f - 1.0f) * 0.25f;
            gain = 7.943282f; // +18 dB
        } else if (kind != "silence") {
            std::fprintf(stderr,
                         "usage: brelto-core-frames slow|noise|silence [isp] [sse2|avx2|avx512]\n");
            return 2;
        }
        in[2 * i] = in[2 * i + 1] = v;
    }
    MaximizerCore core(level);
    core.setGain(gain);
    core.setReleaseFrames(kReleaseFrames);
    core.setSwitches(isp, true);
    for (int done = 0; done < kFrames; done += kBlock) {
        const int frames = kFrames - done < kBlock ? kFrames - done : kBlock;
        core.process(in.data() + 2 * done, out.data() + 2 * done, frames, kCeiling);
    }
    std::uint64_t hash = 1469598103934665603ull;
    for (float sample : out) {
        std::uint32_t sampleBits;
        std::memcpy(&sampleBits, &sample, sizeof(sampleBits));
        hash = (hash ^ sampleBits) * 1099511628211ull;
    }
    std::printf("%s%s %016llx\n", kind.c_str(), isp ? " isp" : "",
                static_cast<unsigned long long>(hash));
    return 0;
}
