#include "tests/support/software/PngFile.h"

#include "vstgui/software/Objects.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

#include <vector>

namespace guitest {

bool writePng(VSTGUI::native::Handle handle, const std::string& path) {
    using namespace VSTGUI::software;
    const Image* image = nullptr;
    if (auto* window = as<Window>(handle, Kind::window))
        image = &window->image;
    else if (auto* surface = as<Surface>(handle, Kind::surface))
        image = surface->image;
    if (image == nullptr) return false;
    std::vector<unsigned char> rgb;
    rgb.reserve(image->pixels.size() * 3);
    for (std::uint32_t pixel : image->pixels) {
        rgb.push_back(static_cast<unsigned char>(pixel >> 16));
        rgb.push_back(static_cast<unsigned char>(pixel >> 8));
        rgb.push_back(static_cast<unsigned char>(pixel));
    }
    return stbi_write_png(path.c_str(), image->width, image->height, 3, rgb.data(),
                          image->width * 3) != 0;
}

} // namespace guitest
