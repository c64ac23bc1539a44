// brelto-make-bank: writes the default bank that the plug-in carries in its
// resources (resources/DefaultBank.fxb): a bank file whose chunk is the
// plug-in's bank form, padded to the chunk size the plug-in hands out.
//   brelto-make-bank OUTPUT-FILE
#include "tools/bank/BankFile.h"

#include "core/Identity.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr auto kUniqueId = static_cast<std::uint32_t>(identity::kUniqueId);
constexpr std::uint32_t kPluginVersion = 1;
constexpr std::uint32_t kProgramCount = 1;
constexpr std::size_t kChunkSize = 1266;
constexpr std::size_t kFileSize = 1426;

// The chunk's lines, in order. LkAhd names no parameter of this plug-in;
// Stereo is left out and keeps its default.
constexpr const char* kLines[] = {
    "00_Name_=Default",  "00OutCeil=3f800000", "00Gain=00000000",    "00Release=3e800000",
    "00ISP=3f800000",    "00LkAhd=3f000000",   "00MeterI0=00000000", "00MeterI1=00000000",
    "00MeterR=00000000", "00MeterO0=00000000", "00MeterO1=00000000",
};

std::vector<unsigned char> defaultBank() {
    BankFile bank;
    bank.pluginId = kUniqueId;
    bank.pluginVersion = kPluginVersion;
    bank.programCount = kProgramCount;
    // The chunk starts with the ID in the plug-in's own byte order.
    for (int shift = 0; shift < 32; shift += 8)
        bank.chunk.push_back(static_cast<unsigned char>(kUniqueId >> shift));
    for (const char* line : kLines)
        bank.chunk.insert(bank.chunk.end(), line, line + std::strlen(line) + 1);
    bank.chunk.resize(kChunkSize, 0);
    return encodeBankFile(bank, BankSizeField::Zero);
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
