// Blocks of interleaved frames handed to several consumers, each on a thread
// of its own, so that measuring a stream keeps pace with rendering it on
// another core. Every consumer takes in every frame, in order, in slots of
// up to kSlotFrames frames; the producer waits when the slowest consumer is
// kSlots slots behind, which bounds both the memory and the wait at the end.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class FanOut {
public:
    using Consumer = std::function<void(const float* interleaved, int frames)>;
    static constexpr int kSlotFrames = 16384;
    static constexpr int kSlots = 16;

    // Starts a thread for each consumer.
    FanOut(int channels, std::vector<Consumer> consumers);
    // Stops the consumers after the slot each is in and waits for them.
    ~FanOut();
    FanOut(const FanOut&) = delete;
    FanOut& operator=(const FanOut&) = delete;

    // Copies the frames; returns once they are in a slot.
    void add(const float* interleaved, int frames);
    // Hands over the frames still gathered and waits until every consumer
    // has taken in every frame; then rethrows what a consumer threw, if one
    // did. add() may not follow.
    void finish();

private:
    struct Slot {
        std::vector<float> samples;
        int frames = 0;
    };

    void publish();
    void consume(std::size_t consumer);
    void stop();

    int channels;
    std::vector<Consumer> consumers;
    std::vector<Slot> slots; // a ring, slot n of the stream in slots[n % kSlots]
    int gathered = 0;        // frames in the slot being filled; the producer's own
    std::mutex mutex;        // guards what follows, and each slot's frames as it is handed over
    std::condition_variable changed; // a slot handed over or taken in, or the end
    long long published = 0;         // slots handed over
    std::vector<long long> taken;    // slots each consumer has taken in; beyond all when it failed
    bool ended = false;              // nothing follows the slots handed over
    bool stopping = false;           // the consumers stop where they are
    std::exception_ptr failure;      // the first consumer's exception
    std::vector<std::thread> threads;
};
