// brelto-host: loads a VST 2.4 plug-in file through its entry point and shows
// its record, its parameters and the calls it made to the host.
#include "tools/host/TestHost.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr, "usage: brelto-host PLUGIN-FILE\n");
        return 2;
    }
    PluginLibrary library(argv[1]);
    if (!library.loaded()) {
        std::fprintf(stderr, "brelto-host: cannot load %s: %s\n", argv[1], library.error().c_str());
        return 1;
    }
    TestHost host;
    AEffect* effect = host.open(library.entry());
    if (effect == nullptr) {
        std::fprintf(stderr, "brelto-host: %s gave no effect record\n", argv[1]);
        return 1;
    }
    std::printf("plug-in        %s\n", host.text(effect, effGetEffectName).c_str());
    std::printf("vendor         %s\n", host.text(effect, effGetVendorString).c_str());
    printRecord(stdout, effect);
    std::printf("\n");
    printParameters(stdout, host, effect);
    std::printf("\n");
    printCalls(stdout, host.calls);
    host.close(effect);
    return 0;
}
