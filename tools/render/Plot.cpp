#include "tools/render/Plot.h"

#include "tools/render/AudioFile.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// The layout, in pixels: the levels above, the gain reduction below, one
// column per window of the trace.
constexpr double kLeft = 70.0, kRight = kLeft + kTraceWindows;
constexpr double kLevelsTop = 56.0, kLevelsBottom = 318.0;
constexpr double kReductionTop = 346.0, kReductionBottom = 452.0;
constexpr double kFontSize = 13.0, kTitleSize = 15.0;
// The scales, in dB.
constexpr double kLowestLevelDb = -42.0, kHighestLevelDb = 3.0, kLevelStepDb = 6.0;
constexpr double kLeastReductionRangeDb = 6.0, kReductionStepDb = 3.0;
constexpr double kDbPerDecade = 20.0;
// Steps of the time axis to choose from, in seconds: about ten labels.
constexpr double kTimeSteps[] = {0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 1800};
constexpr int kTimeLabels = 10;

struct Colour {
    double red, green, blue, alpha;
};
constexpr Colour kInk = {0.15, 0.15, 0.15, 1.0}, kGrid = {0.85, 0.85, 0.85, 1.0};
constexpr Colour kInput = {0.55, 0.55, 0.6, 0.45}, kOutput = {0.1, 0.35, 0.75, 1.0};
constexpr Colour kReduction = {0.85, 0.45, 0.1, 0.8}, kCeiling = {0.1, 0.6, 0.2, 1.0};
constexpr Colour kOver = {0.85, 0.05, 0.05, 1.0};

double toDb(double level) {
    return level > 0.0 ? kDbPerDecade * std::log10(level) : -HUGE_VAL;
}

class Canvas {
public:
    Canvas()
        : surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, kPlotWidth, kPlotHeight),
                  cairo_surface_destroy),
          context(cairo_create(surface.get()), cairo_destroy) {
        cairo_t* cr = context.get();
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL,
                               CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, kFontSize);
    }

    cairo_t* cr() { return context.get(); }
    void colour(const Colour& c) { cairo_set_source_rgba(cr(), c.red, c.green, c.blue, c.alpha); }

    void line(double x0, double y0, double x1, double y1, const Colour& c, double width) {
        colour(c);
        cairo_set_line_width(cr(), width);
        cairo_move_to(cr(), x0, y0);
        cairo_line_to(cr(), x1, y1);
        cairo_stroke(cr());
    }

    // Text whose anchor is `x`, `y`: align 0 left, 0.5 centred, 1 right; baseline at y.
    void text(const std::string& words, double x, double y, double align, const Colour& c) {
        cairo_text_extents_t extents;
        cairo_text_extents(cr(), words.c_str(), &extents);
        colour(c);
        cairo_move_to(cr(), x - align * extents.x_advance, y);
        cairo_show_text(cr(), words.c_str());
    }

    std::vector<unsigned char> png() {
        std::vector<unsigned char> bytes;
        cairo_surface_flush(surface.get());
        cairo_surface_write_to_png_stream(
            surface.get(),
            [](void* closure, const unsigned char* data, unsigned int length) {
                auto* out = static_cast<std::vector<unsigned char>*>(closure);
                out->insert(out->end(), data, data + length);
                return CAIRO_STATUS_SUCCESS;
            },
            &bytes);
        return bytes;
    }

private:
    std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> surface;
    std::unique_ptr<cairo_t, void (*)(cairo_t*)> context;
};

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof(text), pattern, value);
    return text;
}

double levelY(double db) {
    const double clamped = std::clamp(db, kLowestLevelDb, kHighestLevelDb);
    return kLevelsBottom - (clamped - kLowestLevelDb) / (kHighestLevelDb - kLowestLevelDb) *
                               (kLevelsBottom - kLevelsTop);
}

// The windows' levels as a filled area from the floor, or as a line.
void drawEnvelope(Canvas& canvas, const std::vector<double>& levels, const Colour& colour,
                  bool filled) {
    cairo_t* cr = canvas.cr();
    cairo_new_path(cr);
    if (filled) cairo_move_to(cr, kLeft, kLevelsBottom);
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const double x = kLeft + static_cast<double>(i) + 0.5;
        cairo_line_to(cr, x, levelY(toDb(levels[i])));
    }
    canvas.colour(colour);
    if (filled) {
        cairo_line_to(cr, kLeft + static_cast<double>(levels.size()), kLevelsBottom);
        cairo_close_path(cr);
        cairo_fill(cr);
    } else {
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    }
}

void drawTimeAxis(Canvas& canvas, const LevelTrace& trace) {
    const double seconds = static_cast<double>(trace.windowFrames) *
                           static_cast<double>(trace.inputPeak.size()) / trace.rate;
    double step = kTimeSteps[0];
    for (double candidate : kTimeSteps)
        if (seconds / candidate >= kTimeLabels / 2.0) step = candidate;
    const double pixelsPerSecond = static_cast<double>(trace.rate) / trace.windowFrames;
    for (double t = 0.0; t * pixelsPerSecond <= kTraceWindows + 0.5; t += step) {
        const double x = kLeft + t * pixelsPerSecond;
        canvas.line(x, kLevelsTop, x, kLevelsBottom, kGrid, 1.0);
        canvas.line(x, kReductionTop, x, kReductionBottom, kGrid, 1.0);
        canvas.text(format(step < 1.0 ? "%.1f" : "%.0f", t), x, kReductionBottom + 18.0, 0.5, kInk);
    }
    canvas.text("time (s)", kRight, kReductionBottom + 36.0, 1.0, kInk);
}

void drawLevelAxis(Canvas& canvas) {
    for (double db = kLowestLevelDb; db <= kHighestLevelDb; db += kLevelStepDb) {
        canvas.line(kLeft, levelY(db), kRight, levelY(db), kGrid, 1.0);
        canvas.text(db == 0.0 ? "0" : format("%+.0f", db), kLeft - 8.0, levelY(db) + 4.0, 1.0,
                    kInk);
    }
    canvas.text("dBFS", kLeft - 8.0, kLevelsTop - 10.0, 1.0, kInk);
}

// The reduction hangs down from 0 dB.
void drawReduction(Canvas& canvas, const LevelTrace& trace) {
    const double largest = trace.reductionDb.empty() ? 0.0
                                                     : *std::max_element(trace.reductionDb.begin(),
                                                                         trace.reductionDb.end());
    const double range =
        std::max(kLeastReductionRangeDb, std::ceil(largest / kReductionStepDb) * kReductionStepDb);
    auto y = [&](double db) {
        return kReductionTop + db / range * (kReductionBottom - kReductionTop);
    };
    const double labelStep = range > 4 * kReductionStepDb ? 2 * kReductionStepDb : kReductionStepDb;
    for (double db = 0.0; db <= range; db += labelStep) {
        canvas.line(kLeft, y(db), kRight, y(db), kGrid, 1.0);
        canvas.text(db == 0.0 ? "0" : format("%.0f", -db), kLeft - 8.0, y(db) + 4.0, 1.0, kInk);
    }
    canvas.text("GR dB", kLeft - 8.0, kReductionTop - 10.0, 1.0, kInk);
    cairo_t* cr = canvas.cr();
    cairo_new_path(cr);
    cairo_move_to(cr, kLeft, y(0.0));
    for (std::size_t i = 0; i < trace.reductionDb.size(); ++i)
        cairo_line_to(cr, kLeft + static_cast<double>(i) + 0.5, y(trace.reductionDb[i]));
    cairo_line_to(cr, kLeft + static_cast<double>(trace.reductionDb.size()), y(0.0));
    cairo_close_path(cr);
    canvas.colour(kReduction);
    cairo_fill(cr);
}

// The ceiling, the true-peak limit when one was asked, and the windows whose
// output true peak rose above the limit (the ceiling when none was asked).
int drawLimits(Canvas& canvas, const LevelTrace& trace, const RenderReport& report) {
    const double limit = report.goal.truePeak ? report.goal.truePeakDbtp : report.ceilingDb;
    cairo_set_dash(canvas.cr(), std::vector<double>{6.0, 4.0}.data(), 2, 0.0);
    canvas.line(kLeft, levelY(report.ceilingDb), kRight, levelY(report.ceilingDb), kCeiling, 1.5);
    if (report.goal.truePeak) canvas.line(kLeft, levelY(limit), kRight, levelY(limit), kOver, 1.0);
    cairo_set_dash(canvas.cr(), nullptr, 0, 0.0);
    int overs = 0;
    for (std::size_t i = 0; i < trace.outputTruePeak.size(); ++i) {
        const double truePeakDb =
            toDb(std::max(trace.outputTruePeak[i], trace.outputOversampledPeak[i]));
        if (truePeakDb <= limit) continue;
        ++overs;
        const double x = kLeft + static_cast<double>(i) + 0.5;
        canvas.line(x, kLevelsTop, x, levelY(truePeakDb), kOver, 1.0);
        cairo_t* cr = canvas.cr();
        cairo_move_to(cr, x - 4.0, kLevelsTop - 8.0);
        cairo_line_to(cr, x + 4.0, kLevelsTop - 8.0);
        cairo_line_to(cr, x, kLevelsTop);
        cairo_close_path(cr);
        cairo_fill(cr);
    }
    return overs;
}

std::string baseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void drawCaptions(Canvas& canvas, const RenderReport& report, int overs) {
    cairo_set_font_size(canvas.cr(), kTitleSize);
    canvas.text(baseName(report.input.path) + ": gain " + format("%+.2f dB", report.gainDb) +
                    ", ceiling " + format("%.2f dB", report.ceilingDb) + "; loudness " +
                    format("%.1f", report.input.loudnessLufs) + " -> " +
                    format("%.1f LUFS", report.output.loudnessLufs) + ", true peak " +
                    format("%.2f", report.input.highestTruePeakDb()) + " -> " +
                    format("%.2f dBTP", report.output.highestTruePeakDb()),
                kLeft, 24.0, 0.0, kInk);
    cairo_set_font_size(canvas.cr(), kFontSize);
    const double legendY = kReductionBottom + 36.0;
    double x = kLeft;
    const struct {
        const char* words;
        Colour colour;
    } items[] = {{"input peak", kInput},
                 {"output peak", kOutput},
                 {"ceiling", kCeiling},
                 {"gain reduction", kReduction},
                 {overs > 0
                      ? (report.goal.truePeak ? "true-peak limit, overs" : "true-peak overs")
                      : (report.goal.truePeak ? "true-peak limit, no overs" : "no true-peak overs"),
                  kOver}};
    for (const auto& item : items) {
        canvas.colour(item.colour);
        cairo_rectangle(canvas.cr(), x, legendY - 9.0, 14.0, 10.0);
        cairo_fill(canvas.cr());
        canvas.text(item.words, x + 19.0, legendY, 0.0, kInk);
        cairo_text_extents_t extents;
        cairo_text_extents(canvas.cr(), item.words, &extents);
        x += 19.0 + extents.x_advance + 22.0;
    }
}

} // namespace

void writePlot(const std::string& path, const LevelTrace& trace, const RenderReport& report) {
    Canvas canvas;
    drawLevelAxis(canvas);
    drawTimeAxis(canvas, trace);
    drawEnvelope(canvas, trace.inputPeak, kInput, true);
    drawEnvelope(canvas, trace.outputPeak, kOutput, false);
    drawReduction(canvas, trace);
    const int overs = drawLimits(canvas, trace, report);
    drawCaptions(canvas, report, overs);
    const std::vector<unsigned char> bytes = canvas.png();
    if (bytes.empty()) throw RenderError("cannot draw the plot " + path);
    writeFileAtomically(path, bytes.data(), bytes.size());
}
