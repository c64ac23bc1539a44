// Checks of the audio path: every rate with every block size, block splits,
// poisoned input, subnormal input, and processing in place.
#include "tools/validate/Check.h"

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstring>
#include <xmmintrin.h>

namespace {

constexpr int kLargestBlock = 4096;
constexpr float kDrive = 15.848932f; // +24 dBFS
constexpr float kCeiling = 1.0f;     // 0 dBFS, where a limiter at its defaults stops
constexpr float kQuiet = 0.25f;      // -12 dBFS: no limiter acts on it
constexpr float kCleanTolerance = 1e-3f;
constexpr std::uint32_t kFlushToZero = 0x8000;
constexpr std::uint32_t kDenormalsAreZero = 0x0040;
constexpr std::uint32_t kExceptionFlags = 0x003F; // sticky results of arithmetic, not settings

const float kAllRates[] = {8000.0f,   22050.0f,  44100.0f,  48000.0f,   88200.0f,  96000.0f,
                           192000.0f, 384000.0f, 768000.0f, 1234.5678f, 45678.901f};
const int kAllBlocks[] = {1, 10, 17, 64, 256, 512, 1024, 1536, 2027, 4096, 16384};
const float kShortRates[] = {8000.0f, 44100.0f, 768000.0f, 1234.5678f, 45678.901f};
const int kShortBlocks[] = {1, 17, 512, 2027, 16384};

// Index of the first sample whose bits differ, or -1.
long firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (bitsOf(a[i]) != bitsOf(b[i])) return static_cast<long>(i);
    return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

struct OutputFaults {
    long nonFinite = 0;
    long subnormal = 0;
    float peak = 0.0f;
    void add(const std::vector<float>& samples) {
        for (float s : samples) {
            if (!std::isfinite(s))
                ++nonFinite;
            else if (isSubnormal(s))
                ++subnormal;
            else
                peak = std::max(peak, std::fabs(s));
        }
    }
};

std::vector<float> drivenSignal(int kind, int frames, float rate, Random& random) {
    if (kind == 0) return material::noise(frames, kDrive, random);
    if (kind == 1) return material::sweep(frames, rate, kDrive);
    return material::square(frames, rate, kDrive);
}

} // namespace

CheckResult checkRatesAndBlocks(CheckContext& context) {
    CheckResult result;
    Random random(context.seed);
    std::vector<float> rates(std::begin(kAllRates), std::end(kAllRates));
    std::vector<int> blocks(std::begin(kAllBlocks), std::end(kAllBlocks));
    if (context.quick) {
        rates.assign(std::begin(kShortRates), std::end(kShortRates));
        blocks.assign(std::begin(kShortBlocks), std::end(kShortBlocks));
    }
    OutputFaults faults;
    float worstRatio = 0.0f;
    std::string worstAt = "";
    int runs = 0;
    for (const bool suspendAround : {true, false}) {
        Effect effect(context.plugin.entry());
        effect.start(kRate, kBlock);
        for (const float rate : rates) {
            for (const int block : blocks) {
                if (suspendAround) effect.suspend();
                effect.setRate(rate);
                effect.setBlockSize(block);
                if (suspendAround) effect.resume();
                const int frames = std::max(3 * block, context.size(16384, 4096));
                const std::vector<float> input = drivenSignal(runs % 3, frames, rate, random);
                OutputFaults these;
                these.add(runStereo(effect, input, {block}));
                if (these.nonFinite + these.subnormal > 0)
                    result.fail(format("%ld non-finite, %ld subnormal at %g Hz, block %d%s",
                                       these.nonFinite, these.subnormal, rate, block,
                                       suspendAround ? "" : " (no suspend)"));
                if (these.peak / kCeiling > worstRatio) {
                    worstRatio = these.peak / kCeiling;
                    worstAt = format("%g Hz, block %d", rate, block);
                }
                faults.nonFinite += these.nonFinite;
                faults.subnormal += these.subnormal;
                ++runs;
            }
        }
    }
    if (worstRatio > 1.0f)
        result.fail(format("output %.4f times the ceiling at %s", worstRatio, worstAt.c_str()));
    result.figure = format("%d runs (%zu rates x %zu blocks, with and without suspend): "
                           "%ld non-finite, %ld subnormal; worst peak / ceiling %.6f (%s)",
                           runs, rates.size(), blocks.size(), faults.nonFinite, faults.subnormal,
                           worstRatio, worstAt.c_str());
    return result;
}

CheckResult checkBlockSplits(CheckContext& context) {
    CheckResult result;
    Random random(context.seed);
    std::vector<int> sizes;
    long total = 0;
    for (int i = 0; i < context.size(1000, 100); ++i) {
        const int roll = random.below(10);
        const int size = roll == 0 ? 0 : roll == 1 ? 1 : 2 + random.below(kLargestBlock - 1);
        sizes.push_back(size);
        total += size;
    }
    sizes.push_back(1); // so that the list never holds zeros only
    const std::vector<float> input = material::varied(static_cast<int>(total), random);
    Effect fixed(context.plugin.entry()), split(context.plugin.entry());
    fixed.start(kRate, kLargestBlock);
    split.start(kRate, kLargestBlock);
    const std::vector<float> reference = runStereo(fixed, input, {kBlock});
    const std::vector<float> output = runStereo(split, input, sizes);
    const long differs = firstDifference(reference, output);
    if (differs >= 0) result.fail(format("first differing sample at frame %ld", differs / 2));
    result.figure =
        format("%ld frames in %zu random blocks (0 to %d) against blocks of %d: %s", total,
               sizes.size() - 1, kLargestBlock, kBlock, differs < 0 ? "bit-identical" : "differ");
    return result;
}

namespace {

struct Poison {
    const char* name;
    float value;
    bool leftOnly;
    bool singleInSilence;
};

const Poison kPoisons[] = {
    {"NaN", NAN, false, false},
    {"+Inf", INFINITY, false, false},
    {"-Inf", -INFINITY, false, false},
    {"FLT_MAX", FLT_MAX, false, false},
    {"1e30", 1e30f, false, false},
    {"NaN in one channel", NAN, true, false},
    {"one NaN sample in silence", NAN, false, true},
    {"FLT_MIN", FLT_MIN, false, false},
    {"1e-38", 1e-38f, false, false},
};

constexpr int kPoisonFrames = 64;

} // namespace

CheckResult checkPoisonedInput(CheckContext& context) {
    CheckResult result;
    Random random(context.seed);
    const int lead = static_cast<int>(kRate / 4);
    const int tail = context.size(static_cast<int>(kRate), static_cast<int>(kRate / 2));
    long totalNonFinite = 0, worstClean = 0;
    bool anyStuck = false;
    const char* worstCase = "";
    for (const Poison& poison : kPoisons) {
        const int frames = lead + kPoisonFrames + tail;
        std::vector<float> clean = poison.singleInSilence
                                       ? std::vector<float>(2 * static_cast<std::size_t>(frames))
                                       : material::noise(frames, kQuiet, random);
        std::vector<float> poisoned = clean;
        const int length = poison.singleInSilence ? 1 : kPoisonFrames;
        for (int i = lead; i < lead + length; ++i) {
            const std::size_t at = 2 * static_cast<std::size_t>(i);
            poisoned[at] = poison.value;
            clean[at] = 0.0f;
            if (!poison.leftOnly) {
                poisoned[at + 1] = poison.value;
                clean[at + 1] = 0.0f;
            }
        }
        Effect reference(context.plugin.entry()), tested(context.plugin.entry());
        reference.start(kRate, kBlock);
        tested.start(kRate, kBlock);
        const std::vector<float> expected = runStereo(reference, clean, {kBlock});
        const std::vector<float> output = runStereo(tested, poisoned, {kBlock});
        long nonFinite = 0, lastBad = -1;
        for (std::size_t i = 0; i < output.size(); ++i) {
            const bool finite = std::isfinite(output[i]);
            if (!finite) ++nonFinite;
            if (!finite || std::fabs(output[i] - expected[i]) > kCleanTolerance)
                lastBad = static_cast<long>(i / 2);
        }
        const bool stuck = lastBad >= frames - 1;
        const long cleanAfter = lastBad < lead ? 0 : lastBad + 1 - lead;
        std::string line = format("%s: %ld non-finite outputs, ", poison.name, nonFinite);
        line += stuck ? "never clean again" : format("clean again after %ld frames", cleanAfter);
        result.details.push_back(line);
        if (nonFinite > 0 || stuck) result.status = Status::Fail;
        totalNonFinite += nonFinite;
        if (!anyStuck && (stuck || cleanAfter > worstClean)) {
            worstClean = cleanAfter;
            worstCase = poison.name;
        }
        anyStuck = anyStuck || stuck;
    }
    result.figure =
        format("%zu poisons: %ld non-finite outputs; clean again after at most %s (%s)",
               std::size(kPoisons), totalNonFinite,
               anyStuck ? "never" : format("%ld frames", worstClean).c_str(), worstCase);
    return result;
}

namespace {

double timeBlocks(Effect& effect, const std::vector<float>& frames, std::uint32_t hostCsr,
                  std::uint32_t& csrAfter) {
    const int total = static_cast<int>(frames.size() / 2);
    Channels in(effect.inputs(), kBlock), out(effect.outputs(), kBlock);
    const int stereoIn = std::min(effect.inputs(), 2);
    std::chrono::steady_clock::duration busy{};
    for (int done = 0; done + kBlock <= total; done += kBlock) {
        for (int c = 0; c < stereoIn; ++c)
            for (int i = 0; i < kBlock; ++i)
                in[c][i] = frames[2 * static_cast<std::size_t>(done + i) + c];
        _mm_setcsr(hostCsr);
        const auto start = std::chrono::steady_clock::now();
        effect.process(in.pointers(), out.pointers(), kBlock);
        busy += std::chrono::steady_clock::now() - start;
        csrAfter = _mm_getcsr();
    }
    _mm_setcsr(hostCsr);
    return std::chrono::duration<double>(busy).count();
}

} // namespace

CheckResult checkDenormals(CheckContext& context) {
    CheckResult result;
    Random random(context.seed);
    // The short run times many short runs, so that a busy machine still leaves
    // some of them undisturbed.
    const int frames = context.size(static_cast<int>(kRate), static_cast<int>(kRate / 10));
    const std::vector<float> noise = material::noise(frames, kQuiet, random);
    std::vector<float> subnormal(noise.size());
    for (float& s : subnormal)
        s = random.bipolar() * 1.1e-38f; // all below FLT_MIN
    const std::uint32_t hostCsr = _mm_getcsr() & ~(kFlushToZero | kDenormalsAreZero);
    Effect onNoise(context.plugin.entry()), onSubnormal(context.plugin.entry());
    onNoise.start(kRate, kBlock);
    onSubnormal.start(kRate, kBlock);
    double fastestNoise = 1e30, fastestSubnormal = 1e30;
    std::uint32_t csrAfter = hostCsr;
    const int repetitions = context.size(15, 25);
    for (int r = 0; r < repetitions; ++r) {
        fastestNoise = std::min(fastestNoise, timeBlocks(onNoise, noise, hostCsr, csrAfter));
        fastestSubnormal =
            std::min(fastestSubnormal, timeBlocks(onSubnormal, subnormal, hostCsr, csrAfter));
    }
    const double ratio = fastestSubnormal / fastestNoise;
    // A real subnormal stall costs many times over; the short run on a busy
    // machine judges only that.
    const double limit = context.quick ? 2.0 : 1.2;
    if (ratio > limit) result.fail(format("subnormal input is %.2f times slower", ratio));
    const bool csrKept = (csrAfter & ~kExceptionFlags) == (hostCsr & ~kExceptionFlags);
    if (!csrKept)
        result.fail(format("processing left the host's SSE control register changed: 0x%04x to "
                           "0x%04x",
                           hostCsr, csrAfter));
    result.figure = format("time on subnormal / on noise %.2f (limit %.1f; fastest of %d runs of "
                           "%g s, host flush-to-zero off); host SSE control register %s",
                           ratio, limit, repetitions, frames / static_cast<double>(kRate),
                           csrKept ? "kept" : "changed");
    return result;
}

CheckResult checkInPlace(CheckContext& context) {
    CheckResult result;
    Random random(context.seed);
    const int frames = context.size(88200, 16384);
    const std::vector<float> input = material::varied(frames, random);
    Effect separate(context.plugin.entry()), inPlace(context.plugin.entry());
    separate.start(kRate, kBlock);
    inPlace.start(kRate, kBlock);
    const int ins = separate.inputs(), outs = separate.outputs();
    const int shared = std::min(ins, outs);
    Channels in(ins, kBlock), out(outs, kBlock), io(std::max(ins, outs), kBlock);
    long inputChanged = 0;
    std::vector<float> outSeparate, outInPlace;
    for (int done = 0; done + kBlock <= frames; done += kBlock) {
        for (int c = 0; c < std::min(ins, 2); ++c)
            for (int i = 0; i < kBlock; ++i)
                in[c][i] = io[c][i] = input[2 * static_cast<std::size_t>(done + i) + c];
        for (int c = std::min(ins, 2); c < io.count(); ++c)
            std::fill(io[c], io[c] + kBlock, 0.0f);
        const std::vector<std::vector<float>> kept = [&] {
            std::vector<std::vector<float>> copy;
            for (int c = 0; c < ins; ++c)
                copy.emplace_back(in[c], in[c] + kBlock);
            return copy;
        }();
        separate.process(in.pointers(), out.pointers(), kBlock);
        inPlace.process(io.pointers(), io.pointers(), kBlock);
        for (int c = 0; c < ins; ++c)
            if (std::memcmp(kept[c].data(), in[c], kBlock * sizeof(float)) != 0) ++inputChanged;
        for (int c = 0; c < outs; ++c) {
            outSeparate.insert(outSeparate.end(), out[c], out[c] + kBlock);
            outInPlace.insert(outInPlace.end(), io[c], io[c] + kBlock);
        }
    }
    const long differs = firstDifference(outSeparate, outInPlace);
    if (differs >= 0) result.fail("in place differs from separate buffers");
    if (inputChanged > 0) result.fail(format("%ld input blocks written to", inputChanged));
    result.figure =
        format("%d frames, %d shared channels: in place %s separate buffers; input "
               "blocks changed when separate: %ld",
               frames, shared, differs < 0 ? "bit-identical to" : "differs from", inputChanged);
    return result;
}
