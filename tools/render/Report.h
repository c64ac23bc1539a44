// The report brelto-render prints when it is done, as text or as JSON.
#pragma once

#include "tools/render/RenderJob.h"

#include <cstdio>
#include <string>

void printReport(std::FILE* out, const RenderReport& report);
std::string reportJson(const RenderReport& report);
