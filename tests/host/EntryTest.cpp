// The entry point with a construction that runs out of memory at every
// possible step: the host gets null and nothing built so far is left behind.
#include "host/vst2.h"
#include "tests/support/AllocationCounter.h"

#include <gtest/gtest.h>

extern "C" AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback host);

namespace {

// Answers without allocating, so only the plug-in's own allocations fail.
VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

TEST(Entry, AllocationFailureAtAnyStepGivesNullAndReleasesEverything) {
    bool built = false;
    for (long step = 0; !built && step < 10000; ++step) {
        const long liveBefore = allocations::live();
        allocations::failAfter(step);
        AEffect* effect = VSTPluginMain(quietHost);
        allocations::failAfter(-1);
        if (effect == nullptr) {
            EXPECT_EQ(allocations::live(), liveBefore) << "leak after failing at step " << step;
        } else {
            built = true;
            EXPECT_GT(step, 0);
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
            EXPECT_EQ(allocations::live(), liveBefore);
        }
    }
    EXPECT_TRUE(built);
}

TEST(Entry, NullHostCallbackGivesNull) {
    EXPECT_EQ(VSTPluginMain(nullptr), nullptr);
}

} // namespace
