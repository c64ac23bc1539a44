// An installed LV2 plug-in loaded through lilv and run as a plain host runs
// it: control inputs set by symbol before it starts (the others at their
// defaults), audio ports taken in port order, atom inputs given an empty
// sequence and atom outputs room for the messages they send.
#pragma once

#include <lilv/lilv.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class Lv2Plugin {
public:
    // Finds the plug-in among those installed (the folders of LV2_PATH, else
    // the system's); throws std::runtime_error naming the URI if none has it.
    explicit Lv2Plugin(const std::string& uri);
    ~Lv2Plugin();
    Lv2Plugin(const Lv2Plugin&) = delete;
    Lv2Plugin& operator=(const Lv2Plugin&) = delete;

    std::string name() const;

private:
    friend class Lv2Instance;
    LV2_URID urid(const char* uri);

    std::string uri;
    LilvWorld* world;
    const LilvPlugin* plugin = nullptr;
    // ids: every URI mapped so far, from 1 up; grows as the plug-in maps.
    std::map<std::string, LV2_URID> ids;
    LV2_URID_Map map;
    LV2_Feature mapFeature;
    const LV2_Feature* features[2];
};

class Lv2Instance {
public:
    // Instantiated at `rate` with `controls` (symbol to value) set, and
    // activated; throws std::runtime_error if a symbol names no control input,
    // a port is of a kind this host has no buffer for, or the plug-in refuses.
    Lv2Instance(Lv2Plugin& plugin, double rate, const std::map<std::string, float>& controls);
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    int inputCount() const { return static_cast<int>(audioIn.size()); }
    int outputCount() const { return static_cast<int>(audioOut.size()); }
    // The buffers of the next run, one per audio port, in port order; empties
    // the atom outputs.
    void connect(const float* const* inputs, float* const* outputs);
    void run(int frames) { lilv_instance_run(instance, static_cast<std::uint32_t>(frames)); }
    // A control output's value after the last run; throws if there is none.
    float output(const std::string& symbol) const;

private:
    std::uint32_t indexOf(const std::string& symbol) const;
    std::string symbolOf(std::uint32_t index) const;

    Lv2Plugin& owner;
    LilvInstance* instance = nullptr;
    // values: every control port's value by port index; audioIn, audioOut:
    // the audio ports' indexes; atomOut: a buffer per atom output; all fixed
    // at construction. emptySequence: what every atom input reads.
    std::vector<float> values;
    std::vector<std::uint32_t> audioIn, audioOut;
    std::vector<std::vector<std::uint64_t>> atomOut;
    std::vector<std::uint64_t> emptySequence;
    LV2_URID chunkType = 0;
};
