// Windows: the plug-in module's import table is rewritten so that its calls of
// the C runtime's and the system's heap and lock functions come here first.
// A lock built into the module itself (a statically linked pthread library,
// say) is seen only when it has to wait in the system.
#include "tools/validate/Interposer.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <malloc.h>

namespace {

using interposer::countAllocation;
using interposer::countLock;

std::atomic<long long> live{0};

// The functions replaced, each with its original.
void*(__cdecl* realMalloc)(size_t) = nullptr;
void*(__cdecl* realCalloc)(size_t, size_t) = nullptr;
void*(__cdecl* realRealloc)(void*, size_t) = nullptr;
void(__cdecl* realFree)(void*) = nullptr;
void*(__cdecl* realAlignedMalloc)(size_t, size_t) = nullptr;
void(__cdecl* realAlignedFree)(void*) = nullptr;
LPVOID(WINAPI* realHeapAlloc)(HANDLE, DWORD, SIZE_T) = nullptr;
LPVOID(WINAPI* realHeapReAlloc)(HANDLE, DWORD, LPVOID, SIZE_T) = nullptr;
BOOL(WINAPI* realHeapFree)(HANDLE, DWORD, LPVOID) = nullptr;
LPVOID(WINAPI* realVirtualAlloc)(LPVOID, SIZE_T, DWORD, DWORD) = nullptr;
void(WINAPI* realEnterCriticalSection)(LPCRITICAL_SECTION) = nullptr;
BOOL(WINAPI* realTryEnterCriticalSection)(LPCRITICAL_SECTION) = nullptr;
void(WINAPI* realAcquireSRWLockExclusive)(PSRWLOCK) = nullptr;
void(WINAPI* realAcquireSRWLockShared)(PSRWLOCK) = nullptr;
DWORD(WINAPI* realWaitForSingleObject)(HANDLE, DWORD) = nullptr;
DWORD(WINAPI* realWaitForSingleObjectEx)(HANDLE, DWORD, BOOL) = nullptr;
DWORD(WINAPI* realWaitForMultipleObjects)(DWORD, const HANDLE*, BOOL, DWORD) = nullptr;

long long heapBytes(void* memory) {
    return memory != nullptr ? static_cast<long long>(_msize(memory)) : 0;
}

void* __cdecl hookMalloc(size_t size) {
    countAllocation();
    void* memory = realMalloc(size);
    live.fetch_add(heapBytes(memory));
    return memory;
}
void* __cdecl hookCalloc(size_t count, size_t size) {
    countAllocation();
    void* memory = realCalloc(count, size);
    live.fetch_add(heapBytes(memory));
    return memory;
}
void* __cdecl hookRealloc(void* memory, size_t size) {
    countAllocation();
    live.fetch_sub(heapBytes(memory));
    void* moved = realRealloc(memory, size);
    live.fetch_add(heapBytes(moved != nullptr || size != 0 ? moved : memory));
    return moved;
}
void __cdecl hookFree(void* memory) {
    if (memory != nullptr) countAllocation();
    live.fetch_sub(heapBytes(memory));
    realFree(memory);
}
void* __cdecl hookAlignedMalloc(size_t size, size_t alignment) {
    countAllocation();
    return realAlignedMalloc(size, alignment);
}
void __cdecl hookAlignedFree(void* memory) {
    if (memory != nullptr) countAllocation();
    realAlignedFree(memory);
}
LPVOID WINAPI hookHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
    countAllocation();
    return realHeapAlloc(heap, flags, size);
}
LPVOID WINAPI hookHeapReAlloc(HANDLE heap, DWORD flags, LPVOID memory, SIZE_T size) {
    countAllocation();
    return realHeapReAlloc(heap, flags, memory, size);
}
BOOL WINAPI hookHeapFree(HANDLE heap, DWORD flags, LPVOID memory) {
    if (memory != nullptr) countAllocation();
    return realHeapFree(heap, flags, memory);
}
LPVOID WINAPI hookVirtualAlloc(LPVOID at, SIZE_T size, DWORD type, DWORD protection) {
    countAllocation();
    return realVirtualAlloc(at, size, type, protection);
}
void WINAPI hookEnterCriticalSection(LPCRITICAL_SECTION section) {
    countLock();
    realEnterCriticalSection(section);
}
BOOL WINAPI hookTryEnterCriticalSection(LPCRITICAL_SECTION section) {
    countLock();
    return realTryEnterCriticalSection(section);
}
void WINAPI hookAcquireSRWLockExclusive(PSRWLOCK lock) {
    countLock();
    realAcquireSRWLockExclusive(lock);
}
void WINAPI hookAcquireSRWLockShared(PSRWLOCK lock) {
    countLock();
    realAcquireSRWLockShared(lock);
}
DWORD WINAPI hookWaitForSingleObject(HANDLE object, DWORD wait) {
    countLock();
    return realWaitForSingleObject(object, wait);
}
DWORD WINAPI hookWaitForSingleObjectEx(HANDLE object, DWORD wait, BOOL alertable) {
    countLock();
    return realWaitForSingleObjectEx(object, wait, alertable);
}
DWORD WINAPI hookWaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL all, DWORD wait) {
    countLock();
    return realWaitForMultipleObjects(count, objects, all, wait);
}

struct Hook {
    const char* name;
    void** original; // where the module's own target is kept
    void* replacement;
};

template <typename Function> Hook hook(const char* name, Function& original, Function replacement) {
    return {name, reinterpret_cast<void**>(&original), reinterpret_cast<void*>(replacement)};
}

const Hook* findHook(const char* name) {
    static const Hook hooks[] = {
        hook("malloc", realMalloc, hookMalloc),
        hook("calloc", realCalloc, hookCalloc),
        hook("realloc", realRealloc, hookRealloc),
        hook("free", realFree, hookFree),
        hook("_aligned_malloc", realAlignedMalloc, hookAlignedMalloc),
        hook("_aligned_free", realAlignedFree, hookAlignedFree),
        hook("HeapAlloc", realHeapAlloc, hookHeapAlloc),
        hook("HeapReAlloc", realHeapReAlloc, hookHeapReAlloc),
        hook("HeapFree", realHeapFree, hookHeapFree),
        hook("VirtualAlloc", realVirtualAlloc, hookVirtualAlloc),
        hook("EnterCriticalSection", realEnterCriticalSection, hookEnterCriticalSection),
        hook("TryEnterCriticalSection", realTryEnterCriticalSection, hookTryEnterCriticalSection),
        hook("AcquireSRWLockExclusive", realAcquireSRWLockExclusive, hookAcquireSRWLockExclusive),
        hook("AcquireSRWLockShared", realAcquireSRWLockShared, hookAcquireSRWLockShared),
        hook("WaitForSingleObject", realWaitForSingleObject, hookWaitForSingleObject),
        hook("WaitForSingleObjectEx", realWaitForSingleObjectEx, hookWaitForSingleObjectEx),
        hook("WaitForMultipleObjects", realWaitForMultipleObjects, hookWaitForMultipleObjects),
    };
    for (const Hook& candidate : hooks)
        if (std::strcmp(candidate.name, name) == 0) return &candidate;
    return nullptr;
}

void patch(void** slot, void* replacement) {
    DWORD previous = 0;
    VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &previous);
    *slot = replacement;
    VirtualProtect(slot, sizeof(void*), previous, &previous);
}

} // namespace

namespace interposer {

void watch(PluginEntry entry) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(entry)), &module))
        return;
    auto* base = reinterpret_cast<unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) return;
    for (auto* library =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         library->Name != 0; ++library) {
        if (library->OriginalFirstThunk == 0) continue; // no names to go by
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            const Hook* found = findHook(reinterpret_cast<const char*>(byName->Name));
            if (found == nullptr) continue;
            void** slot = reinterpret_cast<void**>(&slots->u1.Function);
            *found->original = *slot;
            patch(slot, found->replacement);
        }
    }
}

long long liveBytes() {
    return live.load();
}
bool countsLocks() {
    return true;
}
const char* technique() {
    return "allocations and locks seen through the plug-in's import table";
}

} // namespace interposer
