// Loads the real plug-in file that was built beside the test program and
// creates instances through its exported entry point.
#pragma once

#include "tools/pluginhost/RecordingHost.h"

#include <gtest/gtest.h>

#include <memory>

inline std::string pluginPath() {
    return PluginLibrary::programFolder() + BRELTO_PLUGIN_FILE;
}

class PluginTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { library = std::make_unique<PluginLibrary>(pluginPath()); }
    static void TearDownTestSuite() { library.reset(); }

    void SetUp() override {
        ASSERT_TRUE(library->loaded()) << library->error();
        effect = host.open(library->entry());
        ASSERT_NE(effect, nullptr);
    }
    void TearDown() override {
        if (effect != nullptr) host.close(effect);
    }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) {
        return host.dispatch(effect, opcode, index, value, ptr, opt);
    }
    float parameter(VstInt32 index) { return effect->getParameter(effect, index); }
    void setParameter(VstInt32 index, float value) { effect->setParameter(effect, index, value); }

    static inline std::unique_ptr<PluginLibrary> library;
    RecordingHost host;
    AEffect* effect = nullptr;
};
