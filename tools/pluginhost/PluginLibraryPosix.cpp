#include "tools/pluginhost/PluginLibrary.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

PluginLibrary::PluginLibrary(const std::string& path) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) failure = dlerror();
}

PluginLibrary::~PluginLibrary() {
    if (handle != nullptr) dlclose(handle);
}

PluginEntry PluginLibrary::entry(const char* name) const {
    if (handle == nullptr) return nullptr;
    return reinterpret_cast<PluginEntry>(dlsym(handle, name));
}

std::string PluginLibrary::programFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0) return "./";
    std::string folder(path, static_cast<std::size_t>(length));
    return folder.substr(0, folder.rfind('/') + 1);
}
