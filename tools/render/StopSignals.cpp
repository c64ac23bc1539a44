#include "tools/render/StopSignals.h"

#include "tools/render/PluginSession.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Written by the handler, read by every render thread.
std::atomic<int> firstStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler writes it");

void requestStop(int signal) {
    int none = 0;
    firstStopSignal.compare_exchange_strong(none, signal);
}

} // namespace

void stopOnSignals() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART
    for (int signal : kStopSignals)
        sigaction(signal, &action, nullptr);
}

int stopSignal() {
    return firstStopSignal.load();
}

void endBySignal(int signal) {
    std::fflush(nullptr);
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    std::raise(signal);
    // Not reached: the default action of every stop signal ends the program.
    std::_Exit(EXIT_FAILURE);
}

void throwIfStopped(const std::string& notDone) {
    if (stopSignal() != 0) throw RenderError("stopped; " + notDone);
}
