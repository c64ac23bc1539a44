// Watches what a plug-in asks of the heap and of locks, by a technique that
// fits the build: calls through the module's import table on Windows, the
// process's own definitions of the allocation and lock functions on Linux,
// the sanitizer runtime's hooks in sanitized builds.
#pragma once

#include "tools/pluginhost/PluginLibrary.h"

namespace interposer {

struct Counts {
    long allocations = 0; // allocations and releases: malloc and its kin, operator new
    long locks = 0;       // mutex and lock acquisitions and waits
};

// Starts watching the module that holds the entry (a no-op where every call
// of the process is watched already).
void watch(PluginEntry entry);
// Counting on the calling thread only, between arm and disarm.
void arm();
Counts disarm();
// Heap bytes in use, or -1 when this build cannot tell.
long long liveBytes();
bool countsLocks();
// How this build watches, in a few words, for the report.
const char* technique();

// For the watching functions: one call seen on whatever thread made it.
void countAllocation();
void countLock();

} // namespace interposer

// What a sanitizer runtime found; nothing in a build without one.
namespace sanitizers {

// Reports so far, or -1 without a sanitizer.
long reports();
// LeakSanitizer's check, now: true when it found leaks.
bool leaksFound();
bool leakCheckAvailable();

} // namespace sanitizers
