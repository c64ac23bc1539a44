#include "tools/render/Progress.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

// Shorter files finish before a bar would tell anything.
constexpr long long kShortestSeconds = 10;
constexpr int kBarWidth = 40;
constexpr int kPercent = 100;
constexpr int kNoteWidth = 24;

} // namespace

bool barsShown() {
    return isatty(STDERR_FILENO) != 0;
}

void drawBar(double share, const std::string& note) {
    const int percent = static_cast<int>(std::clamp(share, 0.0, 1.0) * kPercent);
    const int filled = percent * kBarWidth / kPercent;
    std::fprintf(stderr, "\r[%s%s] %3d%% %-*s",
                 std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(kBarWidth - filled), '.').c_str(), percent,
                 kNoteWidth, note.c_str());
    std::fflush(stderr);
}

void clearBar() {
    std::fprintf(stderr, "\r%*s\r", kBarWidth + 8 + kNoteWidth, "");
    std::fflush(stderr);
}

Progress::Progress(bool wanted, long long totalFrames, int rate)
    : shown(wanted && barsShown() && totalFrames > kShortestSeconds * rate), total(totalFrames) {}

void Progress::update(long long doneFrames) {
    if (!shown) return;
    const int percent = static_cast<int>(std::min(doneFrames, total) * kPercent / total);
    if (percent == drawnPercent) return;
    drawnPercent = percent;
    drawBar(static_cast<double>(percent) / kPercent, "");
}

void Progress::finish() {
    if (!shown || drawnPercent < 0) return;
    clearBar();
}
