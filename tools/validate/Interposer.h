// Watches what a plug-in asks of the heap and of locks, by a technique that
// fits the build: calls through the module's import table on Windows, the
// process's own definitions of the allocation and lock functions on Linux,
// the sanitizer runtime's hooks in sanitized builds.
#pragma once

#include "tools/host/PluginLibrary.h"

namespace interposer {

struct Counts {
    long allocations = 0; // malloc, calloc, realloc, aligned and operator new
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

// Sanitizer runtimes: reports so far (-1 without one), and a leak check now
// (true when LeakSanitizer found leaks; false without it).
long sanitizerReports();
bool leaksFound();
bool leakCheckAvailable();

} // namespace interposer
