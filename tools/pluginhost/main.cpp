// brelto-inspect: loads a VST 2.4 plug-in file through its entry point and shows
// its record, its parameters and the calls it made to the host; or moves a
// chunk between a file and the plug-in.
#include "tools/pluginhost/RecordingHost.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct ChunkOptions {
    bool programForm = false;
    const char* load = nullptr; // chunk file handed to effSetChunk
    const char* save = nullptr; // file that receives effGetChunk's bytes
};

bool readFile(const char* path, std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    unsigned char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof(block), file)) > 0;)
        bytes.insert(bytes.end(), block, block + got);
    return std::fclose(file) == 0;
}

bool writeFile(const char* path, const void* data, std::size_t size) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// Restores a chunk from a file, saves the plug-in's chunk to a file, then
// shows the program name and the parameters.
int exchangeChunk(RecordingHost& host, AEffect* effect, const ChunkOptions& options) {
    const VstInt32 form = options.programForm ? 1 : 0;
    if (options.load != nullptr) {
        std::vector<unsigned char> bytes;
        if (!readFile(options.load, bytes)) {
            std::fprintf(stderr, "brelto-inspect: cannot read %s\n", options.load);
            return 1;
        }
        host.dispatch(effect, effSetChunk, form, static_cast<VstIntPtr>(bytes.size()),
                      bytes.data());
    }
    if (options.save != nullptr) {
        void* data = nullptr;
        const VstIntPtr size = host.dispatch(effect, effGetChunk, form, 0, &data);
        if (data == nullptr || size <= 0 ||
            !writeFile(options.save, data, static_cast<std::size_t>(size))) {
            std::fprintf(stderr, "brelto-inspect: cannot save the chunk to %s\n", options.save);
            return 1;
        }
    }
    std::printf("program        %s\n", host.text(effect, effGetProgramName).c_str());
    printParameters(stdout, host, effect);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr,
                     "usage: brelto-inspect PLUGIN-FILE [--program-form] [--load-chunk FILE]"
                     " [--save-chunk FILE]\n");
        return 2;
    }
    ChunkOptions chunk;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--program-form") == 0) {
            chunk.programForm = true;
        } else if (std::strcmp(argv[i], "--load-chunk") == 0 && i + 1 < argc) {
            chunk.load = argv[++i];
        } else if (std::strcmp(argv[i], "--save-chunk") == 0 && i + 1 < argc) {
            chunk.save = argv[++i];
        } else {
            std::fprintf(stderr, "brelto-inspect: unknown option %s\n", argv[i]);
            return 2;
        }
    }
    PluginLibrary library(argv[1]);
    if (!library.loaded()) {
        std::fprintf(stderr, "brelto-inspect: cannot load %s: %s\n", argv[1],
                     library.error().c_str());
        return 1;
    }
    RecordingHost host;
    AEffect* effect = host.open(library.entry());
    if (effect == nullptr) {
        std::fprintf(stderr, "brelto-inspect: %s gave no effect record\n", argv[1]);
        return 1;
    }
    if (chunk.load != nullptr || chunk.save != nullptr) {
        const int result = exchangeChunk(host, effect, chunk);
        host.close(effect);
        return result;
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
