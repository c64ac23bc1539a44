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

std::size_t coreCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

// What the threads share: the next item to take, the items done, and which
// workers have ended.
struct Shared {
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    std::mutex endMutex; // guards `ended`
    std::condition_variable workerEnded;
    std::vector<bool> ended; // of each worker
};

void work(const std::function<void(std::size_t)>& task, std::size_t count, Shared& shared,
          std::atomic<double>* shares, std::size_t worker) {
    for (std::size_t i = shared.next++; i < count; i = shared.next++) {
        task(i);
        shares[i].store(1.0, std::memory_order_relaxed);
        ++shared.finished;
    }
    {
        std::lock_guard<std::mutex> lock(shared.endMutex);
        shared.ended[worker] = true;
    }
    shared.workerEnded.notify_all();
}

// Files whose outputs would take the same name fail, all but the first.
void refuseSameNames(std::vector<BatchItem>& items, const std::string& outDir) {
    std::map<std::string, std::string> firsts;
    for (BatchItem& item : items) {
        const auto [first, isNew] = firsts.emplace(stemOf(item.input), item.input);
        if (isNew) continue;
        item.error = "its output in " + outDir + " would take the name of " + first->second +
                     "'s; rename one of them";
        item.skipped = true;
    }
}

void drawItemsBar(const Shared& shared, const std::atomic<double>* shares, std::size_t count,
                  const std::string& what) {
    double share = 0.0;
    for (std::size_t i = 0; i < count; ++i)
        share += shares[i].load(std::memory_order_relaxed);
    drawBar(share / static_cast<double>(count), what + std::to_string(shared.finished.load()) +
                                                    " of " + std::to_string(count) + " files");
}

} // namespace

std::size_t workerCount(std::size_t count, int jobs) {
    return std::min(count, jobs > 0 ? static_cast<std::size_t>(jobs) : coreCount());
}

RenderRequest requestFor(const RenderRequest& settings, const std::string& input,
                         const std::string& outDir, std::atomic<double>& share,
                         std::size_t workers) {
    RenderRequest request = settings;
    request.measureOnThreads = workers < coreCount();
    request.input = input;
    request.output.clear();
    request.outDir = outDir;
    request.progress = false;
    request.progressed = [&share](double done) { share.store(done, std::memory_order_relaxed); };
    return request;
}

std::string stemOf(const std::string& input) {
    const std::string name = std::filesystem::path(input).filename().string();
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

void runEach(std::size_t count, int jobs, bool showBar, const std::string& what,
             std::atomic<double>* shares, const std::function<void(std::size_t)>& task) {
    for (std::size_t i = 0; i < count; ++i)
        shares[i].store(0.0, std::memory_order_relaxed);
    Shared shared;
    const std::size_t threads = workerCount(count, jobs);
    shared.ended.assign(threads, false);
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < threads; ++t)
        workers.emplace_back(work, std::cref(task), count, std::ref(shared), shares, t);
    const bool shown = showBar && barsShown();
    std::unique_lock<std::mutex> lock(shared.endMutex);
    for (;;) {
        std::vector<std::size_t> running;
        for (std::size_t t = 0; t < threads; ++t)
            if (!shared.ended[t]) running.push_back(t);
        if (running.empty()) break;
        if (shown) drawItemsBar(shared, shares, count, what);
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
}

std::vector<BatchItem> runBatch(const RenderRequest& settings,
                                const std::vector<std::string>& inputs, const std::string& outDir,
                                int jobs) {
    std::error_code why;
    std::filesystem::create_directories(outDir, why);
    if (why) throw RenderError("cannot make the folder " + outDir + ": " + why.message());
    std::vector<BatchItem> items(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i)
        items[i].input = inputs[i];
    refuseSameNames(items, outDir);
    const auto shares = std::make_unique<std::atomic<double>[]>(items.size());
    runEach(items.size(), jobs, settings.progress, "", shares.get(), [&](std::size_t i) {
        BatchItem& item = items[i];
        if (item.skipped) return;
        try {
            item.report = runRender(requestFor(settings, item.input, outDir, shares[i],
                                               workerCount(items.size(), jobs)));
            item.done = true;
        } catch (const std::exception& error) {
            item.error = error.what();
        }
    });
    return items;
}
