// A small CLAP host for the tests, from the adapter's own declarations: it
// loads a .clap file, makes its plug-in with a host record of its own that
// offers parameters, latency, timers and the editor's resizing, keeps what
// the plug-in asks of it,
// and counts the requests made on a thread that the interface forbids.
#pragma once

#include "formats/clap/clap.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// The module, loaded with its entry initialised, and its plug-in factory.
class ClapModule {
public:
    explicit ClapModule(const std::string& path);
    ~ClapModule();
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

    const clap_plugin_entry_t* entry = nullptr;
    const clap_plugin_factory_t* factory = nullptr; // null when loading failed
    std::string error;

private:
    void* library = nullptr;
};

// The host record. The thread that makes it is the host's main thread.
class ClapHost {
public:
    ClapHost();
    ClapHost(const ClapHost&) = delete;
    ClapHost& operator=(const ClapHost&) = delete;

    const clap_host_t* record() const { return &host; }
    static ClapHost& of(const clap_host_t* host) {
        return *static_cast<ClapHost*>(host->host_data);
    }
    // Called by every request that only the main thread may make.
    void mainOnly();

    // What the plug-in asked; the main thread reads them when it chooses.
    std::atomic<int> latencyChanges{0}, restarts{0}, flushRequests{0}, rescans{0}, callbacks{0};
    // Requests that only the main thread may make, made on another.
    std::atomic<int> offMainThread{0};
    // The timers the plug-in holds now (main thread).
    std::vector<clap_id> timers;
    // The sizes the editor asked its window to take, in order (main thread).
    std::vector<std::pair<std::uint32_t, std::uint32_t>> resizeRequests;
    clap_id nextTimer = 1;

    // Off: the host offers no timers, so an editor cannot be idled.
    bool offerTimers = true;

private:
    static const void* extension(const clap_host_t* host, const char* id);

    clap_host_t host;
    std::thread::id mainThread;
};

struct RecordedEvent {
    std::uint16_t type;
    clap_id param;
    double value; // PARAM_VALUE only
};

// Events for the plug-in: parameter values at frame offsets, in time order.
class InputEvents {
public:
    InputEvents();
    void add(std::uint32_t time, clap_id param, double value);
    void clear() { events.clear(); }
    const clap_input_events_t* list() const { return &in; }

private:
    std::vector<clap_event_param_value_t> events;
    clap_input_events_t in;
};

// Events from the plug-in, kept in the order they came.
class OutputEvents {
public:
    OutputEvents();
    const clap_output_events_t* list() const { return &out; }
    std::vector<RecordedEvent> events;

private:
    clap_output_events_t out;
};

// One plug-in instance made and initialised, with its extensions; closed
// (deactivated, destroyed) with this.
class ClapInstance {
public:
    ClapInstance(const ClapModule& module, ClapHost& host, const char* id);
    ~ClapInstance();
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    bool made() const { return plugin != nullptr && params != nullptr; }
    bool activate(double rate, std::uint32_t maxFrames);
    void deactivate();

    // Main thread, while not processing: values set through a flush.
    void flush(const InputEvents& in, OutputEvents& out);
    double value(clap_id param) const;
    std::string text(clap_id param, double value) const;
    // The state; load reads it in pieces of the size given.
    std::vector<unsigned char> save() const;
    bool load(const std::vector<unsigned char>& bytes, std::size_t piece) const;

    const clap_plugin_t* plugin = nullptr;
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_audio_ports_t* audioPorts = nullptr;
    const clap_plugin_latency_t* latency = nullptr;
    const clap_plugin_state_t* state = nullptr;
    const clap_plugin_gui_t* gui = nullptr;
    const clap_plugin_timer_support_t* timerSupport = nullptr;

private:
    bool active = false;
};
