// What the window tests' small hosts share, whatever window system shows the
// plug-in's editor: the host callback that reports the plug-in's edits and
// the report of the parameters at the end. One line each:
//   begin I, end I           the plug-in began or ended an edit of parameter I
//   value I VALUE            the plug-in reported a new value of parameter I
//   final V0 V1 V2 V3 V4     the five control parameters at the end
#pragma once

#include "host/vst2.h"

#include <cstdio>

namespace editorhost {

constexpr VstIntPtr kHostVersion = 2400;
constexpr int kControlParameters = 5;

inline VstIntPtr VSTCALLBACK answer(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*,
                                    float opt) {
    switch (opcode) {
    case audioMasterVersion:
        return kHostVersion;
    case audioMasterAutomate:
        std::printf("value %d %.6f\n", index, double(opt));
        break;
    case audioMasterBeginEdit:
        std::printf("begin %d\n", index);
        break;
    case audioMasterEndEdit:
        std::printf("end %d\n", index);
        break;
    default:
        return 0;
    }
    std::fflush(stdout);
    return 1;
}

inline void sayFinal(AEffect* effect) {
    std::printf("final");
    for (int i = 0; i < kControlParameters; ++i)
        std::printf(" %.9g", double(effect->getParameter(effect, i)));
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace editorhost
