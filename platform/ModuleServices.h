// What the plug-in needs of its own module and of the system, behind one small
// interface: Windows services in the DLL, portable stand-ins on Linux.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Bytes of a resource compiled into this module; empty when there is none.
struct ResourceBytes {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    explicit operator bool() const { return data != nullptr; }
};

// A resource of this module by type name ("FXB", "PNG", "BITMAP") and number.
ResourceBytes findResource(const char* type, int id);

// Full file name of the module that holds this code (the plug-in, or a test
// program that links the code directly).
std::string moduleFileName();

// The integer of key in section of an INI file, as the Windows profile reader
// answers it; fallback when the file, section or key is missing.
int profileInt(const char* section, const char* key, int fallback, const char* path);

// Milliseconds since an arbitrary start, wrapping at 2^32.
std::uint32_t tickCount();
void sleepMilliseconds(std::uint32_t milliseconds);

} // namespace platform
