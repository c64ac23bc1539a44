// The LV2 plug-in's X11 UI: the plug-in's own editor in the window that the
// host hands over. The UI may live in another process or binary than the
// instance that processes the audio, so it makes a plug-in record of its
// own, which never processes: its editor's moves go to the control ports,
// the ports' values that the host sends back set its parameters, and its
// meters show the meter ports' readings. The host's ui:scaleFactor option,
// at instantiation or set later, is the editor's scale.
#include "formats/Controls.h"
#include "formats/PluginRecord.h"
#include "formats/lv2/EditorWindow.h"
#include "formats/lv2/Lv2Ports.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace {

using namespace lv2ports;

// The UI's plug-in never processes; its rate matters to nothing it shows.
constexpr double kUiRate = 44100.0;

const void* feature(const LV2_Feature* const* features, const char* uri) {
    for (; features != nullptr && *features != nullptr; ++features)
        if (std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
    return nullptr;
}

// The URIDs of the options the UI reads; 0 without the host's map.
struct OptionKeys {
    LV2_URID scaleFactor = 0;
    LV2_URID floatType = 0;
};

OptionKeys optionKeys(const LV2_URID_Map* map) {
    OptionKeys keys;
    if (map == nullptr) return keys;
    keys.scaleFactor = map->map(map->handle, LV2_UI__scaleFactor);
    keys.floatType = map->map(map->handle, LV2_ATOM__Float);
    return keys;
}

// The scale factor among options (ended by a zeroed one), 0 when none is given.
float scaleFactorIn(const LV2_Options_Option* options, const OptionKeys& keys) {
    for (; options != nullptr && options->key != 0; ++options)
        if (keys.scaleFactor != 0 && options->key == keys.scaleFactor &&
            options->type == keys.floatType && options->size == sizeof(float) &&
            options->value != nullptr)
            return *static_cast<const float*>(options->value);
    return 0.0f;
}

class Ui final : public RecordListener {
public:
    // UI thread: the plug-in made with every parameter found by name.
    Ui(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch,
       const LV2UI_Resize* resize, const OptionKeys& keys);

    bool made() const { return plugin.made(); }
    // UI thread: the editor in parent at the host's scale (0: none given);
    // the window it made there, 0 if none.
    unsigned long open(void* parent, float scale);
    // UI thread: options the host sets after instantiation.
    std::uint32_t setOptions(const LV2_Options_Option* options);
    // UI thread: a port's value as the host holds it.
    void portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                   const void* buffer);
    void idle() { plugin.idleEditor(); }

    // From the editor, on the UI thread.
    void parameterEdited(int index, float value) override;
    void editBegun(int index) override { touchPort(index, true); }
    void editEnded(int index) override { touchPort(index, false); }
    bool editorResized(int width, int height) override;

private:
    void touchPort(int parameter, bool grabbed);

    // meters: the readings the editor's meters show; declared before the
    //   plug-in, which reads them until it is gone.
    // plugin: the UI's own plug-in, with the editor.
    // controlParameters: its controls among its parameters.
    // write, controller, touch, resize: the host's, for the UI's whole life;
    //   touch and resize may be null.
    // keys: the option URIDs. window: the editor's window once open, else 0.
    controls::GivenMeters meters;
    PluginRecord plugin;
    controls::ControlParameters controlParameters;
    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    const LV2UI_Touch* touch;
    const LV2UI_Resize* resize;
    OptionKeys keys;
    unsigned long window = 0;
};

Ui::Ui(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch,
       const LV2UI_Resize* resize, const OptionKeys& keys)
    : plugin(kUiRate, this), controlParameters(plugin), write(write), controller(controller),
      touch(touch), resize(resize), keys(keys) {
    if (plugin.made()) meters.attach(plugin);
}

unsigned long Ui::open(void* parent, float scale) {
    if (scale > 0.0f) plugin.setEditorScale(scale);
    int width = 0, height = 0;
    if (!plugin.editorSize(width, height)) return 0;
    if (resize != nullptr) resize->ui_resize(resize->handle, width, height);
    EditorWindowFinder finder(parent);
    if (!plugin.openEditor(parent)) return 0;
    window = finder.madeWindow(width, height);
    return window;
}

bool Ui::editorResized(int width, int height) {
    if (window == 0) return false;
    keepEditorWindowSize(window, width, height);
    if (resize != nullptr) resize->ui_resize(resize->handle, width, height);
    return true;
}

std::uint32_t Ui::setOptions(const LV2_Options_Option* options) {
    const float scale = scaleFactorIn(options, keys);
    if (scale == 0.0f) return LV2_OPTIONS_SUCCESS;
    return plugin.setEditorScale(scale) ? LV2_OPTIONS_SUCCESS : LV2_OPTIONS_ERR_BAD_VALUE;
}

void Ui::parameterEdited(int index, float value) {
    const int control = controlParameters.controlOf(index);
    if (control < 0) return;
    const float units = controls::unitsOf(controls::kControls[control], value);
    write(controller, kFirstControl + control, sizeof(units), 0, &units);
}

void Ui::touchPort(int parameter, bool grabbed) {
    const int control = controlParameters.controlOf(parameter);
    if (control < 0 || touch == nullptr) return;
    touch->touch(touch->handle, kFirstControl + control, grabbed);
}

// Only plain float values (format 0) come to a UI without other protocols.
void Ui::portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                   const void* buffer) {
    if (format != 0 || size != sizeof(float) || buffer == nullptr) return;
    float units = 0.0f;
    std::memcpy(&units, buffer, sizeof(units));
    if (port >= kFirstControl && port < kFirstMeter) {
        controlParameters.set(static_cast<int>(port - kFirstControl), units);
    } else if (port >= kFirstMeter && port < kLatency) {
        meters.show(static_cast<int>(port - kFirstMeter), units);
    }
}

Ui* of(LV2UI_Handle handle) {
    return static_cast<Ui*>(handle);
}

// Host-facing operations, all on the host's UI thread.
LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features) {
    void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
    if (parent == nullptr || write == nullptr || widget == nullptr) return nullptr;
    try {
        const OptionKeys keys =
            optionKeys(static_cast<const LV2_URID_Map*>(feature(features, LV2_URID__map)));
        auto ui = std::make_unique<Ui>(
            write, controller, static_cast<const LV2UI_Touch*>(feature(features, LV2_UI__touch)),
            static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize)), keys);
        if (!ui->made()) return nullptr;
        const unsigned long window =
            ui->open(parent, scaleFactorIn(static_cast<const LV2_Options_Option*>(
                                               feature(features, LV2_OPTIONS__options)),
                                           keys));
        if (window == 0) return nullptr;
        *widget = reinterpret_cast<LV2UI_Widget>(static_cast<std::uintptr_t>(window));
        return ui.release();
    } catch (...) {
        return nullptr;
    }
}

void cleanup(LV2UI_Handle handle) {
    delete of(handle);
}

void portEvent(LV2UI_Handle handle, std::uint32_t port, std::uint32_t size, std::uint32_t format,
               const void* buffer) {
    of(handle)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle handle) {
    of(handle)->idle();
    return 0;
}

const LV2UI_Idle_Interface kIdle = {idle};

// The UI gives no options; it takes the scale factor.
std::uint32_t getOptions(LV2_Handle, LV2_Options_Option*) {
    return LV2_OPTIONS_ERR_UNKNOWN;
}

std::uint32_t setOptions(LV2_Handle handle, const LV2_Options_Option* options) {
    return of(handle)->setOptions(options);
}

const LV2_Options_Interface kOptions = {getOptions, setOptions};

const void* extensionData(const char* uri) {
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdle;
    if (std::strcmp(uri, LV2_OPTIONS__interface) == 0) return &kOptions;
    return nullptr;
}

const LV2UI_Descriptor kUiDescriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

// Any thread: the plug-in's one UI.
LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index) {
    return index == 0 ? &kUiDescriptor : nullptr;
}
