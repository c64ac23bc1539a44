// A plug-in module file loaded into this process, and its entry point.
#pragma once

#include "host/vst2.h"

#include <string>

using PluginEntry = AEffect*(VSTCALLBACK*)(audioMasterCallback host);

class PluginLibrary {
public:
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    bool loaded() const { return handle != nullptr; }
    // The exported function of that name, or null.
    PluginEntry entry(const char* name = "VSTPluginMain") const;
    // Why loading failed, in the platform's words.
    const std::string& error() const { return failure; }

    // The folder that holds the running program, with a trailing separator.
    static std::string programFolder();

private:
    void* handle = nullptr;
    std::string failure;
};
