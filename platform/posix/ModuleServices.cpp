#include "platform/ModuleServices.h"

#include "platform/EmbeddedResources.h"
#include "platform/ProfileText.h"

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <memory>
#include <thread>

namespace platform {

ResourceBytes findResource(const char* type, int id) {
    for (const EmbeddedResource* entry = embeddedResources(); entry->type != nullptr; ++entry) {
        if (entry->id == id && std::strcmp(entry->type, type) == 0) {
            ResourceBytes bytes;
            bytes.data = entry->begin;
            bytes.size = static_cast<std::size_t>(entry->end - entry->begin);
            return bytes;
        }
    }
    return {};
}

namespace {

// The file mapped at address, as the kernel names it: a full path, whatever
// name the module was loaded by. Empty when the mappings cannot be read.
std::string mappedFileAt(const void* address) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> maps(std::fopen("/proc/self/maps", "r"),
                                                               std::fclose);
    if (maps == nullptr) return {};
    const auto wanted = reinterpret_cast<std::uintptr_t>(address);
    char line[PATH_MAX + 128];
    while (std::fgets(line, sizeof(line), maps.get()) != nullptr) {
        unsigned long long start = 0, end = 0;
        int pathStart = 0;
        if (std::sscanf(line, "%llx-%llx %*s %*s %*s %*s %n", &start, &end, &pathStart) < 2)
            continue;
        if (wanted < start || wanted >= end || line[pathStart] != '/') continue;
        std::string path(line + pathStart);
        while (!path.empty() && path.back() == '\n')
            path.pop_back();
        return path;
    }
    return {};
}

} // namespace

// The loader reports the name the module was opened by, which may be relative
// to a folder the host has left since; the mappings give the full path.
std::string moduleFileName() {
    const void* self = reinterpret_cast<const void*>(&moduleFileName);
    std::string path = mappedFileAt(self);
    if (!path.empty()) return path;
    Dl_info info{};
    if (dladdr(self, &info) == 0 || info.dli_fname == nullptr) return {};
    return info.dli_fname;
}

int profileInt(const char* section, const char* key, int fallback, const char* path) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), std::fclose);
    if (file == nullptr) return fallback;
    std::string text;
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof(block), file.get())) > 0;)
        text.append(block, got);
    return profileIntFromText(text, section, key, fallback);
}

std::uint32_t tickCount() {
    using namespace std::chrono;
    const auto now = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(now.count());
}

void sleepMilliseconds(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace platform
