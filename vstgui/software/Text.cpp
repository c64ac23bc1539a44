// Text on the software surface: glyphs of the embedded Liberation Sans,
// whose metrics match Arial's, rendered ahead of time (GlyphFile.h) and
// placed the way the Windows text call places one centred line.
#include "vstgui/software/GlyphFile.h"
#include "vstgui/software/Objects.h"

#include "platform/ModuleServices.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace VSTGUI {
namespace software {

namespace {

// One face of the glyph file: its line metrics and its glyph records, read
// in place from the module's resource.
struct GlyphFace {
    glyphFile::FaceHeader header{};
    const unsigned char* records = nullptr;
};

struct Glyph {
    glyphFile::GlyphRecord record{};
    const unsigned char* coverage = nullptr;
};

std::int32_t read32(const unsigned char* at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | at[i];
    return static_cast<std::int32_t>(value);
}

// The faces of the glyph resource, found on first use; none when the
// resource is missing or does not hold what its header promises.
class GlyphAtlas {
public:
    GlyphAtlas() {
        const platform::ResourceBytes bytes =
            platform::findResource(glyphFile::kResourceType, glyphFile::kResourceId);
        constexpr std::size_t kRecordBytes = glyphFile::kGlyphFields * 4;
        constexpr std::size_t kFaceBytes =
            glyphFile::kFaceFields * 4 + glyphFile::kCharacters * kRecordBytes;
        if (!bytes || bytes.size < 8 || std::memcmp(bytes.data, glyphFile::kMagic, 4) != 0) return;
        const std::int32_t count = read32(bytes.data + 4);
        if (count < 0 || static_cast<std::size_t>(count) > (bytes.size - 8) / kFaceBytes) return;
        for (std::int32_t index = 0; index < count; ++index) {
            const unsigned char* at = bytes.data + 8 + static_cast<std::size_t>(index) * kFaceBytes;
            GlyphFace face;
            face.header = {read32(at), read32(at + 4), read32(at + 8), read32(at + 12),
                           read32(at + 16)};
            face.records = at + glyphFile::kFaceFields * 4;
            faces.push_back(face);
        }
        data = bytes.data;
        size = bytes.size;
    }
    const GlyphFace* faceOf(const Font& font) const {
        for (const GlyphFace& face : faces)
            if (face.header.pixelHeight == font.pixelHeight &&
                (face.header.bold != 0) == font.bold && (face.header.italic != 0) == font.italic)
                return &face;
        return nullptr;
    }
    // A glyph whose coverage lies outside the file draws nothing.
    Glyph glyph(const GlyphFace& face, unsigned char character) const {
        const unsigned char* at = face.records + character * glyphFile::kGlyphFields * 4;
        Glyph glyph;
        glyph.record = {read32(at),      read32(at + 4),  read32(at + 8),
                        read32(at + 12), read32(at + 16), read32(at + 20)};
        const glyphFile::GlyphRecord& r = glyph.record;
        const bool inside = r.width >= 0 && r.rows >= 0 && r.offset >= 0 &&
                            static_cast<std::size_t>(r.offset) <= size &&
                            static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.rows) <=
                                size - static_cast<std::size_t>(r.offset);
        if (inside)
            glyph.coverage = data + r.offset;
        else
            glyph.record.width = glyph.record.rows = 0;
        return glyph;
    }

private:
    std::vector<GlyphFace> faces;
    const unsigned char* data = nullptr;
    std::size_t size = 0;
};

const GlyphAtlas& atlas() {
    static const GlyphAtlas instance;
    return instance;
}

int textWidth(const GlyphFace& face, const char* text) {
    long width = 0;
    for (const char* c = text; *c != 0; ++c)
        width += atlas().glyph(face, static_cast<unsigned char>(*c)).record.advance;
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
    const GlyphFace* face = atlas().faceOf(font);
    return face != nullptr && text != nullptr ? textWidth(*face, text) : 0;
}

int lineHeight(const Font& font) {
    const GlyphFace* face = atlas().faceOf(font);
    return face != nullptr ? face->header.ascent + face->header.descent : 0;
}

void drawText(Surface& surface, const char* text, const CRect& rect, std::int32_t align) {
    if (text == nullptr || *text == 0) return;
    const Font& font = *surface.font;
    const GlyphFace* face = atlas().faceOf(font);
    if (face == nullptr) return;
    const int ascent = face->header.ascent, descent = face->header.descent;
    const int width = textWidth(*face, text);
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
        const Glyph glyph = atlas().glyph(*face, static_cast<unsigned char>(*c));
        const glyphFile::GlyphRecord& bitmap = glyph.record;
        const int originX = static_cast<int>((pen + 32) >> 6) + bitmap.left;
        const int originY = baseline - bitmap.top;
        for (int row = 0; row < bitmap.rows; ++row) {
            const int y = originY + row;
            if (y < area.top || y >= area.bottom) continue;
            for (int column = 0; column < bitmap.width; ++column) {
                const int px = originX + column;
                const std::uint32_t coverage = glyph.coverage[row * bitmap.width + column];
                if (px < area.left || px >= area.right || coverage == 0) continue;
                std::uint32_t& out = surface.image->row(y)[px];
                out = mix(out, surface.textColor, coverage);
            }
        }
        pen += bitmap.advance;
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
