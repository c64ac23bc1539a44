#include "tools/render/FanOut.h"

#include <algorithm>
#include <limits>
#include <pthread.h>
#include <signal.h>

FanOut::FanOut(int channels, std::vector<Consumer> given)
    : channels(channels), consumers(std::move(given)), slots(kSlots), taken(consumers.size(), 0) {
    for (Slot& slot : slots)
        slot.samples.resize(static_cast<std::size_t>(kSlotFrames * channels));
    // The consumers take no signals: those go to the threads that make the
    // frames, whose waits in calls a signal should end.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &previous);
    try {
        for (std::size_t i = 0; i < consumers.size(); ++i)
            threads.emplace_back(&FanOut::consume, this, i);
    } catch (...) {
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        stop();
        throw;
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

FanOut::~FanOut() {
    stop();
}

void FanOut::add(const float* interleaved, int frames) {
    while (frames > 0) {
        if (gathered == 0) {
            // The slot to fill is free once every consumer has taken in its last use.
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] {
                return published - *std::min_element(taken.begin(), taken.end()) < kSlots;
            });
        }
        Slot& slot = slots[static_cast<std::size_t>(published % kSlots)];
        const int piece = std::min(frames, kSlotFrames - gathered);
        std::copy_n(interleaved, piece * channels, slot.samples.data() + gathered * channels);
        gathered += piece;
        interleaved += piece * channels;
        frames -= piece;
        if (gathered == kSlotFrames) publish();
    }
}

void FanOut::finish() {
    if (gathered > 0) publish();
    {
        std::unique_lock<std::mutex> lock(mutex);
        ended = true;
        changed.notify_all();
        changed.wait(lock, [&] {
            return std::all_of(taken.begin(), taken.end(),
                               [&](long long count) { return count >= published; });
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    threads.clear();
    if (failure) std::rethrow_exception(failure);
}

void FanOut::publish() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        slots[static_cast<std::size_t>(published % kSlots)].frames = gathered;
        ++published;
    }
    gathered = 0;
    changed.notify_all();
}

void FanOut::consume(std::size_t consumer) {
    for (long long next = 0;; ++next) {
        const Slot* slot = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return stopping || ended || published > next; });
            if (stopping || published <= next) return;
            slot = &slots[static_cast<std::size_t>(next % kSlots)];
        }
        try {
            consumers[consumer](slot->samples.data(), slot->frames);
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex);
            if (!failure) failure = std::current_exception();
            taken[consumer] = std::numeric_limits<long long>::max();
            changed.notify_all();
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            taken[consumer] = next + 1;
        }
        changed.notify_all();
    }
}

void FanOut::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    for (std::thread& thread : threads)
        thread.join();
    threads.clear();
}
