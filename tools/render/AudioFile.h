// Audio files through libsndfile: reading any format it knows, choosing the
// output format, and writing through a temporary file that replaces the
// target only when everything was written.
#pragma once

#include <sndfile.h>

#include <string>

struct AudioFormat {
    int format = 0; // libsndfile major type | subtype
    int channels = 0;
    int rate = 0;
};

// "FLAC 16-bit" style description of a format.
std::string describeFormat(int format);

class AudioReader {
public:
    // Throws RenderError naming the file and libsndfile's reason.
    explicit AudioReader(const std::string& path);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    AudioFormat format() const { return {info.format, info.channels, info.samplerate}; }
    long long frames() const { return static_cast<long long>(info.frames); }
    // The frames the file's header promises. libsndfile counts only those the
    // file holds: a WAV cut short promises more than frames().
    long long promisedFrames();
    // Reads up to `frames` interleaved frames as floats; fewer at the end.
    int read(float* interleaved, int frames);
    // Back to the first frame, for another pass over the file.
    void rewind();

private:
    std::string path;
    SF_INFO info{};
    SNDFILE* file = nullptr;
};

// The output format: `choice` ("wav", "flac:pcm24", "float", ...) or, when
// empty, the type the output file's extension names, else the input's type;
// the input's sample type where the output type allows it. Throws RenderError
// for a name it does not know or a combination libsndfile cannot write.
int chooseOutputFormat(const AudioFormat& input, const std::string& choice,
                       const std::string& outputPath);

// The usual file extension of a format's major type, with the dot.
std::string extensionOf(int format);

class AudioWriter {
public:
    // Creates a temporary file beside `path`; throws RenderError.
    AudioWriter(const std::string& path, const AudioFormat& format);
    // Removes the temporary file unless commit() succeeded.
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    void write(const float* interleaved, int frames);
    // Completes the temporary file, to be read back before it is committed.
    void close();
    const std::string& written() const { return temporary; }
    // Closes the file if need be and moves it to its name.
    void commit();

private:
    std::string path;
    std::string temporary;
    SNDFILE* file = nullptr;
    bool committed = false;
};

// Writes bytes to `path` through a temporary file and a rename.
void writeFileAtomically(const std::string& path, const void* data, std::size_t size);
