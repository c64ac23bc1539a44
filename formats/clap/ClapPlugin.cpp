#include "formats/clap/ClapPlugin.h"

#include "base/Text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Hosts give the rate on activation; until then the plug-in keeps the one
// it is made at anyway.
constexpr double kFirstRate = 44100.0;
constexpr std::uint32_t kChannels = 2;
// A state is read in pieces of this size, up to the largest that is read
// at all: a chunk of Brelto's is 1266 bytes.
constexpr std::size_t kStatePiece = 4096;
constexpr std::size_t kLargestState = 1 << 20;

template <typename Extension>
const Extension* hostExtension(const clap_host_t* host, const char* id) {
    return host->get_extension != nullptr
               ? static_cast<const Extension*>(host->get_extension(host, id))
               : nullptr;
}

bool stereo(const clap_audio_buffer_t* buffers, std::uint32_t count) {
    return buffers != nullptr && count >= 1 && buffers->channel_count == kChannels &&
           buffers->data32 != nullptr && buffers->data32[0] != nullptr &&
           buffers->data32[1] != nullptr;
}

} // namespace

ClapPlugin::ClapPlugin(const clap_host_t* host, const clap_plugin_t& functions)
    : host(host), functions(functions), plugin(kFirstRate, this), controlParameters(plugin) {
    this->functions.plugin_data = this;
    for (int i = 0; i < controls::kControlCount; ++i)
        if (controlParameters.parameterOf(i) >= 0) defaults[i] = controlParameters.units(i);
}

ClapPlugin::~ClapPlugin() {
    guiDestroy();
}

bool ClapPlugin::init() {
    if (!plugin.made()) return false;
    hostParams = hostExtension<clap_host_params_t>(host, CLAP_EXT_PARAMS);
    hostLatency = hostExtension<clap_host_latency_t>(host, CLAP_EXT_LATENCY);
    hostTimers = hostExtension<clap_host_timer_support_t>(host, CLAP_EXT_TIMER_SUPPORT);
    hostGui = hostExtension<clap_host_gui_t>(host, CLAP_EXT_GUI);
    return true;
}

bool ClapPlugin::activate(double rate) {
    if (active || !std::isfinite(rate) || rate <= 0.0) return false;
    activating = true;
    plugin.setRate(rate);
    activating = false;
    plugin.resume();
    active = true;
    return true;
}

void ClapPlugin::deactivate() {
    if (!active) return;
    plugin.suspend();
    active = false;
}

bool ClapPlugin::startProcessing() {
    processing.store(true, std::memory_order_relaxed);
    return true;
}

// Edits made while the host was not processing wait for a flush, which only
// the main thread may ask for. An edit queued just as processing stops is
// seen here, or its queue() sees processing stopped and asks itself: each
// side writes, then reads what the other writes, all in one order
// (sequentially consistent), so that both cannot read the old values.
void ClapPlugin::stopProcessing() {
    processing.store(false, std::memory_order_seq_cst);
    if (!edits.empty() && host->request_callback != nullptr) host->request_callback(host);
}

void ClapPlugin::onMainThread() {
    if (!edits.empty()) requestFlush();
}

// The limiter's lines and envelopes start again from silence.
void ClapPlugin::reset() {
    plugin.suspend();
    plugin.resume();
}

// The block is cut at every event's time, so that each parameter change
// lands on its frame, as between two of a VST 2.4 host's blocks.
clap_process_status ClapPlugin::process(const clap_process_t& block) {
    sendEdits(block.out_events);
    const clap_input_events_t* in = block.in_events;
    if (!stereo(block.audio_inputs, block.audio_inputs_count) ||
        !stereo(block.audio_outputs, block.audio_outputs_count)) {
        applyAll(in);
        return CLAP_PROCESS_ERROR;
    }
    float* const* inputs = block.audio_inputs->data32;
    float* const* outputs = block.audio_outputs->data32;
    block.audio_outputs->constant_mask = 0;
    auto run = [&](std::uint32_t from, std::uint32_t to) {
        if (to <= from) return;
        float* const in[kChannels] = {inputs[0] + from, inputs[1] + from};
        float* const out[kChannels] = {outputs[0] + from, outputs[1] + from};
        plugin.process(in, out, static_cast<int>(to - from));
    };
    std::uint32_t done = 0;
    const std::uint32_t count = in != nullptr ? in->size(in) : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_event_header_t* event = in->get(in, i);
        if (event == nullptr) continue;
        const std::uint32_t at = std::min(event->time, block.frames_count);
        run(done, at);
        done = std::max(done, at);
        apply(*event);
    }
    run(done, block.frames_count);
    return CLAP_PROCESS_CONTINUE;
}

int ClapPlugin::controlOf(clap_id id) const {
    return id <= static_cast<clap_id>(INT32_MAX) ? controlParameters.controlOf(static_cast<int>(id))
                                                 : -1;
}

// Only parameter values reach the plug-in; it has no notes and takes no
// modulation.
void ClapPlugin::apply(const clap_event_header_t& event) {
    if (event.space_id != CLAP_CORE_EVENT_SPACE_ID || event.type != CLAP_EVENT_PARAM_VALUE ||
        event.size < sizeof(clap_event_param_value_t))
        return;
    const auto& change = reinterpret_cast<const clap_event_param_value_t&>(event);
    const int control = controlOf(change.param_id);
    if (control >= 0) controlParameters.set(control, static_cast<float>(change.value));
}

void ClapPlugin::applyAll(const clap_input_events_t* in) {
    const std::uint32_t count = in != nullptr ? in->size(in) : 0;
    for (std::uint32_t i = 0; i < count; ++i)
        if (const clap_event_header_t* event = in->get(in, i)) apply(*event);
}

void ClapPlugin::flush(const clap_input_events_t* in, const clap_output_events_t* out) {
    applyAll(in);
    sendEdits(out);
}

// An edit the host cannot take yet stays queued for the next block or flush.
void ClapPlugin::sendEdits(const clap_output_events_t* out) {
    if (out == nullptr) return;
    EditQueue::Edit edit{};
    while (edits.oldest(edit)) {
        clap_event_param_value_t value{};
        clap_event_param_gesture_t gesture{};
        clap_event_header_t& header =
            edit.type == CLAP_EVENT_PARAM_VALUE ? value.header : gesture.header;
        header.size = edit.type == CLAP_EVENT_PARAM_VALUE ? sizeof value : sizeof gesture;
        header.space_id = CLAP_CORE_EVENT_SPACE_ID;
        header.type = edit.type;
        value.param_id = gesture.param_id = edit.param;
        value.note_id = value.port_index = value.channel = value.key = -1;
        value.value = edit.value;
        if (!out->try_push(out, &header)) return;
        edits.dropOldest();
    }
}

std::uint32_t ClapPlugin::paramCount() const {
    std::uint32_t count = 0;
    for (int i = 0; i < controls::kControlCount; ++i)
        if (controlParameters.parameterOf(i) >= 0) ++count;
    return count;
}

bool ClapPlugin::paramInfo(std::uint32_t index, clap_param_info_t& info) const {
    for (int i = 0; i < controls::kControlCount; ++i) {
        if (controlParameters.parameterOf(i) < 0) continue;
        if (index > 0) {
            --index;
            continue;
        }
        const controls::Control& control = controls::kControls[i];
        info = clap_param_info_t{};
        info.id = static_cast<clap_id>(controlParameters.parameterOf(i));
        info.flags = CLAP_PARAM_IS_AUTOMATABLE |
                     (control.unit == controls::Unit::toggle ? CLAP_PARAM_IS_STEPPED : 0);
        base::copyInto(info.name, control.label);
        info.min_value = control.minimum;
        info.max_value = control.maximum;
        info.default_value = defaults[i];
        return true;
    }
    return false;
}

bool ClapPlugin::paramValue(clap_id id, double& value) const {
    const int control = controlOf(id);
    if (control < 0) return false;
    value = controlParameters.units(control);
    return true;
}

bool ClapPlugin::valueToText(clap_id id, double value, char* text, std::uint32_t size) const {
    const int control = controlOf(id);
    return control >= 0 && text != nullptr &&
           controls::textOf(controls::kControls[control], static_cast<float>(value), text, size);
}

bool ClapPlugin::textToValue(clap_id id, const char* text, double& value) const {
    const int control = controlOf(id);
    return control >= 0 && controls::unitsFromText(controls::kControls[control], text, value);
}

std::uint32_t ClapPlugin::latency() const {
    return static_cast<std::uint32_t>(std::max(plugin.latency(), 0));
}

// A latency may change only while the host activates the plug-in; at any
// other time while active, the host must deactivate and activate it again.
void ClapPlugin::latencyChanged() {
    if (activating && hostLatency != nullptr)
        hostLatency->changed(host);
    else if (active && host->request_restart != nullptr)
        host->request_restart(host);
}

bool ClapPlugin::save(const clap_ostream_t& stream) {
    const unsigned char* bytes = nullptr;
    std::size_t left = plugin.chunk(&bytes);
    if (left == 0 || stream.write == nullptr) return false;
    while (left > 0) {
        const std::int64_t written = stream.write(&stream, bytes, left);
        if (written <= 0 || static_cast<std::uint64_t>(written) > left) return false;
        bytes += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

bool ClapPlugin::load(const clap_istream_t& stream) {
    if (stream.read == nullptr) return false;
    std::vector<unsigned char> bytes;
    while (bytes.size() < kLargestState) {
        const std::size_t had = bytes.size();
        bytes.resize(had + std::min(kStatePiece, kLargestState - had));
        const std::int64_t read = stream.read(&stream, bytes.data() + had, bytes.size() - had);
        if (read < 0 || static_cast<std::uint64_t>(read) > bytes.size() - had) return false;
        bytes.resize(had + static_cast<std::size_t>(read));
        if (read == 0) break;
    }
    if (bytes.empty()) return false;
    plugin.restoreChunk(bytes.data(), bytes.size());
    if (hostParams != nullptr) hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
    return true;
}
