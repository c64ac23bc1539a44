#include "platform/ModuleServices.h"

#include "platform/EmbeddedResources.h"
#include "platform/ProfileText.h"

#include <chrono>
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

std::string moduleFileName() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&moduleFileName), &info) == 0 || info.dli_fname == nullptr)
        return {};
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
