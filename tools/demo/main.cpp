// brelto-make-demo: writes the demonstration file that `./run demo` renders
// (resources/DemoExcerpt.flac): a few seconds of synthetic stereo music whose
// drum hits reach -1 dBFS, 16-bit FLAC at 44.1 kHz.
//   brelto-make-demo OUTPUT-FILE
#include "tools/demo/MusicSignal.h"

#include <sndfile.h>

#include <cstdio>

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 6.0;
constexpr float kPeak = 0.891f; // -1 dBFS
constexpr int kStereo = 2;

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brelto-make-demo OUTPUT-FILE\n");
        return 2;
    }
    const std::vector<float> music = musicExcerpt(kRate, kSeconds, kPeak);
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = kStereo;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
    const sf_count_t frames = static_cast<sf_count_t>(music.size() / kStereo);
    if (file == nullptr || sf_writef_float(file, music.data(), frames) != frames ||
        sf_close(file) != 0) {
        std::fprintf(stderr, "brelto-make-demo: cannot write %s: %s\n", argv[1], sf_strerror(file));
        return 1;
    }
    return 0;
}
