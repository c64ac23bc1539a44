// brelto-core-frames: runs the limiter core alone over 4 s of one signal at
// 44.1 kHz in host blocks of 512, with release 10 ms, look-ahead 5 ms and
// channels linked, and prints a hash of the output bits. Made to be counted by
// an instruction profiler, whose counts do not move with the load of the machine:
//   valgrind --tool=callgrind build/native/brelto-core-frames slow[HZ]|noise|silence [isp]
//                                                            [RATE] [sse2|avx2|avx512]
// `slow` is a rectified 7 Hz sine, `slow3` one at 3 Hz. A RATE other than
// 44100 runs 4 s at that rate with the look-ahead that a change of rate
// gives (16 ms); the release stays 10 ms. The last argument forces the
// limiter's vector kernels (default: the ones the plug-in picks on this
// machine).
#include "dsp/MaximizerCore.h"
#include "tools/signals/TestSignals.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 4;
constexpr int kBlock = 512;
constexpr double kReleaseSeconds = 0.010;
constexpr double kSwellHertz = 7.0;
constexpr float kCeiling = 0.966f; // -0.3 dB
constexpr double kPi = 3.141592653589793;

} // namespace

int main(int argc, char** argv) {
    const std::string kind = argc > 1 ? argv[1] : "";
    int next = 2;
    const bool isp = argc > next && std::strcmp(argv[next], "isp") == 0;
    if (isp) ++next;
    int rate = kRate;
    if (argc > next && std::isdigit(static_cast<unsigned char>(argv[next][0]))) {
        rate = std::atoi(argv[next++]);
        if (rate < 8000 || rate > 384000) {
            std::fprintf(stderr, "rate out of range: %d\n", rate);
            return 2;
        }
    }
    const double hertz = kind.size() > 4 && kind.compare(0, 4, "slow") == 0
                             ? std::atof(kind.c_str() + 4)
                             : kSwellHertz;
    const int frames = kSeconds * rate;
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
    std::vector<float> in(2 * frames), out(2 * frames);
    float gain = 1.0f;
    signals::Random random(1);
    for (int i = 0; i < frames; ++i) {
        float v = 0.0f;
        if (kind.compare(0, 4, "slow") == 0 && hertz > 0.0) {
            // A rectified sine at -6 dBFS, +30 dB, as in the peer benchmark's swells.
            v = static_cast<float>(0.5 * std::fabs(std::sin(2 * kPi * hertz * i / rate)));
            gain = 31.622776f;
        } else if (kind == "noise") {
            v = (static_cast<float>(random.next()) / 4294967296.0f * 2.0f - 1.0f) * 0.25f;
            gain = 7.943282f; // +18 dB
        } else if (kind != "silence") {
            std::fprintf(stderr, "usage: brelto-core-frames slow[HZ]|noise|silence [isp] [RATE] "
                                 "[sse2|avx2|avx512]\n");
            return 2;
        }
        in[2 * i] = in[2 * i + 1] = v;
    }
    MaximizerCore core(level);
    if (!core.setSampleRate(rate)) return 1;
    core.setGain(gain);
    core.setReleaseFrames(static_cast<std::int32_t>(rate * kReleaseSeconds));
    core.setSwitches(isp, true);
    for (int done = 0; done < frames; done += kBlock) {
        const int count = frames - done < kBlock ? frames - done : kBlock;
        core.process(in.data() + 2 * done, out.data() + 2 * done, count, kCeiling);
    }
    std::uint64_t hash = 1469598103934665603ull;
    for (float sample : out) {
        std::uint32_t sampleBits;
        std::memcpy(&sampleBits, &sample, sizeof(sampleBits));
        hash = (hash ^ sampleBits) * 1099511628211ull;
    }
    std::printf("%s%s %d %016llx\n", kind.c_str(), isp ? " isp" : "", rate,
                static_cast<unsigned long long>(hash));
    return 0;
}
