// Draws the editor's images with cairo: the face bitmap, the knob and button
// filmstrips, the lamp and the two meter strips. The outputs are committed
// in resources/; run this after changing a drawing. Light falls from above
// on every part: raised panels and knobs are lit on top, recessed displays
// and meter wells are shaded on top.
// usage: brelto-imagegen OUTPUT-FOLDER
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

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

enum class Align { left, centre, right };

void text(cairo_t* cr, const char* s, double x, double baseline, double size, const Rgb& c,
          Align align = Align::left, bool bold = false) {
    cairo_select_font_face(cr, kFontFace, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, s, &extents);
    if (align == Align::centre)
        x -= extents.x_advance / 2;
    else if (align == Align::right)
        x -= extents.x_advance;
    setColor(cr, c);
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, s);
}

// Colours of the face, lit from above.
const Rgb kTrayFill{0.10, 0.11, 0.13}, kTrayEdge{0.30, 0.32, 0.36}, kTrayLitEdge{0.42, 0.44, 0.48},
    kShade{0.05, 0.055, 0.065}, kWell{0.04, 0.04, 0.05}, kCaption{0.85, 0.85, 0.87},
    kDim{0.66, 0.67, 0.71}, kAccent{0.93, 0.55, 0.20};

void line(cairo_t* cr, double x0, double y0, double x1, double y1, const Rgb& c) {
    setColor(cr, c);
    cairo_set_line_width(cr, 1);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
}

// A tray sunk into the chassis: one flat fill, its upper inside edge in
// shade, its lower edge catching the light.
void panel(cairo_t* cr, double x, double y, double w, double h) {
    roundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, 4);
    setColor(cr, kTrayFill);
    cairo_fill_preserve(cr);
    setColor(cr, kTrayEdge);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    line(cr, x + 4, y + 1.5, x + w - 4, y + 1.5, kShade);
    line(cr, x + 4, y + h - 0.5, x + w - 4, y + h - 0.5, kTrayLitEdge);
}

// A recessed box of exactly (x, y, w, h): shade above, light below, outside it.
void well(cairo_t* cr, double x, double y, double w, double h, const Rgb& fill) {
    setColor(cr, fill);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    line(cr, x, y - 0.5, x + w, y - 0.5, {0.02, 0.02, 0.03});
    line(cr, x, y + h + 0.5, x + w, y + h + 0.5, kTrayEdge);
}

// The scale around a knob of 40 pixels at (x, y): eleven ticks over its sweep.
void knobScale(cairo_t* cr, double x, double y) {
    const double cx = x + kKnobSize / 2.0, cy = y + kKnobSize / 2.0;
    for (int tick = 0; tick <= 10; ++tick) {
        const double degrees = kKnobStartDegrees - kKnobSweepDegrees * tick / 10.0;
        const double angle = degrees * kPi / 180.0;
        const double dx = std::cos(angle), dy = -std::sin(angle);
        const double inner = tick % 5 == 0 ? 19.5 : 20.5;
        line(cr, cx + inner * dx, cy + inner * dy, cx + 23 * dx, cy + 23 * dy,
             tick % 5 == 0 ? kCaption : kDim);
    }
}

bool drawFace(const std::string& folder) {
    cairo_surface_t* surface = newSurface(kFaceWidth, kFaceHeight);
    cairo_t* cr = cairo_create(surface);
    cairo_pattern_t* chassis = cairo_pattern_create_linear(0, 0, 0, kFaceHeight);
    cairo_pattern_add_color_stop_rgb(chassis, 0, 0.24, 0.25, 0.28);
    cairo_pattern_add_color_stop_rgb(chassis, 1, 0.15, 0.16, 0.18);
    cairo_set_source(cr, chassis);
    cairo_paint(cr);
    cairo_pattern_destroy(chassis);
    line(cr, 0, 0.5, kFaceWidth, 0.5, {0.36, 0.37, 0.40});

    text(cr, "BRELTO", 20, 23, 16, kAccent, Align::left, true);
    text(cr, "look-ahead maximizer", 98, 23, 10, kDim);

    // Switches: the lamps at (24, 40) and (24, 80), their captions beside them.
    panel(cr, 16, 32, 160, 72);
    text(cr, "Stereo link", 48, 52, 11, kCaption);
    text(cr, "Inter-sample peaks", 48, 92, 11, kCaption);

    // Meters: five strips in a well from (216, 40) to (376, 88), scale below.
    panel(cr, 184, 32, 232, 78);
    well(cr, 212, 37, 168, 54, kWell);
    text(cr, "IN", 207, 51, 9, kCaption, Align::right);
    text(cr, "GR", 207, 67, 9, kCaption, Align::right);
    text(cr, "OUT", 207, 83, 9, kCaption, Align::right);
    for (int step = 0; step <= 5; ++step) {
        const double x = kMeterLeft + step * (kMeterRight - kMeterLeft) / 5.0;
        const double tickX = std::min(x, kMeterRight - 1.0) + 0.5;
        line(cr, tickX, 93, tickX, 97, kDim);
        char label[8];
        std::snprintf(label, sizeof label, "%d", -30 + 6 * step);
        text(cr, label, x, 106, 8, kDim, Align::centre);
    }
    text(cr, "dB", 396, 106, 8, kDim, Align::left);

    // Knobs at (x, 120), their value displays at (x + 45, 118) with the unit after.
    struct Knob {
        double x;
        const char* name;
        const char* unit;
    };
    const Knob knobs[] = {{24, "Gain", "dB"}, {156, "Release", "ms"}, {288, "Ceiling", "dB"}};
    for (const Knob& knob : knobs) {
        panel(cr, knob.x - 8, 112, 128, 56);
        knobScale(cr, knob.x, 120);
        well(cr, knob.x + 45, 118, 32, 14, {0.05, 0.05, 0.06});
        text(cr, knob.unit, knob.x + 80, 129, 10, kCaption);
        text(cr, knob.name, knob.x + 45, 152, 11, kCaption);
    }
    cairo_destroy(cr);
    const bool saved = saveBmp(surface, folder + "/face.bmp");
    cairo_surface_destroy(surface);
    return saved;
}

bool drawKnob(const std::string& folder) {
    cairo_surface_t* surface = newSurface(kKnobSize, kKnobSize * kKnobFrames);
    cairo_t* cr = cairo_create(surface);
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
    return finishPng(cr, surface, folder + "/knob.png");
}

bool drawLamp(const std::string& folder) {
    cairo_surface_t* surface = newSurface(kLampSize, 2 * kLampSize);
    cairo_t* cr = cairo_create(surface);
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
    return finishPng(cr, surface, folder + "/lamp.png");
}

// 61 frames of 160 x 8: frame 0 empty, the bar grows from one edge to full width.
bool drawMeter(const std::string& folder, const char* name, bool fromRight) {
    cairo_surface_t* surface = newSurface(kMeterWidth, kMeterFrameHeight * kMeterFrames);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.04, 0.04, 0.05);
    cairo_paint(cr);
    cairo_pattern_t* bar = cairo_pattern_create_linear(0, 0, kMeterWidth, 0);
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
        cairo_rectangle(cr, left, frame * kMeterFrameHeight + 1, width, kMeterFrameHeight - 2);
        cairo_set_source(cr, bar);
        cairo_fill(cr);
    }
    cairo_pattern_destroy(bar);
    return finishPng(cr, surface, folder + "/" + name);
}

// Two frames of a square push button: released above, pressed below.
bool drawButton(const std::string& folder) {
    cairo_surface_t* surface = newSurface(kButtonSize, 2 * kButtonSize);
    cairo_t* cr = cairo_create(surface);
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
    return finishPng(cr, surface, folder + "/button.png");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brelto-imagegen OUTPUT-FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const bool ok = drawFace(folder) && drawKnob(folder) && drawLamp(folder) &&
                    drawMeter(folder, "meter-level.png", false) &&
                    drawMeter(folder, "meter-reduction.png", true) && drawButton(folder);
    if (!ok) std::fprintf(stderr, "brelto-imagegen: could not write the images\n");
    return ok ? 0 : 1;
}
