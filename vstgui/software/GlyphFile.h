// The glyphs of the software backend's text, rendered ahead of time by
// brelto-make-glyphs from the embedded font with FreeType, so that the
// plug-in draws text without a font engine. Little-endian 32-bit fields:
//   "BRGL", face count, then per face: pixel height, bold, italic, ascent,
//   descent (whole pixels, as the system computes a line), and one glyph
//   record per character code 0..255; then the coverage bytes of all glyphs.
// A glyph record: advance (1/64 pixel), left and top of its bitmap relative
// to the pen on the baseline, width, rows and the offset of its width x rows
// coverage bytes (0..255) from the start of the file.
#pragma once

#include <cstdint>

namespace VSTGUI {
namespace software {
namespace glyphFile {

constexpr char kMagic[4] = {'B', 'R', 'G', 'L'};
constexpr int kResourceId = 301; // as cmake/Resources.cmake embeds it
constexpr const char* kResourceType = "GLYPHS";
constexpr int kCharacters = 256;
// Pixel heights of the toolkit's fonts, which the file holds at every scale
// of Scale.h, and of the surfaces' own font, which only unscaled surfaces
// show before a context selects one of the toolkit's.
constexpr std::int32_t kPixelHeights[] = {9, 10, 11, 12, 13, 14, 18};
constexpr std::int32_t kSurfaceFontHeight = 16;

struct FaceHeader {
    std::int32_t pixelHeight, bold, italic, ascent, descent;
};
struct GlyphRecord {
    std::int32_t advance, left, top, width, rows, offset;
};
constexpr std::int32_t kFaceFields = 5, kGlyphFields = 6;

} // namespace glyphFile
} // namespace software
} // namespace VSTGUI
