// The limiter's arithmetic written out literally, one scalar operation after
// another in the order the algorithm states them. The plug-in's vectorised
// limiter must give the same bits; tests compare the two.
#pragma once

#include "base/Decimal.h"
#include "dsp/ParameterLaws.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace reference {

constexpr float kThreshold = 0.999f;
constexpr float kQuarter = 0.25f;
constexpr float kInverseDiagonal2 = 0.26666668f;
constexpr float kThird = 0.33333334f;

struct Spline {
    float a[5] = {};

    float estimate(float g) {
        a[4] = a[3];
        a[3] = a[2];
        a[2] = a[1];
        a[1] = a[0];
        a[0] = g;
        const float alpha1 = ((a[0] - 2.0f * a[1]) + a[2]) * 3.0f;
        const float alpha2 = ((a[1] - 2.0f * a[2]) + a[3]) * 3.0f;
        const float alpha3 = ((a[2] - 2.0f * a[3]) + a[4]) * 3.0f;
        const float c0 = 0.0f;
        const float z1 = (alpha1 - c0) * kQuarter;
        const float z2 = (alpha2 - z1) * kInverseDiagonal2;
        const float l3 = 4.0f - kInverseDiagonal2;
        const float z3 = (alpha3 - z2) / l3;
        const float c3 = z3;
        const float c2 = z2 - kInverseDiagonal2 * c3;
        const float c1 = z1 - kQuarter * c2;
        const float d1 = (c2 - c1) * kThird;
        const float b1 = ((a[2] - a[1]) - c1) - d1;
        float m = std::fabs(g);
        for (float t : {0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f, 0.875f}) {
            const float v = ((d1 * t + c1) * t + b1) * t + a[1];
            if (std::fabs(v) > m) m = std::fabs(v);
        }
        return m;
    }
};

// The limiter core with the ceiling applied, as one stereo processor.
struct Maximizer {
    int rate = -1;
    int capacity = 0;
    int releaseFrames = 0;
    int lookAhead = 0;
    float lookAheadSetting = -1.0f;
    float envelope[2] = {kThreshold, kThreshold};
    std::vector<float> delayLine, peakLine;
    int writePos = 0;
    int hold[2] = {};
    float slope[2] = {};
    float target[2] = {};
    float gain = 1.0f;
    float ceiling = 1.0f;
    int ispOn = 1, linkOn = 1;
    Spline splines[2];
    bool estimating = true;
    float channelGain[2] = {};
    float inputPeak[2] = {};
    float outputPeak[2] = {};

    Maximizer() {
        setSampleRate(44100);
        setLookAhead(0.5f);
        reset();
    }

    void setSampleRate(int sr) {
        if (sr == rate) return;
        rate = sr;
        capacity = static_cast<int>(sr * 0.016);
        lookAhead = capacity;
        releaseFrames = static_cast<int>(sr * 0.007);
        delayLine.assign(2 * capacity, 0.0f);
        peakLine.assign(4 * capacity, 0.0f);
        splines[0] = splines[1] = Spline();
        for (int c = 0; c < 2; ++c) {
            slope[c] = target[c] = 0.0f;
            envelope[c] = kThreshold;
            hold[c] = 0;
        }
        writePos = 0;
    }

    void setLookAhead(float setting) {
        if (setting == lookAheadSetting) return;
        lookAheadSetting = setting;
        lookAhead = static_cast<int>(decimal::power(2.0 * setting) * rate * 0.0005);
    }

    void reset() {
        std::fill(delayLine.begin(), delayLine.end(), 0.0f);
        std::fill(peakLine.begin(), peakLine.end(), 0.0f);
        splines[0] = splines[1] = Spline();
        for (int c = 0; c < 2; ++c) {
            slope[c] = target[c] = 0.0f;
            envelope[c] = kThreshold;
            hold[c] = 0;
        }
    }

    void setParameters(float gainValue, float ceilingValue, float releaseValue, float stereo,
                       float isp) {
        gain = static_cast<float>(laws::linearGain(gainValue));
        const auto releaseMs = static_cast<float>(laws::releaseMilliseconds(releaseValue));
        ceiling = static_cast<float>(laws::linearCeiling(ceilingValue));
        releaseFrames = static_cast<int>(rate * static_cast<double>(releaseMs) * 0.001);
        linkOn = laws::switchedOn(stereo);
        ispOn = laws::switchedOn(isp);
    }

    void processFrame(float* frame) {
        const int L = lookAhead;
        const int R = releaseFrames;
        // The history stood still while the estimate was off.
        if (ispOn && !estimating) splines[0] = splines[1] = Spline();
        estimating = ispOn != 0;
        float delayed[2];
        for (int c = 0; c < 2; ++c) {
            float x = frame[c];
            if (!std::isfinite(x)) x = 0.0f;
            if (x > 1.0f) x = 1.0f;
            if (x < -1.0f) x = -1.0f;
            delayed[c] = delayLine[c + 2 * writePos];
            const float g = x * gain;
            delayLine[c + 2 * writePos] = g;
            float p = ispOn ? splines[c].estimate(g) : std::fabs(g);
            if (p < kThreshold) p = kThreshold;
            if (std::fabs(x) > inputPeak[c]) inputPeak[c] = std::fabs(x);
            peakLine[c + 2 * (writePos + L)] = p;
            peakLine[c + 2 * writePos] = p;

            float E = envelope[c], S = slope[c], T = target[c];
            int H = hold[c];
            if (S > T) {
                S = S + ((T - S) * 10.0f) / static_cast<float>(R);
                if (T > S) S = T;
            }
            E = E + S;
            if (E < kThreshold) E = kThreshold;
            if (H == 0) {
                T = (kThreshold - E) / static_cast<float>(R);
                for (int j = 1; j < L; ++j) {
                    const float v = (peakLine[c + 2 * (writePos + j)] - E) / static_cast<float>(j);
                    if (v > T) {
                        T = v;
                        S = v;
                        H = j;
                    }
                }
                // Never fall faster than the release slope.
                if (S < T) S = T;
            }
            const float v = (p - E) / static_cast<float>(L);
            if (v > T) {
                T = v;
                S = v;
                H = L;
            }
            if (H >= -R) H = H - 1;
            channelGain[c] = kThreshold / E;
            envelope[c] = E;
            slope[c] = S;
            target[c] = T;
            hold[c] = H;
        }
        if (linkOn) {
            const float G = std::fmin(channelGain[0], channelGain[1]);
            frame[0] = delayed[0] * G;
            frame[1] = delayed[1] * G;
        } else {
            frame[0] = channelGain[0] * delayed[0];
            frame[1] = channelGain[1] * delayed[1];
        }
        for (int c = 0; c < 2; ++c)
            if (std::fabs(frame[c]) > outputPeak[c]) outputPeak[c] = std::fabs(frame[c]);
        if (++writePos == L) writePos = 0;
    }

    // The module's per-frame output: limited, then scaled by the ceiling.
    void process(float* frame) {
        processFrame(frame);
        frame[0] = ceiling * frame[0];
        frame[1] = ceiling * frame[1];
    }
};

} // namespace reference
