// Draws the editor's images with cairo: the face bitmap, the knob and button
// filmstrips, the lamp and the two meter strips. The outputs are committed
// in resources/; run this after changing a drawing.
// usage: brelto-imagegen OUTPUT-FOLDER
#include <cairo.h>

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

bool savePng(cairo_surface_t* surface, const std::string& path) {
    cairo_surface_flush(surface);
    return cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
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

void panel(cairo_t* cr, double x, double y, double w, double h) {
    roundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, 4);
    setColor(cr, {0.10, 0.11, 0.13});
    cairo_fill_preserve(cr);
    setColor(cr, {0.30, 0.32, 0.36});
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

bool drawFace(const std::string& folder) {
    cairo_surface_t* surface = newSurface(kFaceWidth, kFaceHeight);
    cairo_t* cr = cairo_create(surface);
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, kFaceHeight);
    cairo_pattern_add_color_stop_rgb(sky, 0, 0.22, 0.23, 0.26);
    cairo_pattern_add_color_stop_rgb(sky, 1, 0.14, 0.15, 0.17);
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);

    const Rgb caption{0.80, 0.80, 0.82}, dim{0.55, 0.56, 0.60}, accent{0.93, 0.55, 0.20};
    text(cr, "BRELTO", 24, 24, 16, accent, Align::left, true);
    text(cr, "look-ahead maximizer", 104, 24, 10, dim);

    panel(cr, 16, 32, 160, 72);
    text(cr, "Stereo link", 48, 52, 11, caption);
    text(cr, "Inter-sample peaks", 48, 92, 11, caption);

    panel(cr, 184, 32, 232, 78);
    text(cr, "IN", 208, 55, 9, dim, Align::right);
    text(cr, "GR", 208, 67, 9, dim, Align::right);
    text(cr, "OUT", 208, 87, 9, dim, Align::right);
    setColor(cr, dim);
    cairo_set_line_width(cr, 1);
    for (int step = 0; step <= 5; ++step) {
        const double x = kMeterLeft + step * (kMeterRight - kMeterLeft) / 5.0;
        const double tickX = std::min(x, kMeterRight - 1.0) + 0.5;
        cairo_move_to(cr, tickX, 92);
        cairo_line_to(cr, tickX, 96);
        cairo_stroke(cr);
        char label[8];
        std::snprintf(label, sizeof label, "%d", -30 + 6 * step);
        text(cr, label, x, 105, 8, dim, Align::centre);
    }

    struct Knob {
        double x;
        const char* name;
        const char* unit;
    };
    const Knob knobs[] = {{24, "Gain", "dB"}, {156, "Release", "ms"}, {288, "Ceiling", "dB"}};
    for (const Knob& knob : knobs) {
        panel(cr, knob.x - 8, 112, 128, 56);
        text(cr, knob.name, knob.x + 45, 148, 10, dim);
        setColor(cr, {0.05, 0.05, 0.06});
        cairo_rectangle(cr, knob.x + 45, 118, 32, 14);
        cairo_fill(cr);
        text(cr, knob.unit, knob.x + 80, 129, 10, caption);
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
            cairo_pattern_create_radial(centre - 5, top + centre - 6, 2, centre, top + centre, 18);
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
