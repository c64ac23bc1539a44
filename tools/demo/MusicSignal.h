// A short piece of synthetic music for demonstrations and benchmarks: drums
// with sharp transients over bass, chords and a plucked line, in stereo. It
// is made from integer noise and double-precision oscillators only, so the
// same call gives the same samples everywhere.
#pragma once

#include <vector>

// Interleaved stereo frames, `seconds` long at `rate`; the loudest sample
// reaches `peak` (a drum hit), the body of the music stays well below it.
std::vector<float> musicExcerpt(int rate, double seconds, float peak);
