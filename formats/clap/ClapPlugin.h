// One CLAP plug-in instance: the plug-in record driven as the interface
// asks, its controls as parameters in their units with stable ids (the
// record's parameter indexes, which VST 2.4 hosts keep too), its chunk as
// the state, its look-ahead as the latency, and its editor embedded in the
// host's X11 window. The meters are not parameters: the editor shows them.
#pragma once

#include "formats/Controls.h"
#include "formats/PluginRecord.h"
#include "formats/clap/EditQueue.h"
#include "formats/clap/clap.h"

#include <atomic>
#include <cstdint>

class ClapPlugin final : public RecordListener {
public:
    // Main thread: the plug-in made at its own first rate, suspended.
    // functions: the plug-in's entry points, handed to the host with this
    // instance as their data.
    ClapPlugin(const clap_host_t* host, const clap_plugin_t& functions);
    // Main thread, deactivated: the editor closed, then the plug-in.
    ~ClapPlugin();
    ClapPlugin(const ClapPlugin&) = delete;
    ClapPlugin& operator=(const ClapPlugin&) = delete;

    const clap_plugin_t* handle() const { return &functions; }
    static ClapPlugin& of(const clap_plugin_t* plugin) {
        return *static_cast<ClapPlugin*>(plugin->plugin_data);
    }

    // Main thread: the host's extensions found; false when no plug-in was made.
    bool init();
    // Main thread: the rate set, ready to process; the host hears of a new latency.
    bool activate(double rate);
    void deactivate();
    // Audio thread.
    bool startProcessing();
    void stopProcessing();
    void reset();
    clap_process_status process(const clap_process_t& process);
    // Main thread, when the host answers a request_callback.
    void onMainThread();

    // Main thread. Parameters by index (the controls' order) or by id.
    std::uint32_t paramCount() const;
    bool paramInfo(std::uint32_t index, clap_param_info_t& info) const;
    bool paramValue(clap_id id, double& value) const;
    bool valueToText(clap_id id, double value, char* text, std::uint32_t size) const;
    bool textToValue(clap_id id, const char* text, double& value) const;
    // Audio thread while active, else main thread: events in and edits out.
    void flush(const clap_input_events_t* in, const clap_output_events_t* out);

    // Main thread: the frames by which the output lags behind the input.
    std::uint32_t latency() const;

    // Main thread: the plug-in's chunk, the bytes VST 2.4 hosts store.
    bool save(const clap_ostream_t& stream);
    bool load(const clap_istream_t& stream);

    // Main thread: the editor, embedded in an X11 window of the host's and
    // idled by a timer of the host's.
    bool guiSupported(const char* api, bool floating) const;
    bool guiCreate(const char* api, bool floating);
    void guiDestroy();
    bool guiSize(std::uint32_t& width, std::uint32_t& height);
    bool guiSetParent(const clap_window_t& window);
    // The host's scale (1 is the editor's own size), before or after the
    // editor opened.
    bool guiScale(double scale);
    bool guiShown() const { return guiMade; }
    void onTimer(clap_id timer);

    // From the record, on the main thread: the editor's edits, the latency,
    // its new size.
    void parameterEdited(int index, float value) override;
    void editBegun(int index) override;
    void editEnded(int index) override;
    void latencyChanged() override;
    bool editorResized(int width, int height) override;

private:
    int controlOf(clap_id id) const;
    void apply(const clap_event_header_t& event);
    void applyAll(const clap_input_events_t* in);
    void sendEdits(const clap_output_events_t* out);
    void queue(std::uint16_t type, int index, double value);
    void requestFlush();

    // host: the host's record; hostParams, hostLatency, hostTimers, hostGui:
    //   its extensions, found by init, null where it has none.
    // functions: the plug-in's entry points, this instance as their data.
    // plugin: the plug-in, from the making to the destruction.
    // controlParameters: its controls among its parameters.
    // defaults: each control's setting in a new plug-in, in its units.
    // activating: true inside activate, where a new latency is announced.
    // active: between activate and deactivate (main thread).
    // processing: between start_processing and stop_processing, written on
    //   the audio thread, read on the main thread.
    // edits: the editor's edits not yet sent to the host.
    // guiMade, timer: the editor's window exists, idled by that timer
    //   (main thread).
    const clap_host_t* host;
    const clap_host_params_t* hostParams = nullptr;
    const clap_host_latency_t* hostLatency = nullptr;
    const clap_host_timer_support_t* hostTimers = nullptr;
    const clap_host_gui_t* hostGui = nullptr;
    clap_plugin_t functions;
    PluginRecord plugin;
    controls::ControlParameters controlParameters;
    double defaults[controls::kControlCount] = {};
    bool activating = false;
    bool active = false;
    std::atomic<bool> processing{false};
    EditQueue edits;
    bool guiMade = false;
    clap_id timer = CLAP_INVALID_ID;
};
