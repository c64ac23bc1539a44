// A bank file in the published VST layout, opaque-chunk variant: a big-endian
// header ("CcnK", byte size, "FBCh", format version, plug-in ID and version,
// program count, 128 reserved bytes, chunk size) followed by the plug-in's chunk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct BankFile {
    std::uint32_t pluginId = 0;
    std::uint32_t pluginVersion = 0;
    std::uint32_t programCount = 0;
    std::vector<unsigned char> chunk;
};

// What the header's byte-size field holds. The plug-in's own default bank
// leaves it at zero; files for hosts record the bytes that follow the field.
enum class BankSizeField { Zero, Recorded };

// Offset of the chunk in the file, and so the header's length.
constexpr std::size_t kBankHeaderSize = 160;

std::vector<unsigned char> encodeBankFile(const BankFile& bank, BankSizeField sizeField);

// Reads a bank file; on failure returns false and says why in `error`.
bool decodeBankFile(const std::vector<unsigned char>& bytes, BankFile& bank, std::string& error);

// The four characters of a plug-in ID, most significant first ("0ii2").
std::string fourCharacters(std::uint32_t id);
