// Image decoding for the software backend: PNG and BMP resources through
// stb_image.
#include "vstgui/software/Objects.h"

#include "platform/ModuleServices.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

#include <memory>
#include <vector>

namespace VSTGUI {
namespace software {

namespace {

constexpr int kRgba = 4;

class StbImage : public native::DecodedImage {
public:
    StbImage(unsigned char* pixels, int width, int height)
        : pixels(pixels), imageWidth(width), imageHeight(height) {}
    ~StbImage() override { stbi_image_free(pixels); }
    std::int32_t width() const override { return imageWidth; }
    std::int32_t height() const override { return imageHeight; }
    bool pixel(std::int32_t x, std::int32_t y, std::uint32_t& argb) const override {
        if (x < 0 || y < 0 || x >= imageWidth || y >= imageHeight) return false;
        const unsigned char* p = pixels + (static_cast<std::size_t>(y) * imageWidth + x) * kRgba;
        argb = (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[0]) << 16) |
               (std::uint32_t(p[1]) << 8) | p[2];
        return true;
    }

private:
    unsigned char* pixels;
    int imageWidth;
    int imageHeight;
};

unsigned char* decodeRgba(const unsigned char* bytes, std::size_t size, int& width, int& height) {
    int channels = 0;
    return stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, kRgba);
}

} // namespace

} // namespace software

namespace native {

using namespace software;

std::unique_ptr<DecodedImage> decodeImage(const unsigned char* bytes, std::size_t size,
                                          DecodeStatus& status) {
    // An empty resource is what a system memory stream cannot be opened on.
    if (bytes == nullptr || size == 0) {
        status = DecodeStatus::noStream;
        return nullptr;
    }
    int width = 0, height = 0;
    unsigned char* pixels = decodeRgba(bytes, size, width, height);
    if (pixels == nullptr) {
        status = DecodeStatus::unreadable;
        return nullptr;
    }
    status = DecodeStatus::decoded;
    // The pixels are the image's once it exists, and freed here if it cannot be made.
    std::unique_ptr<unsigned char, void (*)(void*)> owned(pixels, stbi_image_free);
    auto image = std::make_unique<StbImage>(pixels, width, height);
    owned.release();
    return image;
}

// Nothing to start: the decoder needs no session.
std::uintptr_t startImageCodecs() {
    return 1;
}
void stopImageCodecs(std::uintptr_t) {}

Handle loadBitmapResource(std::int32_t id) {
    const platform::ResourceBytes bytes = platform::findResource("BITMAP", id);
    if (!bytes) return nullptr;
    int width = 0, height = 0;
    // Freed also when the image cannot be made for want of memory.
    const std::unique_ptr<unsigned char, void (*)(void*)> pixels(
        decodeRgba(bytes.data, bytes.size, width, height), stbi_image_free);
    if (pixels == nullptr) return nullptr;
    auto* image = new Image(width, height, 0xFF000000u);
    for (std::size_t i = 0; i < image->pixels.size(); ++i) {
        const unsigned char* p = pixels.get() + i * kRgba;
        image->pixels[i] =
            0xFF000000u | (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
    }
    return image;
}

} // namespace native
} // namespace VSTGUI
