// A picture of one render over time (cairo, PNG): the input's and the
// output's peak levels, the limiter's gain reduction, the ceiling and the
// true-peak overs of the output.
#pragma once

#include "tools/render/Measurements.h"
#include "tools/render/RenderJob.h"

#include <string>

constexpr int kPlotWidth = 1200, kPlotHeight = 500;
// One window of the trace per column of the plotting area.
constexpr int kTraceWindows = 1100;

// Writes the picture through a temporary file; throws RenderError.
void writePlot(const std::string& path, const LevelTrace& trace, const RenderReport& report);
