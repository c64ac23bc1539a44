// Renders the glyphs of a TrueType font with FreeType for the software
// backend's text: every character code 0..255 at each of the toolkit's pixel
// heights at each scale the editor is shown at (vstgui/Scale.h), plain,
// bold, italic and both, as the system would draw them (bold by emboldening
// the outline, italic by shearing it).
// usage: brelto-make-glyphs FONT.ttf OUTPUT
#include "vstgui/Scale.h"
#include "vstgui/software/GlyphFile.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstdio>
#include <set>
#include <vector>

namespace {

using namespace VSTGUI::software;

constexpr double kItalicShear = 0.2;
constexpr int kFixedOne = 0x10000;   // FreeType's 16.16 unit
constexpr int kEmboldenDivisor = 24; // bold strokes grow by 1/24 em

void put32(std::vector<unsigned char>& out, std::int32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(static_cast<std::uint32_t>(value) >> (8 * i)));
}

// Ascent and descent in whole pixels from the font's Windows metrics.
void lineMetrics(FT_Face face, int pixelHeight, int& ascent, int& descent) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const double units = face->units_per_EM;
    const double up = os2 != nullptr ? os2->usWinAscent : face->ascender;
    const double down = os2 != nullptr ? os2->usWinDescent : -face->descender;
    ascent = static_cast<int>(std::lround(up * pixelHeight / units));
    descent = static_cast<int>(std::lround(down * pixelHeight / units));
}

bool renderGlyph(FT_Face face, bool bold, unsigned character) {
    if (FT_Load_Char(face, character, FT_LOAD_DEFAULT) != 0) return false;
    if (bold && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        const FT_Pos strength =
            FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / kEmboldenDivisor;
        FT_Outline_Embolden(&face->glyph->outline, strength);
        face->glyph->advance.x += strength;
    }
    return FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0;
}

// Every height the toolkit asks for: its fonts' heights at every scale.
std::set<std::int32_t> scaledHeights() {
    std::set<std::int32_t> heights{glyphFile::kSurfaceFontHeight};
    for (std::int32_t percent : VSTGUI::kScalePercents)
        for (std::int32_t height : glyphFile::kPixelHeights)
            heights.insert(VSTGUI::toDevice(height, percent));
    return heights;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: brelto-make-glyphs FONT.ttf OUTPUT\n");
        return 2;
    }
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, argv[1], 0, &face) != 0) {
        std::fprintf(stderr, "brelto-make-glyphs: cannot read %s\n", argv[1]);
        return 1;
    }
    struct Style {
        bool bold, italic;
    };
    const Style styles[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    const std::set<std::int32_t> heights = scaledHeights();
    const int faceCount = static_cast<int>(heights.size() * std::size(styles));
    const std::size_t headerSize =
        8 + static_cast<std::size_t>(faceCount) *
                (glyphFile::kFaceFields + glyphFile::kCharacters * glyphFile::kGlyphFields) * 4;

    std::vector<unsigned char> header(glyphFile::kMagic, glyphFile::kMagic + 4);
    put32(header, faceCount);
    std::vector<unsigned char> coverage;
    for (std::int32_t pixelHeight : heights) {
        for (const Style& style : styles) {
            if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelHeight)) != 0) return 1;
            FT_Matrix shear{kFixedOne, style.italic ? FT_Fixed(kItalicShear * kFixedOne) : 0, 0,
                            kFixedOne};
            FT_Set_Transform(face, &shear, nullptr);
            int ascent = 0, descent = 0;
            lineMetrics(face, pixelHeight, ascent, descent);
            for (std::int32_t field : {pixelHeight, std::int32_t(style.bold),
                                       std::int32_t(style.italic), ascent, descent})
                put32(header, field);
            for (unsigned character = 0; character < glyphFile::kCharacters; ++character) {
                if (!renderGlyph(face, style.bold, character)) {
                    for (int field = 0; field < glyphFile::kGlyphFields; ++field)
                        put32(header, 0);
                    continue;
                }
                const FT_GlyphSlot glyph = face->glyph;
                const FT_Bitmap& bitmap = glyph->bitmap;
                put32(header, static_cast<std::int32_t>(glyph->advance.x));
                put32(header, glyph->bitmap_left);
                put32(header, glyph->bitmap_top);
                put32(header, static_cast<std::int32_t>(bitmap.width));
                put32(header, static_cast<std::int32_t>(bitmap.rows));
                put32(header, static_cast<std::int32_t>(headerSize + coverage.size()));
                for (unsigned row = 0; row < bitmap.rows; ++row)
                    for (unsigned column = 0; column < bitmap.width; ++column)
                        coverage.push_back(bitmap.buffer[row * bitmap.pitch + column]);
            }
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (header.size() != headerSize) return 1;
    std::FILE* file = std::fopen(argv[2], "wb");
    const bool written = file != nullptr &&
                         std::fwrite(header.data(), 1, header.size(), file) == header.size() &&
                         std::fwrite(coverage.data(), 1, coverage.size(), file) == coverage.size();
    if (file == nullptr || std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "brelto-make-glyphs: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
