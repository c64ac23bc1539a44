// Checks of an instance's life: creation and closing, call orders that hosts
// get wrong, many instances at once, copies of the module, and the editor.
#include "tools/validate/Check.h"
#include "tools/validate/Interposer.h"
#include "tools/validate/Platform.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

namespace {

constexpr int kThreads = 16;
constexpr int kEditorCycles = 100;
constexpr int kIdleCalls = 3;
// The parent window's size where the editor gives none before it opens.
constexpr int kParentWidth = 640;
constexpr int kParentHeight = 480;

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

bool allFinite(const std::vector<float>& samples) {
    return std::all_of(samples.begin(), samples.end(), [](float s) { return std::isfinite(s); });
}

// One block of noise through an instance in whatever state it is in.
bool processedFinite(Effect& effect, Random& random, int frames = 64) {
    const std::vector<float> input = material::noise(frames, 0.5f, random);
    return allFinite(runStereo(effect, input, {frames}));
}

// What a host does in one short session.
void shortSession(Effect& effect, Random& random) {
    effect.start(kRate, kBlock);
    processedFinite(effect, random, kBlock);
    effect.suspend();
}

std::string describeObjects(const std::vector<platform::ObjectCount>& before,
                            const std::vector<platform::ObjectCount>& after, bool& changed) {
    std::string text;
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        text += format("%s%s %ld", text.empty() ? "" : ", ", before[i].kind, before[i].count);
        if (after[i].count != before[i].count) {
            text += format(" -> %ld", after[i].count);
            changed = true;
        }
    }
    return text;
}

// Host call orders that a plug-in must survive; false names the one that failed.
bool tortureCallOrders(CheckContext& context, Random& random, std::string& failed) {
    const PluginEntry entry = context.plugin.entry();
    {
        progress("call orders: process before resume");
        Effect effect(entry);
        failed = "process before resume";
        if (!effect.valid() || !processedFinite(effect, random)) return false;
    }
    {
        progress("call orders: parameters and chunk before rate and block size");
        Effect effect(entry);
        effect.dispatch(effOpen);
        for (int i = 0; i < effect.parameters(); ++i)
            effect.setParameter(i, random.uniform());
        if (effect.keepsChunks()) {
            const std::vector<unsigned char> chunk = effect.chunk();
            if (!chunk.empty()) effect.setChunk(chunk.data(), static_cast<VstIntPtr>(chunk.size()));
        }
        effect.setRate(kRate);
        effect.setBlockSize(kBlock);
        effect.resume();
        failed = "parameters and chunk before rate and block size";
        if (!processedFinite(effect, random) || !effect.parametersValid()) return false;
    }
    {
        progress("call orders: open twice, resume twice, suspend twice, close without suspend");
        Effect effect(entry);
        effect.dispatch(effOpen);
        effect.start(kRate, kBlock);
        effect.resume();
        failed = "open twice, resume twice";
        if (!processedFinite(effect, random)) return false;
        effect.suspend();
        effect.suspend();
        effect.resume();
        failed = "suspend twice";
        if (!processedFinite(effect, random)) return false;
        // Closed by its destructor while resumed: close without suspend.
    }
    if (Effect probe(entry); probe.valid() && probe.hasEditor()) {
        platform::ParentWindow parent(kParentWidth, kParentHeight);
        if (parent.error().empty()) {
            progress("call orders: close with the editor open");
            probe.start(kRate, kBlock);
            probe.dispatch(effEditOpen, 0, 0, parent.handle());
            parent.pump();
            probe.close(); // with the editor open
        }
    }
    failed.clear();
    return true;
}

} // namespace

CheckResult checkLifecycle(CheckContext& context) {
    CheckResult result;
    Random random(context.seed);
    const PluginEntry entry = context.plugin.entry();

    auto started = std::chrono::steady_clock::now();
    Effect cold(entry);
    const double coldMs = millisecondsSince(started);
    if (!cold.valid()) {
        result.fail("the entry gave no effect record");
        result.figure = "no effect";
        return result;
    }
    shortSession(cold, random);
    cold.close();

    const int cycles = context.size(100, 20);
    progress(format("%d warm create/close cycles", cycles));
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(cycles));
    const std::vector<platform::ObjectCount> objectsBefore = platform::systemObjects();
    const long long heapBefore = interposer::liveBytes();
    for (int i = 0; i < cycles; ++i) {
        started = std::chrono::steady_clock::now();
        Effect warm(entry);
        times.push_back(millisecondsSince(started));
        shortSession(warm, random);
    }
    const long long heapAfter = interposer::liveBytes();
    const std::vector<platform::ObjectCount> objectsAfter = platform::systemObjects();
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];

    bool objectsChanged = false;
    const std::string objects = describeObjects(objectsBefore, objectsAfter, objectsChanged);
    if (objectsChanged) result.fail("system objects changed over the warm cycles: " + objects);
    std::string heap = "heap growth not measured";
    if (heapBefore >= 0) {
        heap = format("heap growth %lld B", heapAfter - heapBefore);
        if (heapAfter != heapBefore) result.fail(heap + " over the warm cycles");
    }
    if (sanitizers::leakCheckAvailable()) {
        const bool leaks = sanitizers::leaksFound();
        heap += leaks ? ", LeakSanitizer: leaks" : ", LeakSanitizer: 0 leaks";
        if (leaks) result.fail("LeakSanitizer found leaks (its report is above)");
    }
    std::string failedOrder;
    const bool survived = tortureCallOrders(context, random, failedOrder);
    if (!survived) result.fail("call order: " + failedOrder);
    result.figure = format("create cold %.2f ms, warm median %.3f ms, max %.3f ms over %d; %s; "
                           "%s; call orders %s",
                           coldMs, median, times.back(), cycles, heap.c_str(), objects.c_str(),
                           survived ? "survived" : "failed");
    return result;
}

namespace {

// Each instance's settings and input, from its own seed.
struct Job {
    std::vector<float> parameters;
    std::vector<float> input;
    std::vector<float> output;
};

Job makeJob(int parameterCount, int frames, Random& random) {
    Job job;
    for (int i = 0; i < parameterCount; ++i)
        job.parameters.push_back(random.uniform());
    job.input = material::varied(frames, random);
    return job;
}

std::vector<float> runJob(Effect& effect, const Job& job) {
    for (std::size_t i = 0; i < job.parameters.size(); ++i)
        effect.setParameter(static_cast<int>(i), job.parameters[i]);
    effect.start(kRate, kBlock);
    return runStereo(effect, job.input, {kBlock});
}

bool copyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary);
    out << in.rdbuf();
    return in.good() && out.good();
}

std::string extensionOf(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos ? "" : path.substr(dot);
}

} // namespace

CheckResult checkManyInstances(CheckContext& context) {
    CheckResult result;
    Random random(context.seed);
    const PluginEntry entry = context.plugin.entry();
    const int frames = context.size(88200, 8192);
    std::vector<Job> jobs;
    {
        Effect probe(entry);
        for (int i = 0; i < kThreads; ++i)
            jobs.push_back(makeJob(probe.parameters(), frames, random));
    }
    // Settings that make two lone runs differ (a dither, say) cannot be
    // compared bit for bit; such an effect runs at its defaults.
    bool randomSettings = true;
    {
        Effect first(entry), second(entry);
        randomSettings = sameBits(runJob(first, jobs[0]), runJob(second, jobs[0]));
    }
    if (!randomSettings)
        for (Job& job : jobs)
            job.parameters.clear();
    std::vector<std::vector<float>> alone;
    for (const Job& job : jobs) {
        Effect effect(entry);
        alone.push_back(runJob(effect, job));
    }

    std::vector<std::unique_ptr<Effect>> effects;
    for (int i = 0; i < kThreads; ++i)
        effects.push_back(std::make_unique<Effect>(entry));
    // All start at once, so that they run together however slowly threads start.
    std::atomic<int> waiting{kThreads};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            waiting.fetch_sub(1);
            while (waiting.load() > 0)
                std::this_thread::yield();
            jobs[i].output = runJob(*effects[i], jobs[i]);
        });
    for (std::thread& thread : threads)
        thread.join();
    effects.clear();
    int differing = 0;
    for (int i = 0; i < kThreads; ++i)
        if (!sameBits(jobs[i].output, alone[i])) ++differing;
    if (differing > 0)
        result.fail(format("%d of %d threaded instances differ", differing, kThreads));

    // Two more copies of the module file, loaded beside the one in use.
    const std::string folder = platform::temporaryFolder();
    int copiesDiffering = 0, copiesLoaded = 0;
    {
        std::vector<std::unique_ptr<PluginFile>> copies;
        for (const char* name : {"copy-one", "copy-two"}) {
            const std::string path = folder + name + extensionOf(context.plugin.path());
            if (!copyFile(context.plugin.path(), path)) continue;
            copies.push_back(std::make_unique<PluginFile>(path));
        }
        std::vector<std::unique_ptr<Effect>> instances;
        for (auto& copy : copies)
            if (copy->error().empty()) instances.push_back(std::make_unique<Effect>(copy->entry()));
        for (auto& instance : instances) {
            ++copiesLoaded;
            if (!instance->valid() || !sameBits(runJob(*instance, jobs[0]), alone[0]))
                ++copiesDiffering;
        }
    }
    platform::removeFolder(folder);
    if (copiesLoaded != 2) result.fail(format("%d of 2 copies of the module loaded", copiesLoaded));
    if (copiesDiffering > 0) result.fail(format("%d copies differ", copiesDiffering));
    result.figure =
        format("%d instances on %d threads, %s: %d differ from a lone run; "
               "%d copies of the file under other names: %d differ",
               kThreads, kThreads,
               randomSettings ? "random settings" : "default settings (random ones do not repeat)",
               differing, copiesLoaded, copiesDiffering);
    return result;
}

CheckResult checkEditor(CheckContext& context) {
    CheckResult result;
    Effect effect(context.plugin.entry());
    if (!effect.valid() || !effect.hasEditor()) {
        result.status = Status::Skip;
        result.figure = "no editor";
        return result;
    }
    effect.start(kRate, kBlock);
    ERect* rect = nullptr;
    effect.dispatch(effEditGetRect, 0, 0, &rect);
    int width = rect != nullptr ? rect->right - rect->left : 0;
    int height = rect != nullptr ? rect->bottom - rect->top : 0;
    if (width <= 0 || height <= 0) {
        width = kParentWidth;
        height = kParentHeight;
    }
    platform::ParentWindow parent(width, height);
    if (!parent.error().empty()) {
        result.status = Status::Skip;
        result.figure = "an editor, but " + parent.error() + " to open it in";
        return result;
    }
    const std::vector<platform::ObjectCount> before = platform::systemObjects();
    progress("idle before open");
    effect.dispatch(effEditIdle);
    const int cycles = context.size(kEditorCycles, 10);
    progress(format("%d open/close cycles", cycles));
    int refused = 0, leftBehind = 0;
    for (int i = 0; i < cycles; ++i) {
        if (effect.dispatch(effEditOpen, 0, 0, parent.handle()) == 0) ++refused;
        for (int k = 0; k < kIdleCalls; ++k) {
            effect.dispatch(effEditIdle);
            parent.pump();
        }
        effect.dispatch(effEditClose);
        effect.dispatch(effEditIdle); // after close
        parent.pump();
        if (parent.children() > 0) ++leftBehind;
    }
    progress("closed twice, opened twice");
    effect.dispatch(effEditClose);
    effect.dispatch(effEditOpen, 0, 0, parent.handle());
    effect.dispatch(effEditOpen, 0, 0, parent.handle()); // opened twice
    parent.pump();
    effect.dispatch(effEditClose);
    parent.pump();
    if (parent.children() > 0) ++leftBehind;
    bool changed = false;
    const std::string objects = describeObjects(before, platform::systemObjects(), changed);
    if (changed) result.fail("system objects changed: " + objects);
    if (refused > 0) result.fail(format("effEditOpen refused %d times", refused));
    if (leftBehind > 0)
        result.fail(format("windows left in the parent after %d closes", leftBehind));
    result.figure = format("%dx%d, %d open/close cycles with idle, closed twice, opened twice; "
                           "windows left after close: %d; %s",
                           width, height, cycles, leftBehind, objects.c_str());
    return result;
}
