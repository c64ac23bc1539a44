#include "platform/ModuleServices.h"

#include "platform/EmbeddedResources.h"

#include <chrono>
#include <cstring>
#include <dlfcn.h>
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

std::uint32_t tickCount() {
    using namespace std::chrono;
    const auto now = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(now.count());
}

void sleepMilliseconds(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace platform
