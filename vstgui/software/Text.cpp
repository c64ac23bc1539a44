// Text on the software surface: FreeType renders the embedded Liberation
// Sans, whose metrics match Arial's, placed the way the Windows text call
// places one centred line.
#include "vstgui/software/Objects.h"

#include "platform/ModuleServices.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>

namespace VSTGUI {
namespace software {

namespace {

constexpr int kFontResourceId = 300;
constexpr double kItalicShear = 0.2;
constexpr int kFixedOne = 0x10000; // FreeType's 16.16 unit

// The library and the face of the embedded font, made on first use and kept
// for the life of the module.
class FontEngine {
public:
    FontEngine() {
        const platform::ResourceBytes bytes = platform::findResource("TTF", kFontResourceId);
        if (!bytes || FT_Init_FreeType(&library) != 0) return;
        if (FT_New_Memory_Face(library, bytes.data, static_cast<FT_Long>(bytes.size), 0, &face) !=
            0)
            face = nullptr;
    }
    ~FontEngine() {
        if (face != nullptr) FT_Done_Face(face);
        if (library != nullptr) FT_Done_FreeType(library);
    }
    FT_Face faceAt(const Font& font) {
        if (face == nullptr || FT_Set_Pixel_Sizes(face, 0, font.pixelHeight) != 0) return nullptr;
        FT_Matrix shear{kFixedOne, font.italic ? FT_Fixed(kItalicShear * kFixedOne) : 0, 0,
                        kFixedOne};
        FT_Set_Transform(face, &shear, nullptr);
        return face;
    }

private:
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

FontEngine& engine() {
    static FontEngine instance;
    return instance;
}

// Ascent and descent in whole pixels, from the font's Windows metrics as the
// system computes a line's height.
void lineMetrics(FT_Face face, int pixelHeight, int& ascent, int& descent) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const double units = face->units_per_EM;
    const double up = os2 != nullptr ? os2->usWinAscent : face->ascender;
    const double down = os2 != nullptr ? os2->usWinDescent : -face->descender;
    ascent = static_cast<int>(std::lround(up * pixelHeight / units));
    descent = static_cast<int>(std::lround(down * pixelHeight / units));
}

bool loadGlyph(FT_Face face, const Font& font, unsigned char character) {
    if (FT_Load_Char(face, character, FT_LOAD_DEFAULT) != 0) return false;
    if (font.bold && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        const FT_Pos strength = FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / 24;
        FT_Outline_Embolden(&face->glyph->outline, strength);
        face->glyph->advance.x += strength;
    }
    return FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0;
}

int textWidth(FT_Face face, const Font& font, const char* text) {
    long width = 0;
    for (const char* c = text; *c != 0; ++c)
        if (loadGlyph(face, font, static_cast<unsigned char>(*c))) width += face->glyph->advance.x;
    return static_cast<int>((width + 32) >> 6);
}

std::uint32_t mix(std::uint32_t destination, const CColor& color, std::uint32_t coverage) {
    auto part = [&](std::uint32_t value, int shift) {
        const std::uint32_t under = (destination >> shift) & 0xFF;
        return ((value * coverage + under * (255 - coverage) + 127) / 255) << shift;
    };
    return 0xFF000000u | part(color.red, 16) | part(color.green, 8) | part(color.blue, 0);
}

} // namespace

int textExtent(const Font& font, const char* text) {
    FT_Face face = engine().faceAt(font);
    return face != nullptr && text != nullptr ? textWidth(face, font, text) : 0;
}

int lineHeight(const Font& font) {
    FT_Face face = engine().faceAt(font);
    if (face == nullptr) return 0;
    int ascent = 0, descent = 0;
    lineMetrics(face, font.pixelHeight, ascent, descent);
    return ascent + descent;
}

void drawText(Surface& surface, const char* text, const CRect& rect, std::int32_t align) {
    if (text == nullptr || *text == 0) return;
    FT_Face face = engine().faceAt(*surface.font);
    if (face == nullptr) return;
    const Font& font = *surface.font;
    int ascent = 0, descent = 0;
    lineMetrics(face, font.pixelHeight, ascent, descent);
    const int width = textWidth(face, font, text);
    const int top = rect.top + (rect.height() - (ascent + descent)) / 2;
    int x = rect.left;
    if (align == 1)
        x = rect.left + (rect.width() - width) / 2;
    else if (align == 2)
        x = rect.right - width;
    const CRect area = CRect(rect).bound(surface.drawable());

    if (!surface.transparentBackground) {
        const CRect box = CRect(x, top, x + width, top + ascent + descent).bound(area);
        for (std::int32_t y = box.top; y < box.bottom; ++y)
            for (std::int32_t px = box.left; px < box.right; ++px)
                surface.image->row(y)[px] = mix(0, surface.textBackground, 255);
    }
    const int baseline = top + ascent;
    long pen = static_cast<long>(x) << 6;
    for (const char* c = text; *c != 0; ++c) {
        if (!loadGlyph(face, font, static_cast<unsigned char>(*c))) continue;
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        const int originX = static_cast<int>((pen + 32) >> 6) + face->glyph->bitmap_left;
        const int originY = baseline - face->glyph->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int y = originY + static_cast<int>(row);
            if (y < area.top || y >= area.bottom) continue;
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const int px = originX + static_cast<int>(column);
                const std::uint32_t coverage = bitmap.buffer[row * bitmap.pitch + column];
                if (px < area.left || px >= area.right || coverage == 0) continue;
                std::uint32_t& out = surface.image->row(y)[px];
                out = mix(out, surface.textColor, coverage);
            }
        }
        pen += face->glyph->advance.x;
    }
    if (font.underline) {
        const int y = baseline + 1;
        if (y >= area.top && y < area.bottom)
            for (int px = std::max(x, area.left); px < std::min(x + width, area.right); ++px)
                surface.image->row(y)[px] = mix(0, surface.textColor, 255);
    }
}

} // namespace software
} // namespace VSTGUI
