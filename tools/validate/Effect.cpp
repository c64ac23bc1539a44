#include "tools/validate/Effect.h"

#include "base/Text.h"
#include "tools/signals/TestSignals.h"

#include <cmath>
#include <cstring>

namespace {

constexpr VstIntPtr kHostVersion = 2400;
constexpr VstIntPtr kLanguageEnglish = 1;
constexpr const char* kHostVendor = "Quenor";
constexpr const char* kHostProduct = "brelto-validate";
constexpr double kPi = 3.141592653589793;

// What audioMasterGetTime answers: a transport at rest at 120 beats a minute.
// Plug-ins only read it.
VstTimeInfo hostTime = [] {
    VstTimeInfo time{};
    time.sampleRate = static_cast<double>(kRate);
    time.tempo = 120.0;
    time.timeSigNumerator = 4;
    time.timeSigDenominator = 4;
    time.flags = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
    return time;
}();

const char* const kHostCanDo[] = {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo"};

} // namespace

VstIntPtr VSTCALLBACK validatorHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr,
                                    float) {
    switch (opcode) {
    case audioMasterVersion:
        return kHostVersion;
    case audioMasterGetTime:
        return reinterpret_cast<VstIntPtr>(&hostTime);
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(kRate);
    case audioMasterGetBlockSize:
        return kBlock;
    case audioMasterGetLanguage:
        return kLanguageEnglish;
    case audioMasterGetVendorString:
        if (ptr != nullptr)
            base::copyCut(static_cast<char*>(ptr), kHostVendor, kVstMaxVendorStrLen - 1);
        return 1;
    case audioMasterGetProductString:
        if (ptr != nullptr)
            base::copyCut(static_cast<char*>(ptr), kHostProduct, kVstMaxProductStrLen - 1);
        return 1;
    case audioMasterGetVendorVersion:
        return 1;
    case audioMasterCanDo:
        if (ptr == nullptr) return 0;
        for (const char* can : kHostCanDo)
            if (std::strcmp(static_cast<const char*>(ptr), can) == 0) return 1;
        return 0;
    default:
        return 0;
    }
}

PluginFile::PluginFile(const std::string& path) : file(path), library(path) {
    if (!library.loaded()) {
        failure = "cannot load " + path + ": " + library.error();
        return;
    }
    main = library.entry("VSTPluginMain");
    if (main == nullptr) main = library.entry("main");
    if (main == nullptr) failure = path + " exports neither VSTPluginMain nor main";
}

Effect::Effect(PluginEntry entry) {
    AEffect* made = entry != nullptr ? entry(validatorHost) : nullptr;
    if (made != nullptr && made->magic == kEffectMagic) effect = made;
}

VstIntPtr Effect::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void Effect::close() {
    if (effect == nullptr) return;
    dispatch(effClose);
    effect = nullptr;
}

void Effect::start(float rate, int maxBlock) {
    dispatch(effOpen);
    setRate(rate);
    setBlockSize(maxBlock);
    resume();
}

std::vector<unsigned char> Effect::chunk(bool programForm) {
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, programForm ? 1 : 0, 0, &data);
    if (data == nullptr || size <= 0) return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

bool Effect::parametersValid() const {
    for (int i = 0; i < parameters(); ++i) {
        const float value = parameter(i);
        if (!(value >= 0.0f && value <= 1.0f)) return false;
    }
    return true;
}

Channels::Channels(int count, int frames) : length(frames) {
    for (int c = 0; c < count; ++c)
        data.emplace_back(static_cast<std::size_t>(frames), 0.0f);
    for (auto& channel : data)
        heads.push_back(channel.data());
}

std::vector<float> runStereo(Effect& effect, const std::vector<float>& frames,
                             const std::vector<int>& blockSizes) {
    const int total = static_cast<int>(frames.size() / 2);
    int largest = 1;
    for (int size : blockSizes)
        largest = size > largest ? size : largest;
    Channels in(effect.inputs(), largest), out(effect.outputs(), largest);
    std::vector<float> result(frames.size(), 0.0f);
    const int stereoIn = effect.inputs() < 2 ? effect.inputs() : 2;
    std::size_t next = 0;
    for (int done = 0; done < total;) {
        int n = blockSizes[next++ % blockSizes.size()];
        if (n > total - done) n = total - done;
        for (int c = 0; c < stereoIn; ++c)
            for (int i = 0; i < n; ++i)
                in[c][i] = frames[2 * static_cast<std::size_t>(done + i) + c];
        effect.process(in.pointers(), out.pointers(), n);
        for (int i = 0; i < n && effect.outputs() > 0; ++i) {
            const std::size_t at = 2 * static_cast<std::size_t>(done + i);
            result[at] = out[0][i];
            result[at + 1] = out[effect.outputs() > 1 ? 1 : 0][i];
        }
        done += n;
    }
    return result;
}

Random::Random(std::uint64_t seed) : state(seed) {}

// splitmix64: every seed, zero included, gives a full-period stream.
std::uint32_t Random::next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

float Random::uniform() {
    return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f);
}

namespace material {

std::vector<float> noise(int frames, float level, Random& random) {
    std::vector<float> out(2 * static_cast<std::size_t>(frames));
    for (float& sample : out)
        sample = level * random.bipolar();
    return out;
}

std::vector<float> varied(int frames, Random& random) {
    return signals::varied(frames, random.next());
}

std::vector<float> sweep(int frames, float rate, float level) {
    std::vector<float> out(2 * static_cast<std::size_t>(frames));
    const double low = 20.0, high = 0.45 * rate;
    const double seconds = frames / static_cast<double>(rate);
    const double k = std::log(high / low) / seconds;
    for (int i = 0; i < frames; ++i) {
        const double t = i / static_cast<double>(rate);
        const double phase = 2.0 * kPi * low * (std::exp(k * t) - 1.0) / k;
        out[2 * static_cast<std::size_t>(i)] = static_cast<float>(level * std::sin(phase));
        out[2 * static_cast<std::size_t>(i) + 1] = static_cast<float>(level * std::cos(phase));
    }
    return out;
}

std::vector<float> square(int frames, float rate, float level) {
    std::vector<float> out(2 * static_cast<std::size_t>(frames));
    const double halfPeriod = rate / 2000.0;
    for (int i = 0; i < frames; ++i) {
        const float value = static_cast<long>(i / halfPeriod) % 2 ? -level : level;
        out[2 * static_cast<std::size_t>(i)] = value;
        out[2 * static_cast<std::size_t>(i) + 1] = value;
    }
    return out;
}

} // namespace material

bool isSubnormal(float value) {
    return std::fpclassify(value) == FP_SUBNORMAL;
}

std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}
