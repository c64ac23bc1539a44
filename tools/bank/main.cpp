// brelto-make-bank: writes the default bank that the plug-in carries in its
// resources (resources/DefaultBank.fxb). A bank file in the published layout,
// big-endian header, whose body is one opaque chunk in the plug-in's bank form.
//   brelto-make-bank OUTPUT-FILE
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint32_t kUniqueId = 0x30696932; // '0ii2'
constexpr std::uint32_t kFormatVersion = 1;
constexpr std::uint32_t kPluginVersion = 1;
constexpr std::uint32_t kProgramCount = 1;
constexpr std::size_t kReservedBytes = 128;
constexpr std::size_t kChunkSize = 1266;
constexpr std::size_t kFileSize = 1426;

// The chunk's lines, in order. LkAhd names no parameter of this plug-in;
// Stereo is left out and keeps its default.
constexpr const char* kLines[] = {
    "00_Name_=Default",  "00OutCeil=3f800000", "00Gain=00000000",    "00Release=3e800000",
    "00ISP=3f800000",    "00LkAhd=3f000000",   "00MeterI0=00000000", "00MeterI1=00000000",
    "00MeterR=00000000", "00MeterO0=00000000", "00MeterO1=00000000",
};

void putBigEndian(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

void putText(std::vector<unsigned char>& out, const char* text) {
    out.insert(out.end(), text, text + std::strlen(text));
}

std::vector<unsigned char> defaultBank() {
    std::vector<unsigned char> bank;
    putText(bank, "CcnK");
    putBigEndian(bank, 0); // byte size, left at zero
    putText(bank, "FBCh"); // bank stored as an opaque chunk
    putBigEndian(bank, kFormatVersion);
    putBigEndian(bank, kUniqueId);
    putBigEndian(bank, kPluginVersion);
    putBigEndian(bank, kProgramCount);
    bank.insert(bank.end(), kReservedBytes, 0);
    putBigEndian(bank, kChunkSize);

    const std::size_t chunkStart = bank.size();
    for (int shift = 0; shift < 32; shift += 8)
        bank.push_back(static_cast<unsigned char>(kUniqueId >> shift));
    for (const char* line : kLines) {
        putText(bank, line);
        bank.push_back(0);
    }
    bank.resize(chunkStart + kChunkSize, 0);
    return bank;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brelto-make-bank OUTPUT-FILE\n");
        return 2;
    }
    const std::vector<unsigned char> bank = defaultBank();
    if (bank.size() != kFileSize) {
        std::fprintf(stderr, "brelto-make-bank: bank of %zu bytes, expected %zu\n", bank.size(),
                     kFileSize);
        return 1;
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr || std::fwrite(bank.data(), 1, bank.size(), out) != bank.size() ||
        std::fclose(out) != 0) {
        std::fprintf(stderr, "brelto-make-bank: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
