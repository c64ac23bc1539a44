// The last step before samples reach the file: the float output as the
// output format will hold it, with triangular dither for short integer
// words. The samples that the file holds are what the output is measured on.
#pragma once

#include <cstdint>
#include <string>

enum class Dither {
    Default, // TPDF for integer words of 16 bits or fewer, none otherwise
    Tpdf,
    None,
};

// "tpdf", "none"; throws RenderError naming the valid values.
Dither parseDither(const std::string& text);

class SampleConversion {
public:
    // `format`: the libsndfile format written. Throws RenderError when TPDF
    // is asked for a format that has no integer word to dither to.
    SampleConversion(int format, Dither dither);

    bool dithered() const { return dither; }
    // False for formats that store no sample exactly (lossy and companded
    // ones): what the file holds is known only by decoding it.
    bool heldExactly() const { return exact; }
    // `samples` holds the plug-in's output on entry and what to hand
    // libsndfile on return; `held` receives the values the file will hold.
    // The dither's noise runs on from call to call.
    void convert(float* samples, float* held, int count);

private:
    // shift: how far libsndfile moves its 32-bit intermediate right for the
    // word length; negative when the format keeps floats (no rounding here).
    int shift = -1;
    bool dither = false;
    bool exact = true;
    std::uint32_t noise = 0; // the dither's random state, seeded per render
};
