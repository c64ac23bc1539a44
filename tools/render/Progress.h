// Progress bars on standard error, for renders long enough to wait for and
// only when standard error is a terminal.
#pragma once

#include <string>

// Draws "[####....]  40%" and a note after it, in place.
void drawBar(double share, const std::string& note);
// Clears a bar drawn by drawBar.
void clearBar();
// True when standard error is a terminal.
bool barsShown();

class Progress {
public:
    // wanted: the user did not ask for quiet; total frames at `rate`.
    Progress(bool wanted, long long totalFrames, int rate);
    void update(long long doneFrames);
    // Clears the bar.
    void finish();

private:
    bool shown;
    long long total;
    int drawnPercent = -1;
};
