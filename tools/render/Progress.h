// A progress bar on standard error, for renders long enough to wait for and
// only when standard error is a terminal.
#pragma once

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
