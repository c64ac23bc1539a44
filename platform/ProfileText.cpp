#include "platform/ProfileText.h"

#include "base/Text.h"

#include <cstdint>

namespace platform {

namespace {

// The profile reader hands at most this many characters of a value to the
// integer conversion.
constexpr std::size_t kValueLimit = 29;
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Value of one digit character, or a number at least 36 when it is none.
unsigned digitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned>(c - 'A' + 10);
    return 36;
}

// Leading control characters and blanks are skipped, one sign is taken, a
// prefix "0b", "0o" or "0x" picks the base (10 otherwise), digits are read
// up to the first other character, and the result wraps at 32 bits.
int leadingInteger(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && static_cast<unsigned char>(text[at]) <= ' ')
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    unsigned base = 10;
    if (at + 1 < text.size() && text[at] == '0') {
        const char mark = text[at + 1];
        base = mark == 'b' ? 2 : mark == 'o' ? 8 : mark == 'x' ? 16 : 10;
        if (base != 10) at += 2;
    }
    std::uint32_t value = 0;
    for (; at < text.size() && digitValue(text[at]) < base; ++at)
        value = value * base + digitValue(text[at]);
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

// A value wrapped in a matching pair of quotes loses them.
std::string_view unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

int profileIntFromText(std::string_view text, std::string_view section, std::string_view key,
                       int fallback) {
    if (text.substr(0, kUtf8Mark.size()) == kUtf8Mark) text.remove_prefix(kUtf8Mark.size());
    // Keys above the first section header belong to the section without a name.
    bool inSection = section.empty();
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        if (!line.empty() && line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string_view::npos) continue;
            // A later section of the same name is never read.
            if (inSection) return fallback;
            inSection = base::sameIgnoringCase(trimmed(line.substr(1, close - 1)), section);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inSection || equals == std::string_view::npos) continue;
        if (!base::sameIgnoringCase(trimmed(line.substr(0, equals)), key)) continue;
        const std::string_view value = unquoted(trimmed(line.substr(equals + 1)));
        if (value.empty()) return fallback;
        return leadingInteger(value.substr(0, kValueLimit));
    }
    return fallback;
}

} // namespace platform
