#include "tests/formats/ClapHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

ClapModule::ClapModule(const std::string& path) {
    library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        error = dlerror();
        return;
    }
    entry = static_cast<const clap_plugin_entry_t*>(dlsym(library, "clap_entry"));
    if (entry == nullptr || !entry->init(path.c_str())) {
        error = "no clap_entry, or it refused to start";
        entry = nullptr;
        return;
    }
    factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (factory == nullptr) error = "no plug-in factory";
}

ClapModule::~ClapModule() {
    if (entry != nullptr) entry->deinit();
    if (library != nullptr) dlclose(library);
}

namespace {

// The host's record, its request counted first if only the main thread may make it.
ClapHost& onMain(const clap_host_t* host) {
    ClapHost& self = ClapHost::of(host);
    self.mainOnly();
    return self;
}

const clap_host_params_t kParams = {
    [](const clap_host_t* host, std::uint32_t) { ++onMain(host).rescans; },
    [](const clap_host_t*, clap_id, std::uint32_t) {},
    [](const clap_host_t* host) { ++onMain(host).flushRequests; },
};

const clap_host_latency_t kLatency = {
    [](const clap_host_t* host) { ++onMain(host).latencyChanges; },
};

const clap_host_timer_support_t kTimers = {
    [](const clap_host_t* host, std::uint32_t, clap_id* id) {
        ClapHost& self = onMain(host);
        *id = self.nextTimer++;
        self.timers.push_back(*id);
        return true;
    },
    [](const clap_host_t* host, clap_id id) {
        std::vector<clap_id>& timers = onMain(host).timers;
        const auto found = std::find(timers.begin(), timers.end(), id);
        if (found == timers.end()) return false;
        timers.erase(found);
        return true;
    },
};

const clap_host_gui_t kGui = {
    [](const clap_host_t* host) { onMain(host); },
    [](const clap_host_t* host, std::uint32_t width, std::uint32_t height) {
        onMain(host).resizeRequests.emplace_back(width, height);
        return true;
    },
    [](const clap_host_t* host) {
        onMain(host);
        return true;
    },
    [](const clap_host_t* host) {
        onMain(host);
        return true;
    },
    [](const clap_host_t* host, bool) { onMain(host); },
};

} // namespace

// Every request but restart, process, callback and the extensions belongs
// to the main thread.
ClapHost::ClapHost() : mainThread(std::this_thread::get_id()) {
    host = clap_host_t{
        kClapVersion, this,   "brelto-clap-test-host", "Quenor", "", "1.0", extension, nullptr,
        nullptr,      nullptr};
    host.request_restart = [](const clap_host_t* host) { ++of(host).restarts; };
    host.request_process = [](const clap_host_t*) {};
    host.request_callback = [](const clap_host_t* host) { ++of(host).callbacks; };
}

void ClapHost::mainOnly() {
    if (std::this_thread::get_id() != mainThread) ++offMainThread;
}

const void* ClapHost::extension(const clap_host_t* host, const char* id) {
    ClapHost& self = of(host);
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &kParams;
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0) return &kLatency;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0 && self.offerTimers) return &kTimers;
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) return &kGui;
    return nullptr;
}

InputEvents::InputEvents() {
    in.ctx = this;
    in.size = [](const clap_input_events_t* list) {
        return static_cast<std::uint32_t>(static_cast<InputEvents*>(list->ctx)->events.size());
    };
    in.get = [](const clap_input_events_t* list, std::uint32_t index) {
        const auto& events = static_cast<InputEvents*>(list->ctx)->events;
        return index < events.size() ? &events[index].header : nullptr;
    };
}

void InputEvents::add(std::uint32_t time, clap_id param, double value) {
    clap_event_param_value_t event{};
    event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    event.param_id = param;
    event.note_id = event.port_index = event.channel = event.key = -1;
    event.value = value;
    events.push_back(event);
}

OutputEvents::OutputEvents() {
    out.ctx = this;
    out.try_push = [](const clap_output_events_t* list, const clap_event_header_t* event) {
        RecordedEvent recorded{event->type, 0, 0.0};
        if (event->type == CLAP_EVENT_PARAM_VALUE) {
            const auto* value = reinterpret_cast<const clap_event_param_value_t*>(event);
            recorded.param = value->param_id;
            recorded.value = value->value;
        } else {
            recorded.param = reinterpret_cast<const clap_event_param_gesture_t*>(event)->param_id;
        }
        static_cast<OutputEvents*>(list->ctx)->events.push_back(recorded);
        return true;
    };
}

ClapInstance::ClapInstance(const ClapModule& module, ClapHost& host, const char* id) {
    if (module.factory == nullptr) return;
    plugin = module.factory->create_plugin(module.factory, host.record(), id);
    if (plugin == nullptr) return;
    if (!plugin->init(plugin)) {
        plugin->destroy(plugin);
        plugin = nullptr;
        return;
    }
    auto extension = [this](const char* name) { return plugin->get_extension(plugin, name); };
    params = static_cast<const clap_plugin_params_t*>(extension(CLAP_EXT_PARAMS));
    audioPorts = static_cast<const clap_plugin_audio_ports_t*>(extension(CLAP_EXT_AUDIO_PORTS));
    latency = static_cast<const clap_plugin_latency_t*>(extension(CLAP_EXT_LATENCY));
    state = static_cast<const clap_plugin_state_t*>(extension(CLAP_EXT_STATE));
    gui = static_cast<const clap_plugin_gui_t*>(extension(CLAP_EXT_GUI));
    timerSupport =
        static_cast<const clap_plugin_timer_support_t*>(extension(CLAP_EXT_TIMER_SUPPORT));
}

ClapInstance::~ClapInstance() {
    if (plugin == nullptr) return;
    deactivate();
    plugin->destroy(plugin);
}

bool ClapInstance::activate(double rate, std::uint32_t maxFrames) {
    active = plugin->activate(plugin, rate, 1, maxFrames);
    return active;
}

void ClapInstance::deactivate() {
    if (active) plugin->deactivate(plugin);
    active = false;
}

void ClapInstance::flush(const InputEvents& in, OutputEvents& out) {
    params->flush(plugin, in.list(), out.list());
}

double ClapInstance::value(clap_id param) const {
    double value = -1000.0;
    params->get_value(plugin, param, &value);
    return value;
}

std::string ClapInstance::text(clap_id param, double value) const {
    char text[CLAP_NAME_SIZE] = {};
    if (!params->value_to_text(plugin, param, value, text, sizeof text)) return "(none)";
    return text;
}

std::vector<unsigned char> ClapInstance::save() const {
    std::vector<unsigned char> bytes;
    clap_ostream_t stream{
        &bytes,
        [](const clap_ostream_t* stream, const void* data, std::uint64_t size) -> std::int64_t {
            auto* kept = static_cast<std::vector<unsigned char>*>(stream->ctx);
            const auto* from = static_cast<const unsigned char*>(data);
            kept->insert(kept->end(), from, from + size);
            return static_cast<std::int64_t>(size);
        }};
    if (!state->save(plugin, &stream)) bytes.clear();
    return bytes;
}

bool ClapInstance::load(const std::vector<unsigned char>& bytes, std::size_t piece) const {
    struct Reader {
        const std::vector<unsigned char>& bytes;
        std::size_t piece, at;
    } reader{bytes, piece, 0};
    clap_istream_t stream{
        &reader,
        [](const clap_istream_t* stream, void* buffer, std::uint64_t size) -> std::int64_t {
            auto& from = *static_cast<Reader*>(stream->ctx);
            const std::size_t count = std::min<std::size_t>(
                {from.piece, static_cast<std::size_t>(size), from.bytes.size() - from.at});
            // An empty state has no data() to copy from, not even nothing.
            std::copy_n(from.bytes.begin() + static_cast<std::ptrdiff_t>(from.at), count,
                        static_cast<unsigned char*>(buffer));
            from.at += count;
            return static_cast<std::int64_t>(count);
        }};
    return state->load(plugin, &stream);
}
