// The editor's edits on their way to the host as output events: queued on
// the main thread, where the editor runs, and sent by whichever thread next
// processes or flushes the parameters (the host never does both at once).
// One writer and one reader at a time, no lock, no allocation.
#pragma once

#include "formats/clap/clap.h"

#include <atomic>
#include <cstdint>

class EditQueue {
public:
    struct Edit {
        std::uint16_t type; // CLAP_EVENT_PARAM_VALUE or a gesture's begin or end
        clap_id param;
        double value; // in the parameter's units
    };

    // Main thread. False when the edit found no room: values leave the last
    // places to gestures, so that a host that is slow to flush still hears
    // every gesture end.
    bool push(const Edit& edit) {
        const std::uint32_t used =
            written.load(std::memory_order_relaxed) - taken.load(std::memory_order_acquire);
        const std::uint32_t room =
            edit.type == CLAP_EVENT_PARAM_VALUE ? kCapacity - kGestureReserve : kCapacity;
        if (used >= room) return false;
        const std::uint32_t at = written.load(std::memory_order_relaxed);
        edits[at % kCapacity] = edit;
        // Sequentially consistent with empty(): see ClapPlugin::stopProcessing.
        written.store(at + 1, std::memory_order_seq_cst);
        return true;
    }

    // The sending thread: the oldest edit, which stays queued until dropped.
    bool oldest(Edit& edit) const {
        const std::uint32_t at = taken.load(std::memory_order_relaxed);
        if (at == written.load(std::memory_order_acquire)) return false;
        edit = edits[at % kCapacity];
        return true;
    }
    void dropOldest() { taken.fetch_add(1, std::memory_order_release); }

    // Any thread.
    bool empty() const {
        return written.load(std::memory_order_seq_cst) == taken.load(std::memory_order_acquire);
    }

private:
    static constexpr std::uint32_t kCapacity = 512;
    static constexpr std::uint32_t kGestureReserve = 32;

    // edits: the ring; written: edits ever queued (main thread); taken:
    // edits ever sent (the sending thread). Both counters wrap together.
    Edit edits[kCapacity] = {};
    std::atomic<std::uint32_t> written{0};
    std::atomic<std::uint32_t> taken{0};
};
