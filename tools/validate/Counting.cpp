// The counts of the armed thread, shared by every way of watching.
#include "tools/validate/Interposer.h"

namespace {

// Only the thread that armed counts; the plug-in's other threads and the
// validator's own are left alone.
thread_local bool armed = false;
thread_local interposer::Counts counts;

} // namespace

namespace interposer {

void arm() {
    counts = Counts{};
    armed = true;
}

Counts disarm() {
    armed = false;
    return counts;
}

void countAllocation() {
    if (armed) ++counts.allocations;
}

void countLock() {
    if (armed) ++counts.locks;
}

} // namespace interposer
