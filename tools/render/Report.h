// The report brelto-render prints when it is done, as text or as JSON.
#pragma once

#include "tools/render/Batch.h"
#include "tools/render/RenderJob.h"

#include <cstdio>
#include <string>
#include <vector>

void printReport(std::FILE* out, const RenderReport& report);
std::string reportJson(const RenderReport& report);

// A batch: one line per file (loudness and true peak in and out, Brelto's
// gain and ceiling, the renders made and the status), or every file's report.
void printBatchSummary(std::FILE* out, const std::vector<BatchItem>& items);
std::string batchJson(const std::vector<BatchItem>& items);
