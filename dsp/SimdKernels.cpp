#include "dsp/SimdKernels.h"

#include <cpuid.h>
#include <cstring>

extern const SimdKernels kSse2Kernels;
extern const SimdKernels kAvx2Kernels;
extern const SimdKernels kAvx512Kernels;

namespace {

// Register states in XCR0 that the system saves: SSE and AVX (YMM), and for
// AVX-512 also the mask registers and both halves of the ZMM file.
constexpr std::uint64_t kYmmState = 0x6;
constexpr std::uint64_t kZmmState = 0xe6;
// CPUID leaf 1 ECX and leaf 7 EBX.
constexpr unsigned kOsxsave = 1u << 27;
constexpr unsigned kAvx = 1u << 28;
constexpr unsigned kAvx2 = 1u << 5;
constexpr unsigned kAvx512f = 1u << 16;

std::uint64_t enabledRegisterStates() {
    unsigned low, high;
    // xgetbv with ECX = 0, spelled out so that no file needs the XSAVE flag.
    __asm__ volatile(".byte 0x0f, 0x01, 0xd0" : "=a"(low), "=d"(high) : "c"(0));
    return static_cast<std::uint64_t>(high) << 32 | low;
}

SimdLevel detect() {
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return SimdLevel::sse2;
    if ((ecx & kOsxsave) == 0 || (ecx & kAvx) == 0) return SimdLevel::sse2;
    const std::uint64_t states = enabledRegisterStates();
    if ((states & kYmmState) != kYmmState) return SimdLevel::sse2;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) || (ebx & kAvx2) == 0)
        return SimdLevel::sse2;
    if ((ebx & kAvx512f) != 0 && (states & kZmmState) == kZmmState) return SimdLevel::avx512;
    return SimdLevel::avx2;
}

// Whether the processor's vendor string is "AuthenticAMD".
bool madeByAmd() {
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx)) return false;
    char vendor[12];
    std::memcpy(vendor, &ebx, 4);
    std::memcpy(vendor + 4, &edx, 4);
    std::memcpy(vendor + 8, &ecx, 4);
    return std::memcmp(vendor, "AuthenticAMD", sizeof(vendor)) == 0;
}

} // namespace

SimdLevel supportedSimdLevel() {
    static const SimdLevel level = detect();
    return level;
}

SimdLevel preferredSimdLevel() {
    static const SimdLevel level = supportedSimdLevel() == SimdLevel::avx512 && !madeByAmd()
                                       ? SimdLevel::avx2
                                       : supportedSimdLevel();
    return level;
}

const SimdKernels& simdKernels(SimdLevel level) {
    switch (level) {
    case SimdLevel::avx512:
        return kAvx512Kernels;
    case SimdLevel::avx2:
        return kAvx2Kernels;
    case SimdLevel::sse2:
        break;
    }
    return kSse2Kernels;
}
