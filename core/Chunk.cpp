// The chunk text in which the host keeps the program: the unique ID as four
// little-endian bytes, then lines "key=value", each ended by a zero byte, and
// an empty line. Values are the bit patterns of the floats in hexadecimal, so
// they come back exactly. The bank form puts the program number before every
// key and adds the program's name.
#include "core/Brelto.h"
#include "core/Identity.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kIdBytes = 4;
// A line is read into this buffer; a longer line is cut.
constexpr std::size_t kLineBuffer = 260;
constexpr const char* kNameKey = "_Name_";
constexpr int kValueDigits = 8;
constexpr int kProgramDigits = 2;

std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

float floatOf(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A value's bit pattern: exactly eight hexadecimal digits and nothing after
// them, as getChunk writes it. Anything else, a value cut short above all,
// is refused rather than read as another number.
bool readValueBits(const char* text, std::uint32_t& bits) {
    std::uint32_t result = 0;
    for (int i = 0; i < kValueDigits; ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0) return false;
        result = result * 16 + static_cast<std::uint32_t>(digit);
    }
    if (text[kValueDigits] != 0) return false;
    bits = result;
    return true;
}

// Reads a hexadecimal number of at most width characters as "%<width>x" does:
// leading blanks, then an optional sign and "0x", then digits up to the first
// other character. False when there is no digit.
bool readHex(const char* text, int width, std::uint32_t& value) {
    while (isBlank(*text))
        ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
        --width;
    }
    if (width >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        hexDigit(text[2]) >= 0) {
        text += 2;
        width -= 2;
    }
    std::uint32_t result = 0;
    int digits = 0;
    for (; digits < width && hexDigit(text[digits]) >= 0; ++digits)
        result = result * 16 + static_cast<std::uint32_t>(hexDigit(text[digits]));
    value = negative ? 0u - result : result;
    return digits > 0;
}

// The lines of a chunk of byteSize bytes (at least 1), one at a time, never
// reading at or past its end.
class ChunkLines {
public:
    ChunkLines(const unsigned char* data, VstInt32 byteSize) {
        if (data == nullptr || byteSize < static_cast<VstInt32>(kIdBytes)) return;
        at = data + kIdBytes;
        end = data + byteSize;
    }

    // Copies the next line into line (cut to fit); false at the empty line or the end.
    bool next(char (&line)[kLineBuffer]) {
        if (at == end || *at == 0) return false;
        std::size_t length = 0;
        for (; at != end && *at != 0; ++at)
            if (length < kLineBuffer - 1) line[length++] = static_cast<char>(*at);
        line[length] = 0;
        if (at != end) ++at; // the terminator
        return true;
    }

private:
    const unsigned char* at = nullptr;
    const unsigned char* end = nullptr;
};

} // namespace

VstInt32 Brelto::getChunk(void** data, bool programForm) {
    if (data == nullptr) return 0;
    std::memset(chunkBuffer, 0, sizeof(chunkBuffer));
    for (std::size_t i = 0; i < kIdBytes; ++i)
        chunkBuffer[i] =
            static_cast<unsigned char>(static_cast<std::uint32_t>(identity::kUniqueId) >> (8 * i));
    *data = chunkBuffer;

    char* text = reinterpret_cast<char*>(chunkBuffer) + kIdBytes;
    const char* const textEnd = reinterpret_cast<char*>(chunkBuffer) + sizeof(chunkBuffer);
    // Each line keeps its zero byte; the next starts right after it.
    auto writeLine = [&](const char* format, auto... values) {
        const int written =
            std::snprintf(text, static_cast<std::size_t>(textEnd - text), format, values...);
        text += written + 1;
    };
    ProgramData& current = program();
    if (!programForm) writeLine("%02x%s=%s", 0u, kNameKey, current.name);
    for (int i = 0; i < kHostParameterCount; ++i) {
        const unsigned bits = bitsOf(current.values[i].load(std::memory_order_relaxed));
        if (programForm)
            writeLine("%s=%08x", paramRows()[i].name, bits);
        else
            writeLine("%02x%s=%08x", 0u, paramRows()[i].name, bits);
    }
    return programForm ? kProgramChunkSize : kBankChunkSize;
}

VstInt32 Brelto::setChunk(void* data, VstInt32 byteSize, bool programForm) {
    // Without a size there is no end to read up to.
    if (byteSize <= 0) return 0;
    ChunkLines lines(static_cast<const unsigned char*>(data), byteSize);
    char line[kLineBuffer];
    bool recognised = false;
    while (lines.next(line))
        recognised = readChunkLine(line, programForm) || recognised;
    // Random bytes or another plug-in's text: nothing was read, nothing changes.
    if (!recognised) return 0;
    pushProgram();
    return 1;
}

// Lines without "=", keys of no host parameter, programs other than 0 and
// values that are not eight hexadecimal digits are skipped.
bool Brelto::readChunkLine(char* line, bool programForm) {
    char* equals = std::strchr(line, '=');
    if (equals == nullptr) return false;
    *equals = 0;
    const char* value = equals + 1;
    const char* key = line;
    if (!programForm) {
        std::uint32_t number = 0;
        readHex(line, kProgramDigits, number);
        if (number != 0 || equals - line < kProgramDigits) return false;
        key = line + kProgramDigits;
        if (std::strcmp(key, kNameKey) == 0) {
            setProgramName(value);
            return true;
        }
    }
    const int index = lookupParamIndex(key);
    std::uint32_t bits = 0;
    if (index < 0 || index >= kHostParameterCount || !readValueBits(value, bits)) return false;
    program().values[index].store(floatOf(bits), std::memory_order_relaxed);
    if (programForm) setParameter(index, floatOf(bits));
    return true;
}
