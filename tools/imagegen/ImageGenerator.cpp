// Draws the editor's images with cairo: the face bitmap, the knob and button
// filmstrips, the lamp and the two meter strips, at each scale the editor
// is shown at (the face at 1 as a bitmap, every other image as a PNG:
// face.bmp, face@1.5x.png, knob@2x.png). The outputs are committed in
// resources/; run this after changing a drawing. Light falls from above on
// every part: raised panels and knobs are lit on top, recessed displays and
// meter wells are shaded on top. At a larger scale the same drawing is made
// again at that size, its straight edges on whole device pixels where the
// toolkit puts its own (vstgui/Scale.h), so that the controls' rectangles
// meet the face as they do at 1.
// usage: brelto-imagegen OUTPUT-FOLDER
#include "vstgui/Scale.h"

#include <cairo.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kFaceWidth = 432, kFaceHeight = 172;
constexpr int kKnobSize = 40, kKnobFrames = 101;
constexpr double kKnobStartDegrees = 225.0, kKnobSweepDegrees = 270.0; // 7:30 to 4:30
constexpr int kLampSize = 16;
constexpr int kMeterWidth = 160, kMeterFrameHeight = 8, kMeterFrames = 61;
constexpr int kMeterLeft = 216, kMeterRight = 376;
constexpr int kButtonSize = 40;
const char* const kFontFace = "Liberation Sans";

struct Rgb {
    double r, g, b;
};

// The scale an image is drawn at: free geometry is multiplied by factor,
// edges that the toolkit meets snap to its device pixels.
struct Scale {
    int percent;
    double factor() const { return percent / double(VSTGUI::kUnscaled); }
    double at(double v) const { return v * factor(); }
    int snap(int v) const { return VSTGUI::toDevice(v, percent); }
    // The name of an image at this scale: "knob.png", "knob@1.5x.png".
    std::string name(const char* stem, const char* extension) const {
        if (percent == VSTGUI::kUnscaled) return std::string(stem) + extension;
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "@%gx", factor());
        return std::string(stem) + suffix + extension;
    }
};

cairo_surface_t* newSurface(int width, int height) {
    return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
}

// An 8-bit RGBA PNG, also for images without a transparent pixel (cairo would
// write those as RGB).
bool savePng(cairo_surface_t* surface, const std::string& path) {
    cairo_surface_flush(surface);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(cairo_image_surface_get_width(surface));
    image.height = static_cast<png_uint_32>(cairo_image_surface_get_height(surface));
    image.format = PNG_FORMAT_RGBA;
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    std::vector<unsigned char> rgba;
    rgba.reserve(static_cast<std::size_t>(image.width) * image.height * 4);
    for (png_uint_32 y = 0; y < image.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        for (png_uint_32 x = 0; x < image.width; ++x) {
            // cairo keeps colour premultiplied by alpha.
            const std::uint32_t pixel = row[x];
            const unsigned alpha = pixel >> 24;
            for (int shift : {16, 8, 0}) {
                const unsigned channel = (pixel >> shift) & 0xFF;
                rgba.push_back(static_cast<unsigned char>(
                    alpha == 0 ? 0 : (channel * 255 + alpha / 2) / alpha));
            }
            rgba.push_back(static_cast<unsigned char>(alpha));
        }
    }
    return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

// Ends the drawing, writes the PNG and frees both.
bool finishPng(cairo_t* cr, cairo_surface_t* surface, const std::string& path) {
    cairo_destroy(cr);
    const bool saved = savePng(surface, path);
    cairo_surface_destroy(surface);
    return saved;
}

void put32(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void put16(std::vector<unsigned char>& out, std::uint16_t value) {
    out.push_back(static_cast<unsigned char>(value));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

// A 32-bit bottom-up BMP with opaque pixels, as the Windows resource compiler takes it.
bool saveBmp(cairo_surface_t* surface, const std::string& path) {
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(width * height * 4);
    std::vector<unsigned char> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + pixelBytes);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, pixelBytes);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x)
            put32(out, row[x] | 0xFF000000u);
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && written;
}

void setColor(cairo_t* cr, const Rgb& c, double alpha = 1.0) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

// Fills the device pixels of the toolkit pixels from (x0, y0) up to (x1, y1).
void band(cairo_t* cr, const Scale& scale, int x0, int y0, int x1, int y1, const Rgb& c) {
    setColor(cr, c);
    cairo_rectangle(cr, scale.snap(x0), scale.snap(y0), scale.snap(x1) - scale.snap(x0),
                    scale.snap(y1) - scale.snap(y0));
    cairo_fill(cr);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

enum class Align { left, centre, right };

void text(cairo_t* cr, const Scale& scale, const char* s, double x, int baseline, double size,
          const Rgb& c, Align align = Align::left, bool bold = false) {
    cairo_select_font_face(cr, kFontFace, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, scale.at(size));
    cairo_text_extents_t extents;
    cairo_text_extents(cr, s, &extents);
    x = scale.at(x);
    if (align == Align::centre)
        x -= extents.x_advance / 2;
    else if (align == Align::right)
        x -= extents.x_advance;
    setColor(cr, c);
    cairo_move_to(cr, x, scale.snap(baseline));
    cairo_show_text(cr, s);
}

// Colours of the face, lit from above.
const Rgb kTrayFill{0.10, 0.11, 0.13}, kTrayEdge{0.30, 0.32, 0.36}, kTrayLitEdge{0.42, 0.44, 0.48},
    kShade{0.05, 0.055, 0.065}, kWell{0.04, 0.04, 0.05}, kCaption{0.85, 0.85, 0.87},
    kDim{0.66, 0.67, 0.71}, kAccent{0.93, 0.55, 0.20};

// A tray sunk into the chassis: one flat fill, its upper inside edge in
// shade, its lower edge catching the light.
void panel(cairo_t* cr, const Scale& scale, int x, int y, int w, int h) {
    const int left = scale.snap(x), top = scale.snap(y);
    const int edge = scale.snap(1);
    roundedRect(cr, left + edge / 2.0, top + edge / 2.0, scale.snap(x + w) - left - edge,
                scale.snap(y + h) - top - edge, scale.at(4));
    setColor(cr, kTrayFill);
    cairo_fill_preserve(cr);
    setColor(cr, kTrayEdge);
    cairo_set_line_width(cr, edge);
    cairo_stroke(cr);
    band(cr, scale, x + 4, y + 1, x + w - 4, y + 2, kShade);
    band(cr, scale, x + 4, y + h - 1, x + w - 4, y + h, kTrayLitEdge);
}

// A recessed box of exactly (x, y, w, h): shade above, light below, outside it.
void well(cairo_t* cr, const Scale& scale, int x, int y, int w, int h, const Rgb& fill) {
    band(cr, scale, x, y, x + w, y + h, fill);
    band(cr, scale, x, y - 1, x + w, y, {0.02, 0.02, 0.03});
    band(cr, scale, x, y + h, x + w, y + h + 1, kTrayEdge);
}

// The scale around a knob of 40 pixels at (x, y): eleven ticks over its sweep.
void knobScale(cairo_t* cr, const Scale& scale, double x, double y) {
    cairo_save(cr);
    cairo_scale(cr, scale.factor(), scale.factor());
    const double cx = x + kKnobSize / 2.0, cy = y + kKnobSize / 2.0;
    cairo_set_line_width(cr, 1);
    for (int tick = 0; tick <= 10; ++tick) {
        const double degrees = kKnobStartDegrees - kKnobSweepDegrees * tick / 10.0;
        const double angle = degrees * kPi / 180.0;
        const double dx = std::cos(angle), dy = -std::sin(angle);
        const double inner = tick % 5 == 0 ? 19.5 : 20.5;
        setColor(cr, tick % 5 == 0 ? kCaption : kDim);
        cairo_move_to(cr, cx + inner * dx, cy + inner * dy);
        cairo_line_to(cr, cx + 23 * dx, cy + 23 * dy);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

bool drawFace(const std::string& folder, const Scale& scale) {
    cairo_surface_t* surface = newSurface(scale.snap(kFaceWidth), scale.snap(kFaceHeight));
    cairo_t* cr = cairo_create(surface);
    cairo_pattern_t* chassis = cairo_pattern_create_linear(0, 0, 0, scale.at(kFaceHeight));
    cairo_pattern_add_color_stop_rgb(chassis, 0, 0.24, 0.25, 0.28);
    cairo_pattern_add_color_stop_rgb(chassis, 1, 0.15, 0.16, 0.18);
    cairo_set_source(cr, chassis);
    cairo_paint(cr);
    cairo_pattern_destroy(chassis);
    band(cr, scale, 0, 0, kFaceWidth, 1, {0.36, 0.37, 0.40});

    text(cr, scale, "BRELTO", 20, 23, 16, kAccent, Align::left, true);
    text(cr, scale, "look-ahead maximizer", 98, 23, 10, kDim);

    // Switches: the lamps at (24, 40) and (24, 80), their captions beside them.
    panel(cr, scale, 16, 32, 160, 72);
    text(cr, scale, "Stereo link", 48, 52, 11, kCaption);
    text(cr, scale, "Inter-sample peaks", 48, 92, 11, kCaption);

    // Meters: five strips in a well from (216, 40) to (376, 88), scale below.
    panel(cr, scale, 184, 32, 232, 78);
    well(cr, scale, 212, 37, 168, 54, kWell);
    text(cr, scale, "IN", 207, 51, 9, kCaption, Align::right);
    text(cr, scale, "GR", 207, 67, 9, kCaption, Align::right);
    text(cr, scale, "OUT", 207, 83, 9, kCaption, Align::right);
    for (int step = 0; step <= 5; ++step) {
        const int x = kMeterLeft + step * (kMeterRight - kMeterLeft) / 5;
        const int tickX = std::min(x, kMeterRight - 1);
        band(cr, scale, tickX, 93, tickX + 1, 97, kDim);
        char label[8];
        std::snprintf(label, sizeof label, "%d", -30 + 6 * step);
        text(cr, scale, label, x, 106, 8, kDim, Align::centre);
    }
    text(cr, scale, "dB", 396, 106, 8, kDim, Align::left);

    // Knobs at (x, 120), their value displays at (x + 45, 118) with the unit after.
    struct Knob {
        int x;
        const char* name;
        const char* unit;
    };
    const Knob knobs[] = {{24, "Gain", "dB"}, {156, "Release", "ms"}, {288, "Ceiling", "dB"}};
    for (const Knob& knob : knobs) {
        panel(cr, scale, knob.x - 8, 112, 128, 56);
        knobScale(cr, scale, knob.x, 120);
        well(cr, scale, knob.x + 45, 118, 32, 14, {0.05, 0.05, 0.06});
        text(cr, scale, knob.unit, knob.x + 80, 129, 10, kCaption);
        text(cr, scale, knob.name, knob.x + 45, 152, 11, kCaption);
    }
    // The Windows resource compiler takes the face at 1 as a bitmap.
    if (scale.percent != VSTGUI::kUnscaled)
        return finishPng(cr, surface, folder + "/" + scale.name("face", ".png"));
    cairo_destroy(cr);
    const bool saved = saveBmp(surface, folder + "/face.bmp");
    cairo_surface_destroy(surface);
    return saved;
}

// A surface for an image of width x height toolkit pixels at scale, and its
// drawing with toolkit pixels as its unit.
cairo_t* scaledDrawing(const Scale& scale, int width, int height, cairo_surface_t*& surface) {
    surface = newSurface(scale.snap(width), scale.snap(height));
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale.factor(), scale.factor());
    return cr;
}

bool drawKnob(const std::string& folder, const Scale& scale) {
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = scaledDrawing(scale, kKnobSize, kKnobSize * kKnobFrames, surface);
    const double centre = kKnobSize / 2.0;
    for (int frame = 0; frame < kKnobFrames; ++frame) {
        const double top = frame * kKnobSize;
        cairo_pattern_t* body =
            cairo_pattern_create_radial(centre, top + centre - 8, 2, centre, top + centre, 18);
        cairo_pattern_add_color_stop_rgb(body, 0, 0.55, 0.57, 0.62);
        cairo_pattern_add_color_stop_rgb(body, 1, 0.16, 0.17, 0.20);
        cairo_arc(cr, centre, top + centre, 17, 0, 2 * kPi);
        cairo_set_source(cr, body);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(body);
        cairo_set_source_rgb(cr, 0.05, 0.05, 0.06);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);

        const double degrees = kKnobStartDegrees - kKnobSweepDegrees * frame / (kKnobFrames - 1);
        const double angle = degrees * kPi / 180.0;
        const double dx = std::cos(angle), dy = -std::sin(angle);
        cairo_move_to(cr, centre + 5 * dx, top + centre + 5 * dy);
        cairo_line_to(cr, centre + 14 * dx, top + centre + 14 * dy);
        cairo_set_source_rgb(cr, 0.93, 0.55, 0.20);
        cairo_set_line_width(cr, 3);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_stroke(cr);
    }
    return finishPng(cr, surface, folder + "/" + scale.name("knob", ".png"));
}

bool drawLamp(const std::string& folder, const Scale& scale) {
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = scaledDrawing(scale, kLampSize, 2 * kLampSize, surface);
    const double c = kLampSize / 2.0;
    const Rgb off{0.30, 0.12, 0.05}, on{1.00, 0.62, 0.20};
    for (int state = 0; state < 2; ++state) {
        const double top = state * kLampSize;
        if (state == 1) {
            cairo_pattern_t* glow = cairo_pattern_create_radial(c, top + c, 2, c, top + c, 8);
            cairo_pattern_add_color_stop_rgba(glow, 0, 1.0, 0.7, 0.3, 0.8);
            cairo_pattern_add_color_stop_rgba(glow, 1, 1.0, 0.5, 0.1, 0.0);
            cairo_set_source(cr, glow);
            cairo_paint(cr);
            cairo_pattern_destroy(glow);
        }
        cairo_arc(cr, c, top + c, 5, 0, 2 * kPi);
        setColor(cr, state == 1 ? on : off);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.05, 0.05, 0.06);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        // The light from above, caught on the lamp's dome.
        cairo_arc(cr, c, top + c - 2, 2, 0, 2 * kPi);
        cairo_set_source_rgba(cr, 1, 1, 1, state == 1 ? 0.45 : 0.2);
        cairo_fill(cr);
    }
    return finishPng(cr, surface, folder + "/" + scale.name("lamp", ".png"));
}

// 61 frames of 160 x 8: frame 0 empty, the bar grows from one edge to full
// width; its edges on whole device pixels.
bool drawMeter(const std::string& folder, const Scale& scale, const char* stem, bool fromRight) {
    cairo_surface_t* surface =
        newSurface(scale.snap(kMeterWidth), scale.snap(kMeterFrameHeight * kMeterFrames));
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.04, 0.04, 0.05);
    cairo_paint(cr);
    cairo_pattern_t* bar = cairo_pattern_create_linear(0, 0, scale.at(kMeterWidth), 0);
    if (fromRight) {
        cairo_pattern_add_color_stop_rgb(bar, 0, 0.95, 0.25, 0.15);
        cairo_pattern_add_color_stop_rgb(bar, 1, 0.95, 0.65, 0.20);
    } else {
        cairo_pattern_add_color_stop_rgb(bar, 0, 0.20, 0.75, 0.35);
        cairo_pattern_add_color_stop_rgb(bar, 0.75, 0.85, 0.85, 0.25);
        cairo_pattern_add_color_stop_rgb(bar, 1, 0.95, 0.25, 0.15);
    }
    for (int frame = 1; frame < kMeterFrames; ++frame) {
        const int width = kMeterWidth * frame / (kMeterFrames - 1);
        const int left = fromRight ? kMeterWidth - width : 0;
        const int top = frame * kMeterFrameHeight + 1;
        const int bottom = top + kMeterFrameHeight - 2;
        cairo_rectangle(cr, scale.snap(left), scale.snap(top),
                        scale.snap(left + width) - scale.snap(left),
                        scale.snap(bottom) - scale.snap(top));
        cairo_set_source(cr, bar);
        cairo_fill(cr);
    }
    cairo_pattern_destroy(bar);
    return finishPng(cr, surface, folder + "/" + scale.name(stem, ".png"));
}

// Two frames of a square push button: released above, pressed below.
bool drawButton(const std::string& folder, const Scale& scale) {
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = scaledDrawing(scale, kButtonSize, 2 * kButtonSize, surface);
    for (int state = 0; state < 2; ++state) {
        const double top = state * kButtonSize;
        roundedRect(cr, 4.5, top + 4.5, kButtonSize - 9, kButtonSize - 9, 5);
        if (state == 1)
            cairo_set_source_rgb(cr, 0.93, 0.55, 0.20);
        else
            cairo_set_source_rgb(cr, 0.30, 0.32, 0.36);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.05, 0.05, 0.06);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    return finishPng(cr, surface, folder + "/" + scale.name("button", ".png"));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brelto-imagegen OUTPUT-FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = true;
    for (int percent : VSTGUI::kScalePercents) {
        const Scale scale{percent};
        ok = ok && drawFace(folder, scale) && drawKnob(folder, scale) && drawLamp(folder, scale) &&
             drawMeter(folder, scale, "meter-level", false) &&
             drawMeter(folder, scale, "meter-reduction", true) && drawButton(folder, scale);
    }
    if (!ok) std::fprintf(stderr, "brelto-imagegen: could not write the images\n");
    return ok ? 0 : 1;
}
