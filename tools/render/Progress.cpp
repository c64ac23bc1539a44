#include "tools/render/Progress.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

// Shorter files finish before a bar would tell anything.
constexpr long long kShortestSeconds = 10;
constexpr int kBarWidth = 40;
constexpr int kPercent = 100;

} // namespace

Progress::Progress(bool wanted, long long totalFrames, int rate)
    : shown(wanted && isatty(STDERR_FILENO) && totalFrames > kShortestSeconds * rate),
      total(totalFrames) {}

void Progress::update(long long doneFrames) {
    if (!shown) return;
    const int percent = static_cast<int>(std::min(doneFrames, total) * kPercent / total);
    if (percent == drawnPercent) return;
    drawnPercent = percent;
    const int filled = percent * kBarWidth / kPercent;
    std::fprintf(stderr, "\r[%s%s] %3d%%",
                 std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(kBarWidth - filled), '.').c_str(), percent);
    std::fflush(stderr);
}

void Progress::finish() {
    if (!shown || drawnPercent < 0) return;
    std::fprintf(stderr, "\r%*s\r", kBarWidth + 8, "");
    std::fflush(stderr);
}
