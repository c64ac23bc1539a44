#include "tools/bank/BankFile.h"

#include <cstring>

namespace {

constexpr const char* kChunkMagic = "CcnK";
constexpr const char* kOpaqueBankMagic = "FBCh";
constexpr const char* kParameterBankMagic = "FxBk";
constexpr std::uint32_t kFormatVersion = 1;
constexpr std::size_t kReservedBytes = 128;
constexpr std::size_t kFieldBytes = 4;

// The byte-size field counts the bytes after it. The format version is not
// checked on reading: the layout is the same in every version.
enum HeaderOffset : std::size_t {
    kMagicAt = 0,
    kByteSizeAt = 4,
    kBankMagicAt = 8,
    kPluginIdAt = 16,
    kPluginVersionAt = 20,
    kProgramCountAt = 24,
    kChunkSizeAt = 156,
};

void putBigEndian(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

void putText(std::vector<unsigned char>& out, const char* text) {
    out.insert(out.end(), text, text + std::strlen(text));
}

std::uint32_t bigEndianAt(const std::vector<unsigned char>& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < kFieldBytes; ++i)
        value = (value << 8) | bytes[at + i];
    return value;
}

bool textAt(const std::vector<unsigned char>& bytes, std::size_t at, const char* text) {
    const std::size_t length = std::strlen(text);
    return bytes.size() >= at + length && std::memcmp(bytes.data() + at, text, length) == 0;
}

} // namespace

std::vector<unsigned char> encodeBankFile(const BankFile& bank, BankSizeField sizeField) {
    std::vector<unsigned char> out;
    putText(out, kChunkMagic);
    const std::size_t fileSize = kBankHeaderSize + bank.chunk.size();
    putBigEndian(out, sizeField == BankSizeField::Recorded
                          ? static_cast<std::uint32_t>(fileSize - (kByteSizeAt + kFieldBytes))
                          : 0u);
    putText(out, kOpaqueBankMagic);
    putBigEndian(out, kFormatVersion);
    putBigEndian(out, bank.pluginId);
    putBigEndian(out, bank.pluginVersion);
    putBigEndian(out, bank.programCount);
    out.insert(out.end(), kReservedBytes, 0);
    putBigEndian(out, static_cast<std::uint32_t>(bank.chunk.size()));
    out.insert(out.end(), bank.chunk.begin(), bank.chunk.end());
    return out;
}

bool decodeBankFile(const std::vector<unsigned char>& bytes, BankFile& bank, std::string& error) {
    if (!textAt(bytes, kMagicAt, kChunkMagic)) {
        error = "not a VST bank file (no CcnK header)";
        return false;
    }
    if (bytes.size() < kBankHeaderSize) {
        error = "the header is cut short: the file ends after " + std::to_string(bytes.size()) +
                " of its " + std::to_string(kBankHeaderSize) + " bytes";
        return false;
    }
    if (textAt(bytes, kBankMagicAt, kParameterBankMagic)) {
        error = "a bank of parameter lists (FxBk); only banks stored as one chunk (FBCh) are read";
        return false;
    }
    if (!textAt(bytes, kBankMagicAt, kOpaqueBankMagic)) {
        error = "not a bank file (no FBCh after the header)";
        return false;
    }
    const std::uint32_t chunkSize = bigEndianAt(bytes, kChunkSizeAt);
    if (chunkSize > bytes.size() - kBankHeaderSize) {
        error = "the chunk is cut short: " + std::to_string(bytes.size() - kBankHeaderSize) +
                " of " + std::to_string(chunkSize) + " bytes";
        return false;
    }
    bank.pluginId = bigEndianAt(bytes, kPluginIdAt);
    bank.pluginVersion = bigEndianAt(bytes, kPluginVersionAt);
    bank.programCount = bigEndianAt(bytes, kProgramCountAt);
    bank.chunk.assign(bytes.begin() + kBankHeaderSize,
                      bytes.begin() + static_cast<std::ptrdiff_t>(kBankHeaderSize + chunkSize));
    return true;
}

std::string fourCharacters(std::uint32_t id) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((id >> shift) & 0xff);
        text += (c >= 0x20 && c < 0x7f) ? c : '?';
    }
    return text;
}
