#include "tools/render/Batch.h"

#include "tools/render/Progress.h"
#include "tools/render/StopSignals.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <signal.h>
#include <thread>

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

// What the threads share: the next file to take, how far each file is, and
// which workers have ended.
struct Shared {
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    std::unique_ptr<std::atomic<double>[]> shares; // of each file's current render
    std::mutex endMutex;                           // guards `ended`
    std::condition_variable workerEnded;
    std::vector<bool> ended; // of each worker
};

void work(const RenderRequest& settings, const std::string& outDir, std::vector<BatchItem>& items,
          Shared& shared, std::size_t worker) {
    for (std::size_t i = shared.next++; i < items.size(); i = shared.next++) {
        BatchItem& item = items[i];
        if (item.skipped) continue;
        RenderRequest request = settings;
        request.input = item.input;
        request.output.clear();
        request.outDir = outDir;
        request.progress = false;
        std::atomic<double>& share = shared.shares[i];
        request.progressed = [&share](double done) {
            share.store(done, std::memory_order_relaxed);
        };
        try {
            item.report = runRender(request);
            item.done = true;
        } catch (const std::exception& error) {
            item.error = error.what();
        }
        share.store(1.0, std::memory_order_relaxed);
        ++shared.finished;
    }
    {
        std::lock_guard<std::mutex> lock(shared.endMutex);
        shared.ended[worker] = true;
    }
    shared.workerEnded.notify_all();
}

// The output name of an input, without the extension that its format adds.
std::string stemOf(const std::string& input) {
    const std::string name = std::filesystem::path(input).filename().string();
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Files whose outputs would take the same name fail, all but the first.
void refuseSameNames(std::vector<BatchItem>& items, const std::string& outDir, Shared& shared) {
    std::map<std::string, std::string> firsts;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto [first, isNew] = firsts.emplace(stemOf(items[i].input), items[i].input);
        if (isNew) continue;
        items[i].error = "its output in " + outDir + " would take the name of " + first->second +
                         "'s; rename one of them";
        items[i].skipped = true;
        shared.shares[i].store(1.0);
        ++shared.finished;
    }
}

void drawBatchBar(const Shared& shared, std::size_t files) {
    double share = 0.0;
    for (std::size_t i = 0; i < files; ++i)
        share += shared.shares[i].load(std::memory_order_relaxed);
    drawBar(share / static_cast<double>(files),
            std::to_string(shared.finished.load()) + " of " + std::to_string(files) + " files");
}

} // namespace

std::vector<BatchItem> runBatch(const RenderRequest& settings,
                                const std::vector<std::string>& inputs, const std::string& outDir,
                                int jobs) {
    std::error_code why;
    std::filesystem::create_directories(outDir, why);
    if (why) throw RenderError("cannot make the folder " + outDir + ": " + why.message());
    std::vector<BatchItem> items(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i)
        items[i].input = inputs[i];
    Shared shared;
    shared.shares = std::make_unique<std::atomic<double>[]>(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        shared.shares[i].store(0.0);
    refuseSameNames(items, outDir, shared);
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t threads =
        std::min(items.size(), jobs > 0 ? static_cast<std::size_t>(jobs) : cores);
    shared.ended.assign(threads, false);
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < threads; ++t)
        workers.emplace_back(work, std::cref(settings), std::cref(outDir), std::ref(items),
                             std::ref(shared), t);
    const bool shown = settings.progress && barsShown();
    std::unique_lock<std::mutex> lock(shared.endMutex);
    for (;;) {
        std::vector<std::size_t> running;
        for (std::size_t t = 0; t < threads; ++t)
            if (!shared.ended[t]) running.push_back(t);
        if (running.empty()) break;
        if (shown) drawBatchBar(shared, items.size());
        // A stop signal reaches one thread; the others hear it too, so that a
        // worker waiting in a call (a FIFO's open) returns and stops.
        if (const int signal = stopSignal())
            for (std::size_t t : running)
                pthread_kill(workers[t].native_handle(), signal);
        shared.workerEnded.wait_for(lock, kRedrawInterval);
    }
    lock.unlock();
    for (std::thread& worker : workers)
        worker.join();
    if (shown) clearBar();
    return items;
}
