#include "platform/ModuleServices.h"

#include "platform/win32/OwnModule.h"

namespace platform {

HMODULE ownModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ownModule), &module);
    return module;
}

ResourceBytes findResource(const char* type, int id) {
    HMODULE module = ownModule();
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(module, found);
    if (loaded == nullptr) return {};
    ResourceBytes bytes;
    bytes.data = static_cast<const unsigned char*>(LockResource(loaded));
    bytes.size = bytes.data != nullptr ? SizeofResource(module, found) : 0;
    return bytes;
}

std::string moduleFileName() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(ownModule(), path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : MAX_PATH);
}

int profileInt(const char* section, const char* key, int fallback, const char* path) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, path));
}

std::uint32_t tickCount() {
    return GetTickCount();
}

void sleepMilliseconds(std::uint32_t milliseconds) {
    Sleep(milliseconds);
}

} // namespace platform
