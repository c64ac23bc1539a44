#include "tools/pluginhost/PluginLibrary.h"

#include <windows.h>

PluginLibrary::PluginLibrary(const std::string& path) {
    handle = LoadLibraryA(path.c_str());
    if (handle == nullptr)
        failure = "LoadLibrary failed with error " + std::to_string(GetLastError());
}

PluginLibrary::~PluginLibrary() {
    if (handle != nullptr) FreeLibrary(static_cast<HMODULE>(handle));
}

PluginEntry PluginLibrary::entry(const char* name) const {
    if (handle == nullptr) return nullptr;
    // FARPROC stands for any exported function; the entry's type is known here.
    FARPROC found = GetProcAddress(static_cast<HMODULE>(handle), name);
    return reinterpret_cast<PluginEntry>(reinterpret_cast<void*>(found));
}

std::string PluginLibrary::programFolder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}
