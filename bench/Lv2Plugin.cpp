#include "bench/Lv2Plugin.h"

#include <lv2/atom/atom.h>

#include <cmath>
#include <memory>
#include <stdexcept>

namespace {

constexpr std::size_t kAtomOutWords = 1024; // 8 kB for the messages of one run

using Node = std::unique_ptr<LilvNode, void (*)(LilvNode*)>;

Node uriNode(LilvWorld* world, const char* uri) {
    return {lilv_new_uri(world, uri), lilv_node_free};
}

} // namespace

Lv2Plugin::Lv2Plugin(const std::string& uri)
    : uri(uri), world(lilv_world_new()), map{this,
                                             [](LV2_URID_Map_Handle self, const char* name) {
                                                 return static_cast<Lv2Plugin*>(self)->urid(name);
                                             }},
      mapFeature{LV2_URID__map, &map}, features{&mapFeature, nullptr} {
    lilv_world_load_all(world);
    plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world),
                                     uriNode(world, uri.c_str()).get());
    if (plugin == nullptr) {
        lilv_world_free(world);
        throw std::runtime_error("no installed LV2 plug-in is " + uri);
    }
}

Lv2Plugin::~Lv2Plugin() {
    lilv_world_free(world);
}

std::string Lv2Plugin::name() const {
    const Node node(lilv_plugin_get_name(plugin), lilv_node_free);
    return lilv_node_as_string(node.get());
}

LV2_URID Lv2Plugin::urid(const char* name) {
    return ids.emplace(name, static_cast<LV2_URID>(ids.size() + 1)).first->second;
}

Lv2Instance::Lv2Instance(Lv2Plugin& owner, double rate,
                         const std::map<std::string, float>& controls)
    : owner(owner) {
    LilvWorld* world = owner.world;
    const LilvPlugin* plugin = owner.plugin;
    const Node audio = uriNode(world, LILV_URI_AUDIO_PORT);
    const Node control = uriNode(world, LILV_URI_CONTROL_PORT);
    const Node atom = uriNode(world, LV2_ATOM__AtomPort);
    const Node input = uriNode(world, LILV_URI_INPUT_PORT);

    const std::uint32_t ports = lilv_plugin_get_num_ports(plugin);
    values.assign(ports, 0.0f);
    std::vector<float> defaults(ports);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    std::vector<std::uint32_t> controlPorts, atomIn, atomOutPorts;
    for (std::uint32_t i = 0; i < ports; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        const bool isInput = lilv_port_is_a(plugin, port, input.get());
        if (lilv_port_is_a(plugin, port, control.get())) {
            controlPorts.push_back(i);
            if (!std::isnan(defaults[i])) values[i] = defaults[i];
        } else if (lilv_port_is_a(plugin, port, audio.get())) {
            (isInput ? audioIn : audioOut).push_back(i);
        } else if (lilv_port_is_a(plugin, port, atom.get())) {
            (isInput ? atomIn : atomOutPorts).push_back(i);
        } else {
            throw std::runtime_error("this host has no buffer for the port " + symbolOf(i) +
                                     " of " + owner.uri);
        }
    }
    for (const auto& [symbol, value] : controls) {
        const std::uint32_t i = indexOf(symbol);
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        if (!lilv_port_is_a(plugin, port, control.get()) ||
            !lilv_port_is_a(plugin, port, input.get()))
            throw std::runtime_error("the port " + symbol + " of " + owner.uri +
                                     " is no control input");
        values[i] = value;
    }
    // An empty sequence: its body is the header alone.
    emptySequence.assign(sizeof(LV2_Atom_Sequence) / sizeof(std::uint64_t), 0);
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(emptySequence.data());
    sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
    sequence->atom.type = owner.urid(LV2_ATOM__Sequence);
    chunkType = owner.urid(LV2_ATOM__Chunk);
    atomOut.assign(atomOutPorts.size(), std::vector<std::uint64_t>(kAtomOutWords));

    instance = lilv_plugin_instantiate(plugin, rate, owner.features);
    if (instance == nullptr)
        throw std::runtime_error("the LV2 plug-in " + owner.uri + " refused to be instantiated");
    for (std::uint32_t i : controlPorts)
        lilv_instance_connect_port(instance, i, &values[i]);
    for (std::uint32_t i : atomIn)
        lilv_instance_connect_port(instance, i, emptySequence.data());
    for (std::size_t k = 0; k < atomOutPorts.size(); ++k)
        lilv_instance_connect_port(instance, atomOutPorts[k], atomOut[k].data());
    lilv_instance_activate(instance);
}

Lv2Instance::~Lv2Instance() {
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
}

void Lv2Instance::connect(const float* const* inputs, float* const* outputs) {
    for (std::size_t c = 0; c < audioIn.size(); ++c)
        lilv_instance_connect_port(instance, audioIn[c], const_cast<float*>(inputs[c]));
    for (std::size_t c = 0; c < audioOut.size(); ++c)
        lilv_instance_connect_port(instance, audioOut[c], outputs[c]);
    for (auto& buffer : atomOut) {
        auto* room = reinterpret_cast<LV2_Atom*>(buffer.data());
        room->size = static_cast<std::uint32_t>(kAtomOutWords * 8 - sizeof(LV2_Atom));
        room->type = chunkType;
    }
}

float Lv2Instance::output(const std::string& symbol) const {
    return values[indexOf(symbol)];
}

std::uint32_t Lv2Instance::indexOf(const std::string& symbol) const {
    const Node node(lilv_new_string(owner.world, symbol.c_str()), lilv_node_free);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(owner.plugin, node.get());
    if (port == nullptr) throw std::runtime_error(owner.uri + " has no port " + symbol);
    return lilv_port_get_index(owner.plugin, port);
}

std::string Lv2Instance::symbolOf(std::uint32_t index) const {
    const LilvPort* port = lilv_plugin_get_port_by_index(owner.plugin, index);
    return lilv_node_as_string(lilv_port_get_symbol(owner.plugin, port));
}
