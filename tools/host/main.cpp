// brelto-host: loads a VST 2.4 plug-in file through its entry point and shows
// its record, its parameters and the calls it made to the host.
#include "tools/host/Render.h"
#include "tools/host/TestHost.h"

#include <cstdio>
#include <cstring>

namespace {

int render(TestHost& host, AEffect* effect, const char* path) {
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "brelto-host: cannot write %s\n", path);
        return 1;
    }
    const bool rendered = renderSession(host, effect, out);
    std::fclose(out);
    host.close(effect);
    if (!rendered) std::fprintf(stderr, "brelto-host: --render needs the Brelto plug-in\n");
    return rendered ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr, "usage: brelto-host PLUGIN-FILE [--render OUTPUT-FILE]\n");
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
    if (argc == 4 && std::strcmp(argv[2], "--render") == 0) return render(host, effect, argv[3]);
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
