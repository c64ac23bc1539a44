// Binary hygiene, read from the file itself: the names it exports and the
// libraries it needs, from an ELF shared object's dynamic section or a PE
// DLL's export and import directories. Both readers work on either platform.
#include "tools/validate/Check.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

namespace {

constexpr const char* kEntryPoints[] = {"VSTPluginMain", "main"};

// The C library and its parts, and Xlib for an editor: all a Linux plug-in
// may need.
constexpr const char* kLinuxSystem[] = {"libc.so.",  "libm.so.", "libdl.so.", "libpthread.so.",
                                        "librt.so.", "ld-linux", "libX11.so."};
constexpr const char* kWindowsSystem[] = {
    "kernel32.dll", "user32.dll",   "gdi32.dll",   "gdiplus.dll",  "ole32.dll",
    "oleaut32.dll", "shell32.dll",  "msimg32.dll", "msvcrt.dll",   "advapi32.dll",
    "comctl32.dll", "comdlg32.dll", "winmm.dll",   "uxtheme.dll",  "shlwapi.dll",
    "version.dll",  "imm32.dll",    "dwmapi.dll",  "ucrtbase.dll", "api-ms-win-"};

struct Linkage {
    std::string error; // empty when the file was read
    std::vector<std::string> exports;
    std::vector<std::string> needs;
};

// Little-endian fields of a file held in memory; out of range reads give 0
// and mark the reader broken.
class Bytes {
public:
    explicit Bytes(std::vector<unsigned char> data) : data(std::move(data)) {}
    std::uint64_t get(std::uint64_t at, int width) {
        if (at + static_cast<std::uint64_t>(width) > data.size()) {
            broken = true;
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = value << 8 | data[at + static_cast<std::uint64_t>(i)];
        return value;
    }
    std::string text(std::uint64_t at) {
        std::string out;
        while (at < data.size() && data[at] != 0)
            out += static_cast<char>(data[at++]);
        if (at >= data.size()) broken = true;
        return out;
    }
    std::size_t size() const { return data.size(); }
    bool broken = false;

private:
    std::vector<unsigned char> data;
};

Linkage readElf(Bytes& file) {
    Linkage linkage;
    const bool wide = file.get(4, 1) == 2; // ELFCLASS64
    const int word = wide ? 8 : 4;
    const std::uint64_t sectionTable = file.get(wide ? 0x28 : 0x20, word);
    const std::uint64_t sectionSize = file.get(wide ? 0x3A : 0x2E, 2);
    const std::uint64_t sectionCount = file.get(wide ? 0x3C : 0x30, 2);
    const auto field = [&](std::uint64_t section, int offset64, int offset32, int width) {
        return file.get(sectionTable + section * sectionSize +
                            static_cast<std::uint64_t>(wide ? offset64 : offset32),
                        width);
    };
    const auto type = [&](std::uint64_t s) { return field(s, 4, 4, 4); };
    const auto offset = [&](std::uint64_t s) { return field(s, 24, 16, word); };
    const auto size = [&](std::uint64_t s) { return field(s, 32, 20, word); };
    const auto link = [&](std::uint64_t s) { return field(s, 40, 24, 4); };
    constexpr std::uint64_t kDynamic = 6, kDynamicSymbols = 11, kNeeded = 1;
    for (std::uint64_t s = 0; s < sectionCount && !file.broken; ++s) {
        const std::uint64_t strings = offset(link(s));
        if (type(s) == kDynamic) {
            const std::uint64_t entry = wide ? 16 : 8;
            for (std::uint64_t at = offset(s); at < offset(s) + size(s); at += entry) {
                const std::uint64_t tag = file.get(at, word);
                if (tag == 0) break;
                if (tag == kNeeded)
                    linkage.needs.push_back(file.text(strings + file.get(at + word, word)));
            }
        } else if (type(s) == kDynamicSymbols) {
            const std::uint64_t entry = wide ? 24 : 16;
            for (std::uint64_t at = offset(s); at < offset(s) + size(s); at += entry) {
                const std::uint64_t info = file.get(at + (wide ? 4 : 12), 1);
                const std::uint64_t section = file.get(at + (wide ? 6 : 14), 2);
                const std::uint64_t binding = info >> 4, kind = info & 0xF;
                // Defined, global or weak, and a function or an object.
                if (section != 0 && (binding == 1 || binding == 2) && (kind == 1 || kind == 2))
                    linkage.exports.push_back(file.text(strings + file.get(at, 4)));
            }
        }
    }
    return linkage;
}

Linkage readPe(Bytes& file) {
    Linkage linkage;
    const std::uint64_t header = file.get(0x3C, 4);
    const std::uint64_t sections = file.get(header + 6, 2);
    const std::uint64_t optional = header + 24;
    const std::uint64_t optionalSize = file.get(header + 20, 2);
    const bool wide = file.get(optional, 2) == 0x20b;
    const std::uint64_t directories = optional + (wide ? 112 : 96);
    const std::uint64_t table = optional + optionalSize;
    const auto fileOffset = [&](std::uint64_t rva) -> std::uint64_t {
        for (std::uint64_t s = 0; s < sections; ++s) {
            const std::uint64_t at = table + 40 * s;
            const std::uint64_t start = file.get(at + 12, 4);
            const std::uint64_t length = std::max(file.get(at + 8, 4), file.get(at + 16, 4));
            if (rva >= start && rva < start + length) return rva - start + file.get(at + 20, 4);
        }
        file.broken = true;
        return 0;
    };
    if (const std::uint64_t exportRva = file.get(directories, 4)) {
        const std::uint64_t directory = fileOffset(exportRva);
        const std::uint64_t count = file.get(directory + 24, 4);
        const std::uint64_t names = fileOffset(file.get(directory + 32, 4));
        for (std::uint64_t i = 0; i < count && !file.broken; ++i)
            linkage.exports.push_back(file.text(fileOffset(file.get(names + 4 * i, 4))));
    }
    if (const std::uint64_t importRva = file.get(directories + 8, 4)) {
        for (std::uint64_t at = fileOffset(importRva); !file.broken; at += 20) {
            const std::uint64_t name = file.get(at + 12, 4);
            if (name == 0) break;
            linkage.needs.push_back(file.text(fileOffset(name)));
        }
    }
    return linkage;
}

Linkage readLinkage(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Bytes file(std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {}));
    Linkage linkage;
    if (file.get(0, 4) == 0x464C457F) // "\x7fELF"
        linkage = readElf(file);
    else if (file.get(0, 2) == 0x5A4D) // "MZ"
        linkage = readPe(file);
    else
        linkage.error = "neither an ELF nor a PE file";
    if (file.broken && linkage.error.empty()) linkage.error = "a damaged file";
    return linkage;
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

template <std::size_t N>
bool startsWithAny(const std::string& name, const char* const (&prefixes)[N]) {
    for (const char* prefix : prefixes)
        if (name.compare(0, std::char_traits<char>::length(prefix), prefix) == 0) return true;
    return false;
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names)
        out += (out.empty() ? "" : ", ") + name;
    return out.empty() ? "nothing" : out;
}

} // namespace

CheckResult checkBinary(CheckContext& context) {
    CheckResult result;
    Linkage linkage = readLinkage(context.plugin.path());
    if (!linkage.error.empty()) {
        result.fail(linkage.error);
        result.figure = linkage.error;
        return result;
    }
    const bool windows =
        context.plugin.path().size() > 4 &&
        lower(context.plugin.path().substr(context.plugin.path().size() - 4)) == ".dll";
    std::vector<std::string> extraExports, foreign;
    for (const std::string& name : linkage.exports)
        if (std::find(std::begin(kEntryPoints), std::end(kEntryPoints), name) ==
            std::end(kEntryPoints))
            extraExports.push_back(name);
    for (const std::string& library : linkage.needs) {
        const bool system = windows ? startsWithAny(lower(library), kWindowsSystem)
                                    : startsWithAny(library, kLinuxSystem);
        if (!system) foreign.push_back(library);
    }
    std::sort(linkage.exports.begin(), linkage.exports.end());
    if (!extraExports.empty())
        result.fail(format("%zu exports beyond the entry points, such as %s", extraExports.size(),
                           extraExports.front().c_str()));
    if (!foreign.empty()) result.fail("needs libraries beyond the system's: " + joined(foreign));
    if (std::find(linkage.exports.begin(), linkage.exports.end(), "VSTPluginMain") ==
        linkage.exports.end())
        result.fail("does not export VSTPluginMain");
    result.figure =
        format("exports %s; needs %s",
               extraExports.size() > 4 ? format("%zu names", linkage.exports.size()).c_str()
                                       : joined(linkage.exports).c_str(),
               joined(linkage.needs).c_str());
    return result;
}
