#include "tools/render/AudioFile.h"

#include "tools/render/PluginSession.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FormatName {
    const char* name;
    int format;
    const char* extension; // majors only
};

// The major types a user may name, and the extensions that name them.
constexpr FormatName kMajors[] = {
    {"wav", SF_FORMAT_WAV, ".wav"},  {"aiff", SF_FORMAT_AIFF, ".aiff"},
    {"aif", SF_FORMAT_AIFF, ".aif"}, {"flac", SF_FORMAT_FLAC, ".flac"},
    {"ogg", SF_FORMAT_OGG, ".ogg"},  {"caf", SF_FORMAT_CAF, ".caf"},
    {"w64", SF_FORMAT_W64, ".w64"},  {"rf64", SF_FORMAT_RF64, ".rf64"},
    {"au", SF_FORMAT_AU, ".au"},
};

constexpr FormatName kSubtypes[] = {
    {"pcm8", SF_FORMAT_PCM_S8, nullptr},   {"pcm16", SF_FORMAT_PCM_16, nullptr},
    {"pcm24", SF_FORMAT_PCM_24, nullptr},  {"pcm32", SF_FORMAT_PCM_32, nullptr},
    {"float", SF_FORMAT_FLOAT, nullptr},   {"double", SF_FORMAT_DOUBLE, nullptr},
    {"vorbis", SF_FORMAT_VORBIS, nullptr}, {"opus", SF_FORMAT_OPUS, nullptr},
};

// Sample type for a major type that cannot take the input's.
int defaultSubtype(int major) {
    return major == SF_FORMAT_OGG ? SF_FORMAT_VORBIS : SF_FORMAT_PCM_16;
}

template <std::size_t N>
const FormatName* findName(const FormatName (&names)[N], const std::string& word) {
    for (const FormatName& entry : names)
        if (word == entry.name) return &entry;
    return nullptr;
}

template <std::size_t N> std::string listNames(const FormatName (&names)[N]) {
    std::string list;
    for (const FormatName& entry : names)
        list += (list.empty() ? "" : ", ") + std::string(entry.name);
    return list;
}

std::string lowerCase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

int majorOfExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return 0;
    const std::string extension = lowerCase(path.substr(dot));
    for (const FormatName& entry : kMajors)
        if (extension == entry.extension) return entry.format;
    return 0;
}

bool writable(int format, const AudioFormat& input) {
    SF_INFO info{};
    info.format = format;
    info.channels = input.channels;
    info.samplerate = input.rate;
    return sf_format_check(&info) != 0;
}

std::string formatInfoName(int command, int format) {
    SF_FORMAT_INFO info{};
    info.format = format;
    if (sf_command(nullptr, command, &info, sizeof(info)) != 0 || info.name == nullptr) return "?";
    return info.name;
}

// A new file beside `path`, named after it, hidden, with the permissions a
// plain new file would get. Returns the descriptor and sets `temporary`.
int createBeside(const std::string& path, std::string& temporary) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string pattern = folder + "." + base + ".partial-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw RenderError("cannot write " + path + ": " + std::strerror(errno));
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    temporary = pattern;
    return fd;
}

// Bytes per frame of a WAV's data chunk; 0 for compressed samples.
long long wavFrameBytes(const SF_INFO& info) {
    int sampleBytes = 0;
    switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
        sampleBytes = 1;
        break;
    case SF_FORMAT_PCM_16:
        sampleBytes = 2;
        break;
    case SF_FORMAT_PCM_24:
        sampleBytes = 3;
        break;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
        sampleBytes = 4;
        break;
    case SF_FORMAT_DOUBLE:
        sampleBytes = 8;
        break;
    }
    return static_cast<long long>(sampleBytes) * info.channels;
}

// The sizes that writers which cannot seek back put in a WAV's data chunk:
// none yet, sox's and the largest. They promise no length.
constexpr std::uint32_t kUnknownDataSizes[] = {0, 0x7ffff000, 0xffffffff};

void moveInPlace(const std::string& temporary, const std::string& path) {
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        throw RenderError("cannot write " + path + ": " + std::strerror(error));
    }
}

} // namespace

std::string describeFormat(int format) {
    return formatInfoName(SFC_GET_FORMAT_INFO, format & SF_FORMAT_TYPEMASK) + ", " +
           formatInfoName(SFC_GET_FORMAT_INFO, format & SF_FORMAT_SUBMASK);
}

AudioReader::AudioReader(const std::string& path) : path(path) {
    file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) throw RenderError("cannot read " + path + ": " + sf_strerror(nullptr));
}

AudioReader::~AudioReader() {
    if (file != nullptr) sf_close(file);
}

int AudioReader::read(float* interleaved, int frames) {
    const sf_count_t got = sf_readf_float(file, interleaved, frames);
    if (got < 0 || sf_error(file) != SF_ERR_NO_ERROR)
        throw RenderError("cannot read " + path + ": " + sf_strerror(file));
    return static_cast<int>(got);
}

long long AudioReader::promisedFrames() {
    const int major = info.format & SF_FORMAT_TYPEMASK;
    const long long frameBytes = wavFrameBytes(info);
    if ((major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX) || frameBytes == 0) return frames();
    SF_CHUNK_INFO data{};
    std::snprintf(data.id, sizeof(data.id), "data");
    data.id_size = 4;
    SF_CHUNK_ITERATOR* chunk = sf_get_chunk_iterator(file, &data);
    if (chunk == nullptr || sf_get_chunk_size(chunk, &data) != SF_ERR_NO_ERROR) return frames();
    for (std::uint32_t unknown : kUnknownDataSizes)
        if (data.datalen == unknown) return frames();
    return std::max(frames(), data.datalen / frameBytes);
}

void AudioReader::rewind() {
    if (sf_seek(file, 0, SEEK_SET) != 0)
        throw RenderError("cannot read " + path + " again: " + sf_strerror(file));
}

int chooseOutputFormat(const AudioFormat& input, const std::string& choice,
                       const std::string& outputPath) {
    int major = 0, subtype = 0;
    const std::size_t colon = choice.find(':');
    const std::string first = lowerCase(choice.substr(0, colon));
    const std::string second =
        colon == std::string::npos ? "" : lowerCase(choice.substr(colon + 1));
    const FormatName* majorName = findName(kMajors, first);
    const FormatName* subtypeName =
        findName(kSubtypes, colon == std::string::npos ? first : second);
    const bool unknown =
        !choice.empty() &&
        ((colon == std::string::npos) ? (majorName == nullptr && subtypeName == nullptr)
                                      : (majorName == nullptr || subtypeName == nullptr));
    if (unknown)
        throw RenderError("--format " + choice +
                          ": unknown; give TYPE, SAMPLE or TYPE:SAMPLE with TYPE one of " +
                          listNames(kMajors) + " and SAMPLE one of " + listNames(kSubtypes));
    if (majorName != nullptr) major = majorName->format;
    if (subtypeName != nullptr) subtype = subtypeName->format;
    if (major == 0) major = majorOfExtension(outputPath);
    if (major == 0) major = input.format & SF_FORMAT_TYPEMASK;
    if (subtype == 0) {
        subtype = input.format & SF_FORMAT_SUBMASK;
        if (!writable(major | subtype, input)) subtype = defaultSubtype(major);
    }
    // 8-bit samples are signed in some types and unsigned in others.
    if (subtype == SF_FORMAT_PCM_S8 && !writable(major | subtype, input))
        subtype = SF_FORMAT_PCM_U8;
    if (!writable(major | subtype, input))
        throw RenderError("cannot write " + describeFormat(major | subtype) + " with " +
                          std::to_string(input.channels) + " channels at " +
                          std::to_string(input.rate) + " Hz");
    return major | subtype;
}

std::string extensionOf(int format) {
    const int major = format & SF_FORMAT_TYPEMASK;
    for (const FormatName& entry : kMajors)
        if (entry.format == major) return entry.extension;
    SF_FORMAT_INFO info{};
    info.format = major;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof(info)) == 0 && info.extension)
        return std::string(".") + info.extension;
    return ".audio";
}

AudioWriter::AudioWriter(const std::string& path, const AudioFormat& format) : path(path) {
    const int fd = createBeside(path, temporary);
    SF_INFO info{};
    info.format = format.format;
    info.channels = format.channels;
    info.samplerate = format.rate;
    file = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (file == nullptr) {
        const std::string reason = sf_strerror(nullptr);
        ::close(fd);
        unlink(temporary.c_str());
        throw RenderError("cannot write " + path + ": " + reason);
    }
    // Samples beyond full scale clip rather than wrap in integer formats.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioWriter::~AudioWriter() {
    if (file != nullptr) sf_close(file);
    if (!committed) unlink(temporary.c_str());
}

void AudioWriter::write(const float* interleaved, int frames) {
    if (sf_writef_float(file, interleaved, frames) != frames)
        throw RenderError("cannot write " + path + ": " + sf_strerror(file));
}

void AudioWriter::close() {
    if (file == nullptr) return;
    const int closed = sf_close(file);
    file = nullptr;
    if (closed != 0) throw RenderError("cannot write " + path + ": " + sf_error_number(closed));
}

void AudioWriter::commit() {
    close();
    moveInPlace(temporary, path);
    committed = true;
}

void writeFileAtomically(const std::string& path, const void* data, std::size_t size) {
    std::string temporary;
    const int fd = createBeside(path, temporary);
    const bool written = ::write(fd, data, size) == static_cast<ssize_t>(size);
    const int error = errno;
    if (close(fd) != 0 || !written) {
        unlink(temporary.c_str());
        throw RenderError("cannot write " + path + ": " + std::strerror(written ? errno : error));
    }
    moveInPlace(temporary, path);
}
